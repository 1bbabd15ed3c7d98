#include "ui/CXPMenu.h"

#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include "support/UiTest.h"

using x5k::ui::CXPMenu;

class CXPMenuTest : public QObject {
    Q_OBJECT

private slots:
    void entriesCarryTheirCommands_data() {
        QTest::addColumn<int>("entry");
        QTest::addColumn<int>("command");
        QTest::newRow("Config") << 0 << 0x6000;
        QTest::newRow("Exit") << 1 << 0x6001;
    }
    void entriesCarryTheirCommands() {
        QFETCH(int, entry);
        QFETCH(int, command);
        CXPMenu menu;
        menu.AddEntry(0x6000, 1012, "Config");
        menu.AddEntry(0x6001, 1011, "Exit");
        QSignalSpy chosen(&menu, &CXPMenu::commandChosen);
        QAction* action = menu.actions().at(entry);
        QCOMPARE(CXPMenu::commandOf(action), command);
        action->trigger();
        QCOMPARE(chosen.count(), 1);
        QCOMPARE(chosen.at(0).at(0).toInt(), command);
        QCOMPARE(CXPMenu::commandOf(nullptr), 0);
    }

    void drawsTheSelectedEntryBlueGrey_data() {
        QTest::addColumn<int>("selected");
        QTest::newRow("first selected") << 0;
        QTest::newRow("second selected") << 1;
    }
    void drawsTheSelectedEntryBlueGrey() {
        QFETCH(int, selected);
        CXPMenu menu;
        QImage icon(16, 16, QImage::Format_ARGB32);
        icon.fill(Qt::magenta);
        menu.AddEntry(0x6000, icon, "Config");
        menu.AddEntry(0x6001, icon, "Exit");
        menu.popup(QPoint(0, 0));
        menu.setActiveAction(menu.actions().at(selected));
        const QImage shot = menu.grab().toImage();
        for (int i = 0; i < 2; ++i) {
            const QRect entry = menu.actionGeometry(menu.actions().at(i));
            QCOMPARE(entry.height(), CXPMenu::kItemHeight);
            QVERIFY(entry.width() >= CXPMenu::kItemWidth);
            // Just inside the frame, above the icon: only the fill shows.
            const QColor fill = shot.pixelColor(entry.left() + 2, entry.top() + 2);
            QCOMPARE(fill, i == selected ? QColor(177, 185, 207) : QColor(219, 216, 209));
            // The icon sits centred in the first 25 pixels.
            QCOMPARE(shot.pixelColor(entry.left() + 12, entry.center().y()), QColor(Qt::magenta));
        }
        menu.close();
    }
};

X5K_UI_TEST_CLASS(CXPMenuTest);

#include "CXPMenuTest.moc"
