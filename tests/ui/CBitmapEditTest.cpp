#include <QImage>
#include <QPainter>
#include <QTest>

#include "support/UiTest.h"
#include "ui/CBitmapEdit.h"
#include "ui/Skin.h"

using x5k::ui::CBitmapEdit;

class CBitmapEditTest : public QObject {
    Q_OBJECT

private slots:
    void acceptsAtMost256Characters_data() {
        QTest::addColumn<int>("given");
        QTest::addColumn<int>("kept");
        QTest::newRow("short") << 10 << 10;
        QTest::newRow("exactly the limit") << 256 << 256;
        QTest::newRow("one too many") << 257 << 256;
        QTest::newRow("far too many") << 1000 << 256;
    }
    void acceptsAtMost256Characters() {
        QFETCH(int, given);
        QFETCH(int, kept);
        QWidget window;
        CBitmapEdit edit(&window, x5k::ui::edges(0, 0, 120, 20));
        edit.setText(QString(given, QLatin1Char('a')));
        QCOMPARE(edit.text().size(), kept);
        // Typing at the end of a full box adds nothing.
        edit.end(false);
        QTest::keyClick(&edit, Qt::Key_B);
        QCOMPARE(edit.text().size(), given >= 256 ? 256 : kept + 1);
    }

    void backgroundIsThePiecesOfThePicture() {
        QImage picture(100, 60, QImage::Format_RGB32);
        picture.fill(Qt::magenta);
        QPainter painter(&picture);
        painter.fillRect(x5k::ui::edges(20, 10, 80, 30), QColor(43, 46, 51));
        painter.fillRect(x5k::ui::edges(20, 10, 22, 12), QColor(21, 140, 185));
        painter.end();
        QWidget window;
        window.resize(200, 100);
        CBitmapEdit edit(&window, x5k::ui::edges(5, 5, 65, 25), 14);
        edit.SetBackground(20, 10, 60, 20, picture);
        QCOMPARE(edit.Background().size(), QSize(60, 20));
        const QImage shot = edit.grab().toImage();
        // The piece starts at the edit's own corner and there is no frame around it.
        QCOMPARE(shot.pixelColor(0, 0), QColor(21, 140, 185));
        QCOMPARE(shot.pixelColor(40, 15), QColor(43, 46, 51));
        // An empty picture keeps the background it had.
        edit.SetBackground(0, 0, 10, 10, QImage());
        QCOMPARE(edit.Background().size(), QSize(60, 20));
    }
};

X5K_UI_TEST_CLASS(CBitmapEditTest);
#include "CBitmapEditTest.moc"
