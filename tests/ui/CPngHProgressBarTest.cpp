#include <QImage>
#include <QPainter>
#include <QTest>

#include "support/UiTest.h"
#include "ui/CPngHProgressBar.h"

using x5k::ui::CPngHProgressBar;

namespace {

// The bar is 200 x 16 at (50, 10) of the dialog and its pictures are cut from the same
// area of two larger pictures, whose surroundings are magenta.
const QRect kBarRect(50, 10, 200, 16);
constexpr QRgb kOutside = 0xffff00ff;
constexpr QRgb kBack = 0xff2b2e33;
constexpr QRgb kFill = 0xff158cb9;
constexpr QRgb kFillTail = 0xff00ffff;  // the fill picture's right half

QImage picture(QRgb inside, QRgb rightHalf) {
    QImage image(300, 40, QImage::Format_RGB32);
    image.fill(kOutside);
    QPainter painter(&image);
    painter.fillRect(kBarRect, QColor::fromRgb(inside));
    painter.fillRect(kBarRect.x() + 100, kBarRect.y(), 100, kBarRect.height(),
                     QColor::fromRgb(rightHalf));
    return image;
}

}  // namespace

class CPngHProgressBarTest : public QObject {
    Q_OBJECT

private slots:
    void fillsFromTheLeft_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("columns");
        QTest::newRow("0 is empty") << 0 << 0 << 0;
        QTest::newRow("50 fills half") << 50 << 50 << 100;
        QTest::newRow("33 truncates") << 33 << 33 << 66;
        QTest::newRow("100 fills all") << 100 << 100 << 200;
        QTest::newRow("above the maximum is empty") << 101 << 0 << 0;
        QTest::newRow("below the minimum is empty") << -5 << 0 << 0;
    }
    void fillsFromTheLeft() {
        QFETCH(int, position);
        QFETCH(int, shown);
        QFETCH(int, columns);
        QWidget dialog;
        dialog.resize(300, 40);
        auto* bar = new CPngHProgressBar(&dialog, kBarRect, 3000);
        QCOMPARE(bar->geometry(), kBarRect);
        QVERIFY(!bar->isHidden());
        bar->SetImages(kBarRect, picture(kBack, kBack), picture(kFill, kFillTail));
        bar->SetRange(0, 100);
        bar->SetPos(70);
        bar->SetPos(position);
        QCOMPARE(bar->GetPos(), shown);
        QCOMPARE(bar->fillWidth(), columns);

        const QImage shot = bar->grab().toImage();
        QCOMPARE(shot.size(), kBarRect.size());
        for (int x = 0; x < shot.width(); ++x) {
            // The fill shows unscaled: its own right half where the fill reaches it.
            const QRgb expected = x >= columns ? kBack : x < 100 ? kFill : kFillTail;
            if (shot.pixel(x, 8) != expected) {
                QFAIL(qPrintable(QStringLiteral("column %1: %2, expected %3")
                                     .arg(x)
                                     .arg(shot.pixel(x, 8), 8, 16)
                                     .arg(expected, 8, 16)));
            }
        }
    }

    void narrowingTheRangeResetsAPositionOutsideIt() {
        QWidget dialog;
        CPngHProgressBar bar(&dialog, kBarRect, 3000);
        bar.SetRange(0, 100);
        bar.SetPos(80);
        bar.SetRange(0, 50);
        QCOMPARE(bar.GetPos(), 0);
        QCOMPARE(bar.fillWidth(), 0);
    }

    void oneValueRangeDrawsNoFill() {
        QWidget dialog;
        CPngHProgressBar bar(&dialog, kBarRect, 3000);
        bar.SetImages(kBarRect, picture(kBack, kBack), picture(kFill, kFill));
        bar.SetRange(7, 7);
        bar.SetPos(7);
        QCOMPARE(bar.GetPos(), 7);
        QCOMPARE(bar.grab().toImage().pixel(199, 8), kBack);
    }
};

X5K_UI_TEST_CLASS(CPngHProgressBarTest);
#include "CPngHProgressBarTest.moc"
