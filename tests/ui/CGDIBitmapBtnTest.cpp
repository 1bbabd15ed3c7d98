#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <vector>

#include "support/UiTest.h"
#include "ui/CGDIBitmapBtn.h"
#include "ui/Skin.h"

using x5k::ui::CGDIBitmapBtn;
using x5k::uitest::HandledMessage;
using x5k::uitest::RecordingWindow;
namespace msg = x5k::msg;

namespace {

const QSize kPage(200, 120);
const QRect kButtonRect = x5k::ui::edges(40, 30, 110, 54);
// A point of the picture the caption never covers (inside its left inset).
const QPoint kPicturePoint(3, 3);

const QColor kNormal(60, 60, 60);
const QColor kHover(0, 120, 200);
const QColor kPressed(200, 40, 40);
const QColor kDisabled(90, 90, 30);

// A page picture of one colour, with a stray colour outside the button's rectangle so a
// wrongly placed cut shows.
QPixmap page(const QColor& colour) {
    QPixmap picture(kPage);
    picture.fill(Qt::magenta);
    QPainter painter(&picture);
    painter.fillRect(kButtonRect, colour);
    return picture;
}

QColor pixelAt(QWidget* widget, QPoint point) {
    return widget->grab().toImage().pixelColor(point);
}

struct Fixture {
    RecordingWindow window;
    CGDIBitmapBtn* button;

    Fixture() {
        window.resize(kPage);
        button = new CGDIBitmapBtn(&window, kButtonRect);
        button->SetImages(kButtonRect, page(kNormal), page(kHover), page(kPressed),
                          page(kDisabled));
        window.show();
        window.activateWindow();
    }
    QPoint centre() const { return button->rect().center(); }
};

}  // namespace

class CGDIBitmapBtnTest : public QObject {
    Q_OBJECT

private slots:
    void pictureAndCaptionFollowTheState_data() {
        QTest::addColumn<bool>("checkMode");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QString>("pointer");  // "away", "over" or "pressed"
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QColor>("picture");
        QTest::addColumn<QColor>("caption");
        const QColor normalText(189, 189, 200), hoverText(255, 255, 255), pressedText(38, 29, 5),
            disabledText(38, 42, 39);
        QTest::newRow("idle") << false << false << "away" << true << kNormal << normalText;
        QTest::newRow("hovered") << false << false << "over" << true << kHover << hoverText;
        QTest::newRow("pushed") << false << false << "pressed" << true << kPressed << pressedText;
        QTest::newRow("checked, pointer elsewhere")
            << true << true << "away" << true << kPressed << pressedText;
        QTest::newRow("checked and hovered")
            << true << true << "over" << true << kPressed << pressedText;
        QTest::newRow("check mode, unchecked, hovered")
            << true << false << "over" << true << kHover << hoverText;
        QTest::newRow("check mode, unchecked, held down")
            << true << false << "pressed" << true << kHover << hoverText;
        QTest::newRow("disabled") << false << false << "away" << false << kDisabled << disabledText;
        QTest::newRow("hovered, then disabled")
            << false << false << "over" << false << kDisabled << disabledText;
        QTest::newRow("disabled but checked in check mode")
            << true << true << "away" << false << kPressed << pressedText;
    }
    void pictureAndCaptionFollowTheState() {
        QFETCH(bool, checkMode);
        QFETCH(bool, checked);
        QFETCH(QString, pointer);
        QFETCH(bool, enabled);
        QFETCH(QColor, picture);
        QFETCH(QColor, caption);
        Fixture f;
        QVERIFY(QTest::qWaitForWindowActive(&f.window));
        // Full blocks, so the middle of the caption is solid text colour.
        f.button->SetCaption(QString(3, QChar(0x2588)));
        f.button->SetCheckMode(checkMode, false);
        f.button->SetChecked(checked);
        if (pointer != "away") x5k::uitest::moveAt(f.button, f.centre());
        if (pointer == "pressed") x5k::uitest::pressAt(f.button, f.centre());
        f.button->setEnabled(enabled);
        QCOMPARE(pixelAt(f.button, kPicturePoint), picture);
        QCOMPARE(pixelAt(f.button, f.centre()), caption);
    }

    void nullSourceKeepsThatPicture() {
        Fixture f;
        const QColor other(10, 200, 10);
        f.button->SetImages(kButtonRect, QPixmap(), QPixmap(), page(other), QPixmap());
        QCOMPARE(pixelAt(f.button, kPicturePoint), kNormal);
        f.button->SetCheckMode(true, false);
        f.button->SetChecked(true);
        QCOMPARE(pixelAt(f.button, kPicturePoint), other);
    }

    void hoverEnds_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("pointer leaves") << "leave";
        QTest::newRow("dragged away with the button held") << "drag away";
        QTest::newRow("window deactivated") << "deactivate";
        QTest::newRow("hidden") << "hide";
    }
    void hoverEnds() {
        QFETCH(QString, how);
        Fixture f;
        QVERIFY(QTest::qWaitForWindowActive(&f.window));
        x5k::uitest::moveAt(f.button, f.centre());
        QVERIFY(f.button->IsHovering());
        QCOMPARE(pixelAt(f.button, kPicturePoint), kHover);
        if (how == "leave") {
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(f.button, &leave);
        } else if (how == "drag away") {
            x5k::uitest::pressAt(f.button, f.centre());
            x5k::uitest::moveAt(f.button, QPoint(-20, -20), Qt::LeftButton);
        } else if (how == "deactivate") {
            QWidget other;
            other.show();
            other.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&other));
        } else {
            f.button->hide();
        }
        QVERIFY(!f.button->IsHovering());
        if (how == "leave") QCOMPARE(pixelAt(f.button, kPicturePoint), kNormal);
    }

    void noHoverWhileDraggedOverFromElsewhere() {
        Fixture f;
        QVERIFY(QTest::qWaitForWindowActive(&f.window));
        x5k::uitest::moveAt(f.button, f.centre(), Qt::LeftButton);
        QVERIFY(!f.button->IsHovering());
        QCOMPARE(pixelAt(f.button, kPicturePoint), kNormal);
    }

    void toggleOnClickFlipsBeforeTheClick() {
        Fixture f;
        f.button->SetCheckMode(true, true);
        std::vector<bool> seenAtClick;
        QObject::connect(f.button, &CGDIBitmapBtn::clicked,
                         [&] { seenAtClick.push_back(f.button->IsChecked()); });
        x5k::uitest::pressAt(f.button, f.centre());
        QVERIFY(f.button->IsChecked());  // already on the press
        x5k::uitest::releaseAt(f.button, f.centre());
        x5k::uitest::clickAt(f.button, f.centre());
        QCOMPARE(seenAtClick, (std::vector<bool>{true, false}));
        QVERIFY(!f.button->IsChecked());
    }

    void clickWithoutToggleKeepsCheckedState() {
        Fixture f;
        f.button->SetCheckMode(true, false);
        QSignalSpy clicks(f.button, &CGDIBitmapBtn::clicked);
        x5k::uitest::clickAt(f.button, f.centre());
        QCOMPARE(clicks.count(), 1);
        QVERIFY(!f.button->IsChecked());
    }

    void pressReports_data() {
        QTest::addColumn<bool>("notify");
        QTest::addColumn<QPoint>("releaseAt");
        QTest::addColumn<int>("clicks");
        QTest::newRow("notify, released on the button") << true << QPoint(10, 10) << 1;
        QTest::newRow("notify, released elsewhere") << true << QPoint(-30, 80) << 0;
        QTest::newRow("no notify") << false << QPoint(10, 10) << 1;
    }
    void pressReports() {
        QFETCH(bool, notify);
        QFETCH(QPoint, releaseAt);
        QFETCH(int, clicks);
        Fixture f;
        f.button->SetPressNotify(notify);
        QSignalSpy clicked(f.button, &CGDIBitmapBtn::clicked);
        x5k::uitest::pressAt(f.button, QPoint(10, 10));
        x5k::uitest::releaseAt(f.button, releaseAt);
        QCoreApplication::sendPostedEvents(&f.window);
        const auto self = reinterpret_cast<intptr_t>(f.button);
        std::vector<HandledMessage> expected;
        if (notify) {
            expected = {{msg::kButtonPress, 0x201, self}, {msg::kButtonPress, 0x202, self}};
        }
        QCOMPARE(f.window.handled(), expected);
        QCOMPARE(clicked.count(), clicks);
    }

    void rightButtonIsNoPress() {
        Fixture f;
        f.button->SetPressNotify(true);
        f.button->SetCheckMode(true, true);
        QSignalSpy clicked(f.button, &CGDIBitmapBtn::clicked);
        x5k::uitest::clickAt(f.button, f.centre(), Qt::RightButton);
        QCoreApplication::sendPostedEvents(&f.window);
        QVERIFY(f.window.handled().empty());
        QCOMPARE(clicked.count(), 0);
        QVERIFY(!f.button->IsChecked());
    }

    void doubleClickIsOnePressPerPress() {
        Fixture f;
        f.button->SetPressNotify(true);
        f.button->SetCheckMode(true, true);
        const QPoint at = f.centre();
        x5k::uitest::pressAt(f.button, at);
        x5k::uitest::releaseAt(f.button, at);
        x5k::uitest::pressAt(f.button, at);
        QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(at),
                        QPointF(f.button->mapToGlobal(at)), Qt::LeftButton, Qt::LeftButton,
                        Qt::NoModifier);
        QApplication::sendEvent(f.button, &dbl);
        x5k::uitest::releaseAt(f.button, at);
        QCoreApplication::sendPostedEvents(&f.window);
        QCOMPARE(f.window.handled().size(), std::size_t{4});  // press, release, press, release
        QVERIFY(!f.button->IsChecked());                      // flipped twice
    }

    void clickHandlerMayDestroyTheButton() {
        Fixture f;
        QVERIFY(QTest::qWaitForWindowActive(&f.window));
        f.button->SetPressNotify(true);
        QPointer<CGDIBitmapBtn> button(f.button);
        // A dialog's close button ends the dialog from its click handler.
        QObject::connect(f.button, &CGDIBitmapBtn::clicked, [&] { delete button.data(); });
        x5k::uitest::moveAt(f.button, f.centre());
        x5k::uitest::clickAt(f.button, f.centre());
        QVERIFY(button.isNull());
        QCoreApplication::sendPostedEvents(&f.window);
        QCOMPARE(f.window.handled().size(), std::size_t{2});
    }

    void longCaptionIsElidedInsideTheTextArea() {
        Fixture f;
        f.button->SetCaption(QString(40, QChar(0x2588)));
        const QImage shot = f.button->grab().toImage();
        const QColor text(189, 189, 200);
        // Nothing is written into the 8-pixel left and 5-pixel right margins.
        for (int y = 0; y < shot.height(); ++y) {
            for (int x : {0, 7, shot.width() - 5, shot.width() - 1}) {
                QVERIFY2(shot.pixelColor(x, y) != text,
                         qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
            }
        }
        int textPixels = 0;
        for (int x = 0; x < shot.width(); ++x) {
            if (shot.pixelColor(x, f.centre().y()) == text) ++textPixels;
        }
        QVERIFY(textPixels > shot.width() / 2);
    }
};

X5K_UI_TEST_CLASS(CGDIBitmapBtnTest);
#include "CGDIBitmapBtnTest.moc"
