#include <QTest>

#include "support/UiTest.h"
#include "ui/CColorBtn.h"
#include "ui/Skin.h"

using x5k::ui::CColorBtn;

namespace {

const QRect kSwatch = x5k::ui::edges(10, 10, 34, 28);
// The program's steel blue, as a profile stores it.
constexpr uint32_t kSteelBlue = 0x00B98C15;

}  // namespace

class CColorBtnTest : public QObject {
    Q_OBJECT

private slots:
    void frameTellsTheState_data() {
        QTest::addColumn<bool>("selected");
        QTest::addColumn<bool>("border");
        QTest::addColumn<QString>("pointer");  // "away", "over" or "pressed"
        QTest::addColumn<QColor>("frame");
        const QColor fill(21, 140, 185);
        QTest::newRow("plain") << false << false << "away" << fill;
        QTest::newRow("bordered") << false << true << "away" << QColor(0x31, 0x34, 0x39);
        QTest::newRow("hovered") << false << false << "over" << QColor(0xE8, 0xBE, 0x1C);
        QTest::newRow("pushed") << false << true << "pressed" << QColor(0xD3, 0x18, 0x14);
        QTest::newRow("selected") << true << false << "away" << QColor(0x39, 0x38, 0x39);
        QTest::newRow("selected, hovered") << true << true << "over" << QColor(0x39, 0x38, 0x39);
        QTest::newRow("selected, pushed") << true << false << "pressed" << QColor(0x39, 0x38, 0x39);
    }
    void frameTellsTheState() {
        QFETCH(bool, selected);
        QFETCH(bool, border);
        QFETCH(QString, pointer);
        QFETCH(QColor, frame);
        QWidget window;
        window.resize(60, 40);
        auto* swatch = new CColorBtn(&window, kSwatch);
        swatch->SetColour(kSteelBlue);
        swatch->SetSelected(selected);
        swatch->SetBorder(border);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const QPoint centre = swatch->rect().center();
        if (pointer != "away") x5k::uitest::moveAt(swatch, centre);
        if (pointer == "pressed") x5k::uitest::pressAt(swatch, centre);
        const QImage shot = swatch->grab().toImage();
        const int right = kSwatch.width() - 1, bottom = kSwatch.height() - 1;
        for (const QPoint corner :
             {QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom), QPoint(right, bottom)}) {
            QCOMPARE(shot.pixelColor(corner), frame);
        }
        QCOMPARE(shot.pixelColor(QPoint(right / 2, bottom)), frame);
        // One pixel only: the next ring is the swatch colour.
        QCOMPARE(shot.pixelColor(QPoint(1, 1)), QColor(21, 140, 185));
        QCOMPARE(shot.pixelColor(centre), QColor(21, 140, 185));
    }

    void colourKeepsItsValue() {
        QWidget window;
        CColorBtn swatch(&window, kSwatch);
        swatch.SetColour(0x000000FF);
        QCOMPARE(swatch.Colour(), uint32_t{0x000000FF});
        // 0x00BBGGRR: the low byte is red.
        QCOMPARE(swatch.grab().toImage().pixelColor(5, 5), QColor(255, 0, 0));
    }
};

X5K_UI_TEST_CLASS(CColorBtnTest);
#include "CColorBtnTest.moc"
