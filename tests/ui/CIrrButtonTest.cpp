#include <QFontMetrics>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <cstdlib>
#include <vector>

#include "support/UiTest.h"
#include "ui/CIrrButton.h"
#include "ui/Skin.h"

using x5k::ui::CIrrButton;
using x5k::uitest::HandledMessage;
using x5k::uitest::RecordingWindow;
namespace msg = x5k::msg;

namespace {

// A slanted tab: straight on the left, its right edge running from (127, 408) down to
// (95, 441).
const QPolygon kTab({QPoint(19, 408), QPoint(127, 408), QPoint(95, 441), QPoint(19, 441)});
const QSize kPage(200, 480);
// A point of the tab well inside the outline, in the button's coordinates.
const QPoint kInside(10, 10);
// Inside the bounding box but beyond the slanted edge.
const QPoint kCutAway(100, 28);

const QColor kNormal(60, 60, 60);
const QColor kHover(0, 120, 200);
const QColor kPressed(200, 40, 40);
const QColor kDisabled(90, 90, 30);

// A whole-page picture: one colour under the tab's bounding box, another elsewhere, so a
// button showing the wrong part of the page shows.
QPixmap page(const QColor& colour) {
    QPixmap picture(kPage);
    picture.fill(Qt::magenta);
    QPainter painter(&picture);
    painter.fillRect(x5k::ui::edges(19, 408, 127, 441), colour);
    return picture;
}

void mouse(QWidget* widget, QEvent::Type type, QPoint point, Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(point), QPointF(widget->mapToGlobal(point)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

struct Fixture {
    RecordingWindow window;
    CIrrButton* button;

    explicit Fixture(const QString& caption = {}) {
        window.resize(kPage);
        button = new CIrrButton(&window, caption, kTab);
        button->SetImages(page(kNormal), page(kPressed), page(kHover), page(kDisabled));
        window.show();
    }
    std::size_t commands() {
        QCoreApplication::sendPostedEvents(&window);
        return window.handled().size();
    }
};

}  // namespace

class CIrrButtonTest : public QObject {
    Q_OBJECT

private slots:
    void sitsOnTheOutlinesBoundingBox() {
        Fixture f;
        QCOMPARE(f.button->BoundingBox(), x5k::ui::edges(19, 408, 127, 441));
        QCOMPARE(f.button->geometry(), x5k::ui::edges(19, 408, 127, 441));
        QVERIFY(f.button->mask().contains(kInside));
        QVERIFY(!f.button->mask().contains(kCutAway));
    }

    void hitTestFollowsTheSlantedEdge_data() {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<bool>("inside");
        QTest::newRow("top left corner") << QPoint(19, 408) << true;
        QTest::newRow("bottom left, last row") << QPoint(19, 440) << true;
        QTest::newRow("below the bottom edge") << QPoint(19, 441) << false;
        QTest::newRow("left of the box") << QPoint(18, 420) << false;
        QTest::newRow("near top right, inside the slant") << QPoint(122, 410) << true;
        QTest::newRow("right end of the top edge") << QPoint(127, 408) << false;
        QTest::newRow("inside the slant, halfway down") << QPoint(108, 424) << true;
        QTest::newRow("outside the slant, halfway down") << QPoint(114, 424) << false;
        QTest::newRow("inside the slant, near the bottom") << QPoint(94, 440) << true;
        QTest::newRow("outside the slant, near the bottom") << QPoint(100, 438) << false;
        QTest::newRow("far away") << QPoint(300, 10) << false;
    }
    void hitTestFollowsTheSlantedEdge() {
        QFETCH(QPoint, point);
        QFETCH(bool, inside);
        Fixture f;
        QCOMPARE(f.button->HitTest(point), inside);
    }

    void commandGoesOutOnThePress_data() {
        QTest::addColumn<QPoint>("releaseAt");
        QTest::newRow("released on the tab") << kInside;
        QTest::newRow("released beyond the slanted edge") << kCutAway;
        QTest::newRow("released outside the button") << QPoint(-40, -40);
    }
    void commandGoesOutOnThePress() {
        QFETCH(QPoint, releaseAt);
        Fixture f;
        QSignalSpy commands(f.button, &CIrrButton::commandPressed);
        mouse(f.button, QEvent::MouseButtonPress, kInside, Qt::LeftButton);
        QCOMPARE(commands.count(), 1);
        QCOMPARE(f.commands(), std::size_t{1});
        QCOMPARE(f.window.handled()[0],
                 (HandledMessage{msg::kCommand, 0, reinterpret_cast<intptr_t>(f.button)}));
        mouse(f.button, QEvent::MouseMove, releaseAt, Qt::LeftButton);
        mouse(f.button, QEvent::MouseButtonRelease, releaseAt, Qt::NoButton);
        QCOMPARE(commands.count(), 1);  // nothing taken back, nothing repeated
        QCOMPARE(f.commands(), std::size_t{1});
    }

    void commandHandlerMayDestroyTheButton() {
        Fixture f;
        QPointer<CIrrButton> button(f.button);
        QObject::connect(f.button, &CIrrButton::commandPressed, [&] { delete button.data(); });
        mouse(f.button, QEvent::MouseButtonPress, kInside, Qt::LeftButton);
        QVERIFY(button.isNull());
        QCOMPARE(f.commands(), std::size_t{1});
    }

    void pressBeyondTheOutlineIsNoCommand() {
        Fixture f;
        QSignalSpy commands(f.button, &CIrrButton::commandPressed);
        mouse(f.button, QEvent::MouseButtonPress, kCutAway, Qt::LeftButton);
        QCOMPARE(commands.count(), 0);
        QCOMPARE(f.commands(), std::size_t{0});
    }

    void doubleClickCountsAsAPress() {
        Fixture f;
        QSignalSpy commands(f.button, &CIrrButton::commandPressed);
        mouse(f.button, QEvent::MouseButtonPress, kInside, Qt::LeftButton);
        mouse(f.button, QEvent::MouseButtonRelease, kInside, Qt::NoButton);
        mouse(f.button, QEvent::MouseButtonPress, kInside, Qt::LeftButton);
        mouse(f.button, QEvent::MouseButtonDblClick, kInside, Qt::LeftButton);
        mouse(f.button, QEvent::MouseButtonRelease, kInside, Qt::NoButton);
        QCOMPARE(commands.count(), 2);
        QCOMPARE(f.commands(), std::size_t{2});
    }

    void pictureFollowsTheState_data() {
        QTest::addColumn<bool>("checkMode");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QString>("pointer");  // "away", "over", "beyond edge", "pressed"
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QColor>("picture");
        QTest::newRow("idle") << false << false << "away" << true << kNormal;
        QTest::newRow("hovered") << false << false << "over" << true << kHover;
        QTest::newRow("pointer in the box, beyond the edge")
            << false << false << "beyond edge" << true << kNormal;
        QTest::newRow("pressed") << false << false << "pressed" << true << kPressed;
        QTest::newRow("checked, pointer elsewhere") << true << true << "away" << true << kPressed;
        QTest::newRow("check mode, held down, unchecked")
            << true << false << "pressed" << true << kHover;
        QTest::newRow("disabled") << false << false << "away" << false << kDisabled;
        QTest::newRow("disabled in check mode, checked")
            << true << true << "away" << false << kPressed;
    }
    void pictureFollowsTheState() {
        QFETCH(bool, checkMode);
        QFETCH(bool, checked);
        QFETCH(QString, pointer);
        QFETCH(bool, enabled);
        QFETCH(QColor, picture);
        Fixture f;
        f.button->SetCheckMode(checkMode);
        f.button->SetChecked(checked);
        if (pointer == "over" || pointer == "pressed") {
            mouse(f.button, QEvent::MouseMove, kInside, Qt::NoButton);
        }
        if (pointer == "beyond edge") mouse(f.button, QEvent::MouseMove, kCutAway, Qt::NoButton);
        if (pointer == "pressed")
            mouse(f.button, QEvent::MouseButtonPress, kInside, Qt::LeftButton);
        f.button->setEnabled(enabled);
        QCOMPARE(f.button->grab().toImage().pixelColor(kInside), picture);
    }

    void hoverFollowsTheOutline() {
        Fixture f;
        mouse(f.button, QEvent::MouseMove, kInside, Qt::NoButton);
        QVERIFY(f.button->IsHovering());
        mouse(f.button, QEvent::MouseMove, kCutAway, Qt::NoButton);
        QVERIFY(!f.button->IsHovering());
        mouse(f.button, QEvent::MouseMove, kInside, Qt::NoButton);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(f.button, &leave);
        QVERIFY(!f.button->IsHovering());
        // Another window taking over sends no leave: the deactivation ends the hover.
        mouse(f.button, QEvent::MouseMove, kInside, Qt::NoButton);
        QEvent deactivated(QEvent::WindowDeactivate);
        QApplication::sendEvent(f.button, &deactivated);
        QVERIFY(!f.button->IsHovering());
    }

    void setCheckedEndsTheHover_data() {
        QTest::addColumn<bool>("checked");
        QTest::newRow("checked") << true;
        QTest::newRow("unchecked again") << false;
    }
    void setCheckedEndsTheHover() {
        QFETCH(bool, checked);
        Fixture f;
        f.button->SetCheckMode(true);
        mouse(f.button, QEvent::MouseMove, kInside, Qt::NoButton);
        QVERIFY(f.button->IsHovering());
        f.button->SetChecked(checked);
        QVERIFY(!f.button->IsHovering());
        QCOMPARE(f.button->IsChecked(), checked);
        QCOMPARE(f.button->grab().toImage().pixelColor(kInside), checked ? kPressed : kNormal);
    }

    void captionIsCentredOnTheAnchor_data() {
        QTest::addColumn<QString>("caption");
        QTest::newRow("short") << "DPI";
        QTest::newRow("five characters") << "Macro";
        QTest::newRow("longer") << "Lighting";
        QTest::newRow("long German") << QString::fromUtf8("Übernehmen");
        QTest::newRow("long Ukrainian") << QString::fromUtf8("Застосувати");
        QTest::newRow("Chinese") << QString::fromUtf8("灯光");
    }
    void captionIsCentredOnTheAnchor() {
        QFETCH(QString, caption);
        Fixture f(caption);
        // The box is 108 x 33, so the anchor is (54, 16): the caption's measured width is
        // split evenly about it, whatever the number of characters.
        const int width = QFontMetrics(x5k::ui::dialogFont(14, 300)).horizontalAdvance(caption);
        const QPoint origin = f.button->CaptionOrigin();
        QCOMPARE(origin.y(), 10);
        QVERIFY(std::abs(origin.x() + width - 54 - (54 - origin.x())) <= 1);
    }

    void missingResourcesShowNothing() {
        Fixture f;
        // Numbers no picture has: the button keeps working, with empty pictures.
        f.button->SetImages(999901, 999902, 999903, 999904);
        QSignalSpy commands(f.button, &CIrrButton::commandPressed);
        mouse(f.button, QEvent::MouseButtonPress, kInside, Qt::LeftButton);
        QCOMPARE(commands.count(), 1);
        QVERIFY(f.button->grab().toImage().pixelColor(kInside) != kNormal);
    }
};

X5K_UI_TEST_CLASS(CIrrButtonTest);
#include "CIrrButtonTest.moc"
