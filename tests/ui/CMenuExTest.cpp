#include "ui/CMenuEx.h"

#include <QImage>
#include <QPointer>
#include <QTest>

#include <functional>
#include <vector>

#include "support/UiTest.h"

using x5k::ui::CMenuEx;
using x5k::ui::CMenuExA;
using x5k::uitest::HandledMessage;
using x5k::uitest::RecordingWindow;
namespace msg = x5k::msg;

Q_DECLARE_METATYPE(std::vector<HandledMessage>)

namespace {

// The owner of a menu: records the language and menu-choice messages it is sent and can
// act on them, as the main window closes its language menu when a language is chosen.
class MenuOwner : public RecordingWindow {
public:
    std::vector<HandledMessage> received;
    std::function<void(const HandledMessage&)> onMessage;

protected:
    std::span<const MessageEntry> messageTable() const override {
        static const MessageEntry table[] = {
            on(msg::kSwitchLanguage, &MenuOwner::record<msg::kSwitchLanguage>),
            on(msg::kMenuChoice, &MenuOwner::record<msg::kMenuChoice>),
        };
        return table;
    }

private:
    template <uint32_t Message>
    intptr_t record(uintptr_t wParam, intptr_t lParam) {
        received.push_back({Message, wParam, lParam});
        if (onMessage) onMessage(received.back());
        return 0;
    }
};

// Entries: "Alpha" (10) at y 6..27, a separator at y 30, "Beta" (20) at 32..53 and
// "Gamma" (30) at 54..75.
QPointer<CMenuEx> openMenu(MenuOwner& owner) {
    auto* menu = new CMenuEx;
    menu->AddEntry("Alpha", QImage(), 10);
    menu->AddSeparator();
    menu->AddEntry("Beta", QImage(), 20);
    menu->AddEntry("Gamma", QImage(), 30);
    menu->Popup(&owner, 100, 200, msg::kSwitchLanguage);
    return menu;
}

}  // namespace

class CMenuExTest : public QObject {
    Q_OBJECT

private slots:
    void clicks_data() {
        QTest::addColumn<QPoint>("pressAt");
        QTest::addColumn<QPoint>("releaseAt");
        QTest::addColumn<std::vector<HandledMessage>>("expected");
        QTest::addColumn<bool>("staysOpen");
        const HandledMessage closing{msg::kSwitchLanguage, 0, 0};
        QTest::newRow("click on an entry sends its value, then the close")
            << QPoint(50, 40) << QPoint(50, 40)
            << std::vector<HandledMessage>{{msg::kSwitchLanguage, 0, 20}, closing} << false;
        QTest::newRow("click on the picture column")
            << QPoint(8, 10) << QPoint(8, 10)
            << std::vector<HandledMessage>{{msg::kSwitchLanguage, 0, 10}, closing} << false;
        QTest::newRow("click on the separator")
            << QPoint(50, 30) << QPoint(50, 30) << std::vector<HandledMessage>{} << true;
        QTest::newRow("click in the margin")
            << QPoint(3, 3) << QPoint(3, 3) << std::vector<HandledMessage>{} << true;
        QTest::newRow("press on one entry, release over another")
            << QPoint(50, 10) << QPoint(50, 60) << std::vector<HandledMessage>{} << true;
        QTest::newRow("click elsewhere closes") << QPoint(-20, -20) << QPoint(-20, -20)
                                                << std::vector<HandledMessage>{closing} << false;
    }
    void clicks() {
        QFETCH(QPoint, pressAt);
        QFETCH(QPoint, releaseAt);
        QFETCH(std::vector<HandledMessage>, expected);
        QFETCH(bool, staysOpen);
        MenuOwner owner;
        QPointer<CMenuEx> menu = openMenu(owner);
        QVERIFY(menu->isVisible());
        x5k::uitest::moveAt(menu, pressAt);
        x5k::uitest::pressAt(menu, pressAt);
        x5k::uitest::moveAt(menu, releaseAt, Qt::LeftButton);
        if (menu) x5k::uitest::releaseAt(menu, releaseAt);
        QCOMPARE(owner.received, expected);
        QCOMPARE(!menu.isNull() && menu->isVisible(), staysOpen);
        if (staysOpen) QCOMPARE(menu->highlighted(), -1);
    }

    void ownerClosingOnTheChoiceHearsOneClose() {
        MenuOwner owner;
        QPointer<CMenuEx> menu = openMenu(owner);
        owner.onMessage = [&](const HandledMessage& m) {
            if (m.lParam != 0 && menu) menu->close();
        };
        x5k::uitest::clickAt(menu, QPoint(50, 60));
        const std::vector<HandledMessage> expected = {{msg::kSwitchLanguage, 0, 30},
                                                      {msg::kSwitchLanguage, 0, 0}};
        QCOMPARE(owner.received, expected);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(menu.isNull());
    }

    void losingActivationCloses() {
        MenuOwner owner;
        QPointer<CMenuEx> menu = openMenu(owner);
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(menu, &activate);
        QEvent deactivate(QEvent::WindowDeactivate);
        QApplication::sendEvent(menu, &deactivate);
        QCoreApplication::sendPostedEvents(menu);
        const std::vector<HandledMessage> expected = {{msg::kSwitchLanguage, 0, 0}};
        QCOMPARE(owner.received, expected);
        QVERIFY(menu.isNull() || !menu->isVisible());
    }

    void hoverHighlightsAndDraws_data() {
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<int>("highlighted");
        QTest::newRow("first entry") << QPoint(60, 12) << 0;
        QTest::newRow("last entry") << QPoint(60, 70) << 3;
        QTest::newRow("separator") << QPoint(60, 30) << -1;
        QTest::newRow("margin") << QPoint(112, 40) << -1;
    }
    void hoverHighlightsAndDraws() {
        QFETCH(QPoint, pointer);
        QFETCH(int, highlighted);
        MenuOwner owner;
        QPointer<CMenuEx> menu = openMenu(owner);
        x5k::uitest::moveAt(menu, pointer);
        QCOMPARE(menu->highlighted(), highlighted);
        const QImage image = menu->renderImage();
        const QColor lit(0, 147, 209);
        for (int i : {0, 2, 3}) {
            const QRect row = menu->entries()[static_cast<std::size_t>(i)].rect;
            // Left of the text and right of the (absent) picture: only the fill shows.
            const QColor shown = image.pixelColor(row.left() + 27, row.center().y());
            QCOMPARE(shown, i == highlighted ? lit : QColor(Qt::white));
        }
        QCOMPARE(image.pixelColor(0, 0), lit);  // the border of a menu without a picture
        QCOMPARE(image.pixelColor(60, 30), QColor(245, 245, 245));
        QVERIFY(owner.received.empty());
    }

    void layoutSizesThePopup() {
        MenuOwner owner;
        QPointer<CMenuEx> menu = openMenu(owner);
        QCOMPARE(menu->size(), QSize(116, 79));
        QCOMPARE(menu->entries()[1].rect, QRect(32, 30, 78, 1));
        QCOMPARE(menu->entries()[3].rect, QRect(6, 54, 104, 22));
        QCOMPARE(menu->pos(), QPoint(100, 200));
        QVERIFY(!menu->Popup(&owner, 0, 0, msg::kMenuChoice));
        QCOMPARE(menu->resultMessage(), msg::kSwitchLanguage);
    }

    void languageMenuListsTheTwelveLanguages() {
        MenuOwner owner;
        const QStringList labels = CMenuExA::languageLabels();
        QCOMPARE(labels.size(), 12);
        QCOMPARE(labels.first(), QStringLiteral("Chinese"));
        QCOMPARE(labels.last(), QStringLiteral("Trad.Chinese"));
        QPointer<CMenuEx> menu = new CMenuExA(labels);
        menu->Popup(&owner, 0, 0, msg::kSwitchLanguage);
        QCOMPARE(menu->entries().size(), std::size_t{12});
        for (int i = 0; i < 12; ++i) {
            const auto& entry = menu->entries()[static_cast<std::size_t>(i)];
            QCOMPARE(entry.text, labels[i]);
            QCOMPARE(entry.value, intptr_t{i + 1});
            QVERIFY(!entry.separator);
        }
        QCOMPARE(menu->size(), QSize(116, 273));
        // Choosing "French" asks the owner for language 3.
        x5k::uitest::clickAt(menu, menu->entries()[2].rect.center());
        QCOMPARE(owner.received.front(), (HandledMessage{msg::kSwitchLanguage, 0, 3}));
    }

    void goesWithItsOwner() {
        QPointer<CMenuEx> menu;
        {
            MenuOwner owner;
            menu = openMenu(owner);
        }
        QVERIFY(menu.isNull());
    }
};

X5K_UI_TEST_CLASS(CMenuExTest);

#include "CMenuExTest.moc"
