#include <QImage>
#include <QList>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

#include "support/UiTest.h"
#include "ui/CPngHSliderBar.h"

using x5k::ui::CPngHSlider;
using x5k::ui::CPngHSliderBar;
using x5k::uitest::clickAt;
using x5k::uitest::HandledMessage;
using x5k::uitest::moveAt;
using x5k::uitest::RecordingWindow;
namespace msg = x5k::msg;

namespace {

constexpr int kSliderId = 2560;
// The track: 200 x 12 at (100, 50) of the page; the thumb 10 x 12, so its left edge
// travels 0..190.
constexpr int kLeft = 100, kTop = 50, kRight = 300, kBottom = 62;
constexpr QRgb kKey = 0xffff00ff;    // the thumb picture's corner colour
constexpr QRgb kThumb = 0xff158cb9;  // the thumb's body
constexpr QRgb kTrack = 0xff2b2e33;

// A page that logs the slider positions posted to it.
class SliderPage : public RecordingWindow {
public:
    using RecordingWindow::RecordingWindow;
    const std::vector<HandledMessage>& positions() const { return positions_; }

protected:
    std::span<const MessageEntry> messageTable() const override {
        static const MessageEntry table[] = {on(msg::kSliderPosition, &SliderPage::position)};
        return table;
    }

private:
    intptr_t position(uintptr_t wParam, intptr_t lParam) {
        positions_.push_back({msg::kSliderPosition, wParam, lParam});
        return 0;
    }
    std::vector<HandledMessage> positions_;
};

// A thumb picture with cut corners in the key colour.
QString writeThumb(const QTemporaryDir& dir, int width = 10, int height = 12) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(kThumb);
    for (const QPoint corner : {QPoint(0, 0), QPoint(width - 1, 0), QPoint(0, height - 1),
                                QPoint(width - 1, height - 1)}) {
        image.setPixel(corner, kKey);
    }
    const QString path = dir.filePath(QStringLiteral("Slider.png"));
    image.save(path);
    return path;
}

struct Fixture {
    QTemporaryDir dir;
    SliderPage page;
    CPngHSliderBar* slider = new CPngHSliderBar(&page);

    Fixture(int minimum, int maximum) {
        page.resize(400, 120);
        slider->Init(writeThumb(dir), kLeft, kTop, kRight, kBottom, &page, kSliderId);
        slider->SetRange(minimum, maximum);
    }
    std::vector<HandledMessage> posted() {
        QCoreApplication::sendPostedEvents(&page);
        return page.positions();
    }
    // Moves the pointer, button held, to a point of the track during a thumb drag.
    void dragTo(int trackX) {
        CPngHSlider* thumb = slider->thumb();
        moveAt(thumb, QPoint(trackX - thumb->x(), 6), Qt::LeftButton);
    }
    void pressThumbAt(int thumbX) {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(thumbX, 6),
                          QPointF(slider->thumb()->mapToGlobal(QPoint(thumbX, 6))), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(slider->thumb(), &press);
    }
    void releaseThumb() {
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(0, 6),
                            QPointF(slider->thumb()->mapToGlobal(QPoint(0, 6))), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(slider->thumb(), &release);
    }
};

std::vector<HandledMessage> positionsOf(const QList<int>& values) {
    std::vector<HandledMessage> all;
    for (int value : values) all.push_back({msg::kSliderPosition, uintptr_t(value), kSliderId});
    return all;
}

}  // namespace

class CPngHSliderBarTest : public QObject {
    Q_OBJECT

private slots:
    void initPlacesTrackAndThumb_data() {
        QTest::addColumn<int>("thumbHeight");
        QTest::addColumn<int>("thumbTop");
        QTest::newRow("as high as the track") << 12 << 0;
        QTest::newRow("lower than the track sits on its bottom") << 8 << 4;
        QTest::newRow("higher than the track sticks out above") << 16 << -4;
    }
    void initPlacesTrackAndThumb() {
        QFETCH(int, thumbHeight);
        QFETCH(int, thumbTop);
        QTemporaryDir dir;
        RecordingWindow page;
        CPngHSliderBar slider;
        QVERIFY(slider.Init(writeThumb(dir, 10, thumbHeight), kLeft, kTop, kRight, kBottom, &page,
                            kSliderId));
        QCOMPARE(slider.parentWidget(), &page);
        QCOMPARE(slider.geometry(), QRect(100, 50, 200, 12));
        QVERIFY(!slider.isHidden());
        QCOMPARE(slider.controlId(), kSliderId);
        QCOMPARE(slider.GetPos(), 0);
        QCOMPARE(slider.thumb()->geometry(), QRect(0, thumbTop, 10, thumbHeight));
    }

    void missingThumbPictureStillSlides() {
        RecordingWindow page;
        auto* slider = new CPngHSliderBar(&page);
        QVERIFY(!slider->Init(QStringLiteral("/nonexistent/Slider.png"), kLeft, kTop, kRight,
                              kBottom, &page, kSliderId));
        slider->SetRange(1, 5);
        clickAt(slider, QPoint(199, 6));
        QCOMPARE(slider->GetPos(), 5);
    }

    void clickJumpsAndNotifies_data() {
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("thumbLeft");
        QTest::newRow("left edge is the minimum") << 1 << 5 << 0 << 1 << 0;
        QTest::newRow("right edge is the maximum") << 1 << 20 << 199 << 20 << 190;
        QTest::newRow("middle of 1..20") << 1 << 20 << 100 << 10 << 90;
        QTest::newRow("94 % of 1..5 jumps to 5") << 1 << 5 << 188 << 5 << 190;
        QTest::newRow("93 % of 1..5 stays at 4") << 1 << 5 << 186 << 4 << 142;
        QTest::newRow("past 9.75 of 1..10 is 10") << 1 << 10 << 195 << 10 << 190;
        QTest::newRow("below 9.75 of 1..10 is 9") << 1 << 10 << 194 << 9 << 168;
        QTest::newRow("past 2.87 of 1..3 is 3") << 1 << 3 << 188 << 3 << 190;
        QTest::newRow("below 2.87 of 1..3 is 2") << 1 << 3 << 187 << 2 << 95;
        QTest::newRow("colour 0..255") << 0 << 255 << 100 << 127 << 94;
    }
    void clickJumpsAndNotifies() {
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(int, x);
        QFETCH(int, value);
        QFETCH(int, thumbLeft);
        Fixture f(minimum, maximum);
        QSignalSpy changed(f.slider, &CPngHSliderBar::positionChanged);
        clickAt(f.slider, QPoint(x, 6));
        QCOMPARE(f.slider->GetPos(), value);
        QCOMPARE(f.slider->thumb()->x(), thumbLeft);
        QVERIFY(f.posted() == positionsOf({value}));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toInt(), value);
    }

    void dragStepsNotifyAndStopAtTheEnds_data() {
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("start");
        QTest::addColumn<QList<int>>("pointerXs");  // the pointer on the track, step by step
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<int>("thumbLeft");
        // Pressed 5 px into the thumb; 1..5 puts the values 47.5 px apart.
        QTest::newRow("one step right") << 1 << 5 << 1 << QList<int>{100} << QList<int>{3} << 95;
        QTest::newRow("stops at the right end")
            << 1 << 5 << 1 << QList<int>{100, 400, 600} << QList<int>{3, 5, 5} << 190;
        QTest::newRow("stops at the left end")
            << 1 << 5 << 5 << QList<int>{100, -300} << QList<int>{3, 1} << 0;
        QTest::newRow("still pointer keeps the value")
            << 1 << 5 << 2 << QList<int>{52, 52} << QList<int>{2, 2} << 47;
        QTest::newRow("colour 0..255") << 0 << 255 << 0 << QList<int>{100} << QList<int>{127} << 94;
    }
    void dragStepsNotifyAndStopAtTheEnds() {
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(int, start);
        QFETCH(QList<int>, pointerXs);
        QFETCH(QList<int>, values);
        QFETCH(int, thumbLeft);
        Fixture f(minimum, maximum);
        f.slider->SetPos(start);
        f.pressThumbAt(5);
        QVERIFY(f.slider->thumb()->isDragging());
        for (int x : pointerXs) f.dragTo(x);
        f.releaseThumb();
        QVERIFY(!f.slider->thumb()->isDragging());
        QVERIFY(f.posted() == positionsOf(values));
        QCOMPARE(f.slider->GetPos(), values.last());
        QCOMPARE(f.slider->thumb()->x(), thumbLeft);
        // After the release, moves do not drag any more.
        f.dragTo(20);
        QCOMPARE(f.slider->GetPos(), values.last());
    }

    void limitStopIgnoresPullingAgainstALimit() {
        Fixture f(1, 5);
        f.slider->thumb()->SetLimits(2, 4);
        f.slider->thumb()->SetLimitStop(true);
        f.slider->SetPos(4);  // left 142
        f.pressThumbAt(5);
        f.dragTo(180);  // right, against the upper limit: ignored
        f.dragTo(120);  // left: new left 115 gives 3, shown at 95
        QVERIFY(f.posted() == positionsOf({3}));
        QCOMPARE(f.slider->thumb()->x(), 95);
    }

    void disabledIgnoresClicksAndDrags_data() {
        QTest::addColumn<bool>("drag");
        QTest::addColumn<bool>("enableAgain");
        QTest::newRow("click") << false << false;
        QTest::newRow("drag") << true << false;
        QTest::newRow("click after enabling again") << false << true;
        QTest::newRow("drag after enabling again") << true << true;
    }
    void disabledIgnoresClicksAndDrags() {
        QFETCH(bool, drag);
        QFETCH(bool, enableAgain);
        Fixture f(1, 5);
        f.slider->SetPos(1);
        f.slider->setEnabled(false);
        QVERIFY(!f.slider->thumb()->isEnabled());
        if (enableAgain) f.slider->setEnabled(true);
        QSignalSpy changed(f.slider, &CPngHSliderBar::positionChanged);
        if (drag) {
            f.pressThumbAt(5);
            f.dragTo(200);
            f.releaseThumb();
        } else {
            clickAt(f.slider, QPoint(199, 6));
        }
        const int expected = enableAgain ? 5 : 1;
        QCOMPARE(f.slider->GetPos(), expected);
        QCOMPARE(f.slider->thumb()->x(), enableAgain ? 190 : 0);
        QVERIFY(f.posted() == (enableAgain ? positionsOf({5}) : positionsOf({})));
        QCOMPARE(changed.count(), enableAgain ? 1 : 0);
    }

    void setPosPlacesThumbWithoutNotifying_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("thumbLeft");
        QTest::newRow("minimum") << 1 << 1 << 0;
        QTest::newRow("inside") << 3 << 3 << 95;
        QTest::newRow("maximum") << 5 << 5 << 190;
        QTest::newRow("above the maximum shows the minimum") << 6 << 1 << 0;
        QTest::newRow("below the minimum shows the minimum") << 0 << 1 << 0;
    }
    void setPosPlacesThumbWithoutNotifying() {
        QFETCH(int, value);
        QFETCH(int, shown);
        QFETCH(int, thumbLeft);
        Fixture f(1, 5);
        f.slider->SetPos(4);
        f.slider->SetPos(value);
        QCOMPARE(f.slider->GetPos(), shown);
        QCOMPARE(f.slider->thumb()->x(), thumbLeft);
        QVERIFY(f.posted().empty());
    }

    void drawsBackgroundAndKeyedThumb_data() {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QRgb>("leftColour");
        QTest::addColumn<QRgb>("rightColour");
        // The page picture: left half red, right half yellow.
        QTest::newRow("left half") << QRect(0, 0, 20, 10) << QRgb(0xffff0000) << QRgb(0xffff0000);
        QTest::newRow("right half") << QRect(20, 0, 20, 10) << QRgb(0xffffff00) << QRgb(0xffffff00);
        QTest::newRow("across, stretched")
            << QRect(10, 0, 20, 10) << QRgb(0xffff0000) << QRgb(0xffffff00);
    }
    void drawsBackgroundAndKeyedThumb() {
        QFETCH(QRect, area);
        QFETCH(QRgb, leftColour);
        QFETCH(QRgb, rightColour);
        QImage picture(40, 10, QImage::Format_RGB32);
        picture.fill(0xffff0000);
        QPainter(&picture).fillRect(20, 0, 20, 10, QColor(0xffffff00));
        Fixture f(1, 5);
        f.slider->SetBackground(area.x(), area.y(), area.width(), area.height(), picture);
        f.slider->SetPos(3);  // thumb at 95..104
        const QImage shot = f.slider->grab().toImage();
        QCOMPARE(shot.pixel(20, 6), leftColour);
        QCOMPARE(shot.pixel(180, 6), rightColour);
        QCOMPARE(shot.pixel(99, 6), kThumb);
        // The thumb's corners have the picture's corner colour: the track shows there.
        QCOMPARE(shot.pixel(95, 0), shot.pixel(94, 0));
        QVERIFY(shot.pixel(95, 0) != kKey);
        QVERIFY(!f.slider->thumb()->mask().contains(QPoint(0, 0)));
        QVERIFY(f.slider->thumb()->mask().contains(QPoint(5, 6)));
    }

    void thumbMovesRepeatToThePage() {
        Fixture f(1, 5);
        moveAt(f.slider->thumb(), QPoint(3, 4));
        QCOMPARE(f.page.moves().size(), std::size_t{1});
        QCOMPARE(f.page.moves().front().position, QPoint(103, 54));
    }
};

X5K_UI_TEST_CLASS(CPngHSliderBarTest);
#include "CPngHSliderBarTest.moc"
