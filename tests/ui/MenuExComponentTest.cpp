#include "ui/MenuExComponent.h"

#include <QDir>
#include <QImage>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <string>
#include <vector>

#include "controls/MenuLayout.h"
#include "support/UiTest.h"

using x5k::controls::BuildMacroGroupMenu;
using x5k::controls::MenuItemArray;
using x5k::controls::MenuItemRecord;
using x5k::ui::CreateMenuEx;
using x5k::ui::DestroyMenuEx;
using x5k::ui::MenuExWindow;
using x5k::ui::OpenMenuEx;
using x5k::uitest::HandledMessage;
using x5k::uitest::RecordingWindow;
namespace msg = x5k::msg;

namespace {

class MenuOwner : public RecordingWindow {
public:
    std::vector<HandledMessage> received;
    bool destroyOnChoice = false;  // as the macro page does before it handles the group

protected:
    std::span<const MessageEntry> messageTable() const override {
        static const MessageEntry table[] = {on(msg::kMenuChoice, &MenuOwner::onChoice)};
        return table;
    }

private:
    intptr_t onChoice(uintptr_t wParam, intptr_t lParam) {
        received.push_back({msg::kMenuChoice, wParam, lParam});
        if (destroyOnChoice) DestroyMenuEx();
        return 0;
    }
};

constexpr x5k::ui::COLORREF kRow = 0x676153;
constexpr x5k::ui::COLORREF kText = 0xFFFFFF;
constexpr x5k::ui::COLORREF kLit = 0xB98C15;

// Opens the menu as the macro page does, with skin files from `skins` (missing files fall
// back to the flat colours).
QPointer<MenuExWindow> open(MenuOwner& owner, const MenuItemRecord* items, int count,
                            const QString& skins = QStringLiteral("/nonexistent")) {
    std::array<QString, 8> paths;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        paths[i] = QDir(skins).filePath(QString::fromLatin1(x5k::ui::kGroupMenuSkins[i]));
    }
    return CreateMenuEx(&owner, 24, QPoint(41, 81), kRow, kText, kLit, paths[0], paths[1], paths[2],
                        paths[3], paths[4], paths[5], paths[6], paths[7], items, count);
}

}  // namespace

class MenuExComponentTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        DestroyMenuEx();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void clickSendsTheItemIdentifier_data() {
        QTest::addColumn<int>("pressRow");
        QTest::addColumn<int>("releaseRow");
        QTest::addColumn<int>("sent");  // 0: nothing
        QTest::addColumn<bool>("staysOpen");
        QTest::newRow("first group") << 0 << 0 << 1 << false;
        QTest::newRow("Minecraft") << 16 << 16 << 17 << false;
        QTest::newRow("last group") << 20 << 20 << 21 << false;
        QTest::newRow("press on one, release on another") << 3 << 4 << 0 << true;
        QTest::newRow("click elsewhere") << -1 << -1 << 0 << false;
    }
    void clickSendsTheItemIdentifier() {
        QFETCH(int, pressRow);
        QFETCH(int, releaseRow);
        QFETCH(int, sent);
        QFETCH(bool, staysOpen);
        MenuOwner owner;
        const MenuItemArray groups = BuildMacroGroupMenu(false);
        QPointer<MenuExWindow> menu = open(owner, groups.items.data(), groups.count);
        QVERIFY(menu);
        QCOMPARE(menu->entries().size(), std::size_t{21});
        QCOMPARE(menu->pos(), QPoint(41, 81));
        const auto at = [&](int row) {
            return row < 0 ? QPoint(-5, -5) : menu->entryRect(row).center();
        };
        x5k::uitest::moveAt(menu, at(pressRow));
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(at(pressRow)),
                          QPointF(menu->mapToGlobal(at(pressRow))), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(menu, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at(releaseRow)),
                            QPointF(menu->mapToGlobal(at(releaseRow))), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        if (menu) QApplication::sendEvent(menu, &release);
        std::vector<HandledMessage> expected;
        if (sent != 0) expected.push_back({msg::kMenuChoice, 0, sent});
        QVERIFY(owner.received == expected);
        QCOMPARE(OpenMenuEx() != nullptr, staysOpen);
        if (staysOpen) QCOMPARE(menu->highlighted(), -1);
    }

    void destroyClosesTheOpenMenu() {
        MenuOwner owner;
        const MenuItemArray groups = BuildMacroGroupMenu(true);
        QPointer<MenuExWindow> first = open(owner, groups.items.data(), groups.count);
        QCOMPARE(OpenMenuEx(), first.data());
        // Opening again replaces the open menu: only one is ever open.
        QPointer<MenuExWindow> second = open(owner, groups.items.data(), groups.count);
        QVERIFY(first.isNull() || !first->isVisible());
        QCOMPARE(OpenMenuEx(), second.data());
        DestroyMenuEx();
        QCOMPARE(OpenMenuEx(), nullptr);
        QVERIFY(second.isNull() || !second->isVisible());
        DestroyMenuEx();  // nothing open: nothing happens
        QVERIFY(owner.received.empty());
    }

    void ownerDestroyingOnTheChoiceHearsItOnce() {
        MenuOwner owner;
        owner.destroyOnChoice = true;
        const MenuItemArray groups = BuildMacroGroupMenu(false);
        QPointer<MenuExWindow> menu = open(owner, groups.items.data(), groups.count);
        x5k::uitest::clickAt(menu, menu->entryRect(7).center());
        const std::vector<HandledMessage> expected = {{msg::kMenuChoice, 0, 8}};
        QVERIFY(owner.received == expected);
        QCOMPARE(OpenMenuEx(), nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(menu.isNull());
    }

    void takesTopLevelItemsWithinTheCount_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("nestedAt");  // an item moved below item 1; -1 none
        QTest::addColumn<int>("shown");
        QTest::newRow("all 21") << 21 << -1 << 21;
        QTest::newRow("first five") << 5 << -1 << 5;
        QTest::newRow("count past the room") << 500 << -1 << 21;
        QTest::newRow("negative count") << -3 << -1 << 0;
        QTest::newRow("one below another") << 21 << 4 << 20;
    }
    void takesTopLevelItemsWithinTheCount() {
        QFETCH(int, count);
        QFETCH(int, nestedAt);
        QFETCH(int, shown);
        MenuOwner owner;
        MenuItemArray groups = BuildMacroGroupMenu(false);
        if (nestedAt >= 0) groups.items[static_cast<std::size_t>(nestedAt)].setParentId(1);
        QPointer<MenuExWindow> menu = open(owner, groups.items.data(), count);
        if (shown == 0) {
            QVERIFY(menu.isNull());
            return;
        }
        QCOMPARE(static_cast<int>(menu->entries().size()), shown);
        QCOMPARE(menu->height(), shown * 24 + 2);
        QCOMPARE(menu->entries()[0].hasSubmenu, nestedAt >= 0);
    }

    void drawsSkinsOrFlatColours() {
        MenuOwner owner;
        const MenuItemArray groups = BuildMacroGroupMenu(false);
        // Without skin files: rows white, the hovered one in the third colour, framed in it.
        QPointer<MenuExWindow> flat = open(owner, groups.items.data(), 3);
        x5k::uitest::moveAt(flat, flat->entryRect(1).center());
        QCOMPARE(flat->highlighted(), 1);
        QImage shot = flat->grab().toImage();
        QCOMPARE(shot.pixelColor(4, flat->entryRect(0).center().y()), QColor(Qt::white));
        QCOMPARE(shot.pixelColor(4, flat->entryRect(1).center().y()), QColor(0x15, 0x8C, 0xB9));
        QCOMPARE(shot.pixelColor(0, 0), QColor(0x15, 0x8C, 0xB9));

        // With skin files the rows show them.
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("Menu"));
        const std::array<QColor, 3> colours = {Qt::red, Qt::green, Qt::blue};
        for (std::size_t i = 0; i < colours.size(); ++i) {
            QImage skin(150, 24, QImage::Format_RGB32);
            skin.fill(colours[i]);
            QVERIFY(skin.save(QDir(dir.path()).filePath(x5k::ui::kGroupMenuSkins[i]), "BMP"));
        }
        std::array<MenuItemRecord, 3> shortItems;
        for (int i = 0; i < 3; ++i) {
            shortItems[static_cast<std::size_t>(i)].setParentId(x5k::controls::kMenuTopLevel);
            shortItems[static_cast<std::size_t>(i)].setItemId(i + 1);
            shortItems[static_cast<std::size_t>(i)].setText(std::string(1, char('A' + i)));
        }
        QPointer<MenuExWindow> skinned = open(owner, shortItems.data(), 3, dir.path());
        // Short texts: the rows are as wide as the skin, inside the one-pixel frame.
        QCOMPARE(skinned->width(), 152);
        x5k::uitest::moveAt(skinned, skinned->entryRect(2).center());
        shot = skinned->grab().toImage();
        QCOMPARE(shot.pixelColor(4, skinned->entryRect(0).center().y()), QColor(Qt::red));
        QCOMPARE(shot.pixelColor(4, skinned->entryRect(2).center().y()), QColor(Qt::green));
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(skinned->entryRect(2).center()),
                          QPointF(skinned->mapToGlobal(skinned->entryRect(2).center())),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(skinned, &press);
        shot = skinned->grab().toImage();
        QCOMPARE(shot.pixelColor(4, skinned->entryRect(2).center().y()), QColor(Qt::blue));
    }

    void coloursAreStoredBlueGreenRed_data() {
        QTest::addColumn<uint>("value");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("row") << 0x676153u << QColor(0x53, 0x61, 0x67);
        QTest::newRow("text") << 0xFFFFFFu << QColor(255, 255, 255);
        QTest::newRow("highlight") << 0xB98C15u << QColor(0x15, 0x8C, 0xB9);
        QTest::newRow("top byte ignored") << 0xFF0000FFu << QColor(255, 0, 0);
    }
    void coloursAreStoredBlueGreenRed() {
        QFETCH(uint, value);
        QFETCH(QColor, colour);
        QCOMPARE(x5k::ui::colorFromColorref(value), colour);
    }
};

X5K_UI_TEST_CLASS(MenuExComponentTest);

#include "MenuExComponentTest.moc"
