// The assignment pop-up through its widgets: keys captured by both paths, the result of
// every way out, the advanced page's file dialogs and the keyboard forwarding of the
// input hooks.

#include <QAccessible>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "functions/Assignment.h"
#include "functions/KeyNames.h"
#include "macros/InputHooks.h"
#include "macros/MacroRecord.h"
#include "pages/assign/CSettingDlg.h"
#include "pages/assign/CSetting_AdvanceDlg.h"
#include "pages/assign/CSetting_BaseDlg.h"
#include "pages/assign/CSetting_MacroDlg.h"
#include "pages/assign/CSetting_SingleComboDlg.h"
#include "platform/linux/EvdevTranslation.h"
#include "support/InertHookBackend.h"
#include "support/SampleMacro.h"
#include "support/UiTest.h"
#include "support/UsKeyboardLayout.h"
#include "ui/CBitmapEdit.h"
#include "ui/CGDIBitmapBtn.h"
#include "ui/CListBoxEx.h"
#include "ui/QtMessagePoster.h"

namespace {

using namespace x5k;
using assign::Modifier;
using pages::AssignmentServices;
using pages::CSettingDlg;

// A pop-up with the input hooks of a test (their callbacks called by hand), the
// platform's key table for the window's own keys and a few macros of group 2.
struct Popup {
    explicit Popup(int button = 0, bool hooksReadKeyboard = false) {
        for (const char* key :
             {"str_panel", "str_key_com", "str_macro_set", "str_basic", "str_advance",
              "str_disable", "str_ok", "str_default_setting", "str_browse", "str_cur_function",
              "str_advanced_sound", "str_advanced_exe", "str_advanced_file", "str_advanced_dir",
              "str_close", "str_lock", "str_run"}) {
            strings.set(key, std::string("T:") + key);
        }
        (void)macros.put(test::SampleMacro(0x0200'0011, "Jump"));
        (void)macros.put(test::SampleMacro(0x0200'0013, "Crouch"));
        hooks.InstallHooks(Window::MainWindow);
        services.hooksReadKeyboard = hooksReadKeyboard;
        dlg = std::make_unique<CSettingDlg>(nullptr, button, "Left", services);
        dlg->show();
    }

    // The pointer's click in the middle of a control.
    static void click(QWidget* widget) {
        uitest::clickAt(widget, widget->rect().center());
        QCoreApplication::sendPostedEvents();
    }
    static void clickRow(ui::CListBoxEx* list, int row) {
        list->scrollToItem(list->item(row));
        uitest::clickAt(list->viewport(), list->visualItemRect(list->item(row)).center());
        QCoreApplication::sendPostedEvents();
    }
    bool forwardingToKeyPage() const {
        return hooks.keyboardForwarding() && hooks.target() == Window::AssignmentKeyPage;
    }
    bool forwardingOff() const {
        return !hooks.keyboardForwarding() && hooks.target() == Window::MainWindow;
    }

    InterfaceStrings strings;
    test::UsKeyboardLayout keyboard;
    EvdevKeyEventTranslator translator;
    test::InertHookBackend backend;
    ui::QtMessagePoster poster;
    InputHooks hooks{backend, poster};
    MacroTable macros;
    AssignmentServices services{.strings = strings,
                                .chinese = false,
                                .keyboard = keyboard,
                                .keyEvents = &translator,
                                .hooksReadKeyboard = false,
                                .hooks = &hooks,
                                .poster = &poster,
                                .macros = macros,
                                .folders = {"/home/user", [](const auto&) { return true; }}};
    std::unique_ptr<CSettingDlg> dlg;
};

// A key as the hooks name it, as the kernel names it and as Qt names it.
struct TestKey {
    std::string_view name;
    uint32_t virtualKey;
    uint16_t evdev;
    Qt::Key qtKey;
    bool extended = false;
    bool keypad = false;
};
const TestKey kKeys[] = {
    {"LShift", 0xA0, 42, Qt::Key_Shift},
    {"RCtrl", 0xA3, 97, Qt::Key_Control, true},
    {"LAlt", 0xA4, 56, Qt::Key_Alt},
    {"LWin", 0x5B, 125, Qt::Key_Meta, true},
    {"A", 0x41, 30, Qt::Key_A},
    {"B", 0x42, 48, Qt::Key_B},
    {"Enter", 0x0D, 28, Qt::Key_Return},
    {"Esc", 0x1B, 1, Qt::Key_Escape},
    {"Space", 0x20, 57, Qt::Key_Space},
    {"Tab", 0x09, 15, Qt::Key_Tab},
    // Keypad 7 with Num Lock on, and off, when it is Home.
    {"KP7", 0x67, 71, Qt::Key_7, false, true},
    {"KPHome", 0x24, 71, Qt::Key_Home, false, true},
};
const TestKey& KeyNamed(std::string_view name) {
    for (const TestKey& key : kKeys) {
        if (key.name == name) return key;
    }
    qFatal("no such test key");
}

// One key event in both forms: the hooks' message and the window's own event. `step` is
// "+Key" (press), "-Key" (release) or "*Key" (auto-repeat).
void SendKey(Popup& popup, const QString& step, bool throughHooks) {
    const TestKey& key = KeyNamed(step.mid(1).toStdString());
    const QChar action = step.at(0);
    const Qt::KeyboardModifiers modifiers = key.keypad ? Qt::KeypadModifier : Qt::NoModifier;
    const auto windowEvent = [&](QEvent::Type type, bool repeat) {
        QKeyEvent event(type, key.qtKey, modifiers, key.evdev + 8u, 0, 0, QString(), repeat);
        QApplication::sendEvent(popup.dlg.get(), &event);
    };
    if (throughHooks) {
        const uint32_t flags = (key.extended ? 1u : 0u) | (action == '-' ? kKeyReleasedFlag : 0u);
        popup.hooks.OnKeyboardEvent(key.virtualKey, flags);
    }
    // The window receives every key too; where the hooks read the keyboard it must not
    // count a second time.
    if (action == '*') {
        windowEvent(QEvent::KeyRelease, true);
        windowEvent(QEvent::KeyPress, true);
    } else {
        windowEvent(action == '-' ? QEvent::KeyRelease : QEvent::KeyPress, false);
    }
    QCoreApplication::sendPostedEvents();
}

class CSettingDlgTest : public QObject {
    Q_OBJECT

private slots:
    void keysCaptureAlikeThroughBothPaths_data() {
        QTest::addColumn<bool>("throughHooks");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("toggles");  // the toggles on, of "CASW"
        QTest::addColumn<QString>("key");      // the captured key's test name, or empty

        struct Row {
            const char* name;
            const char* steps;
            const char* toggles;
            const char* key;
        };
        const Row rows[] = {
            {"shift press and release flips once", "+LShift -LShift", "S", ""},
            {"shift twice flips back", "+LShift -LShift +LShift -LShift", "", ""},
            {"the last key stays", "+A -A +B -B", "", "B"},
            {"right ctrl and a key", "+RCtrl -RCtrl +A -A", "C", "A"},
            {"windows key and a key", "+LWin -LWin +B", "W", "B"},
            {"a held modifier flips on every repeat", "+LAlt *LAlt *LAlt -LAlt", "A", ""},
            {"a release alone captures", "-B", "", "B"},
            {"enter is a key", "+Enter -Enter", "", "Enter"},
            {"escape is a key", "+Esc -Esc", "", "Esc"},
            {"space is a key", "+Space -Space", "", "Space"},
            {"tab is a key", "+Tab -Tab", "", "Tab"},
            {"keypad digit with num lock", "+KP7 -KP7", "", "KP7"},
            {"keypad home without num lock", "+KPHome -KPHome", "", "KPHome"},
        };
        for (const Row& row : rows) {
            for (const bool hooks : {false, true}) {
                QTest::addRow("%s (%s)", row.name, hooks ? "hooks" : "window")
                    << hooks << QString::fromLatin1(row.steps) << QString::fromLatin1(row.toggles)
                    << QString::fromLatin1(row.key);
            }
        }
    }

    void keysCaptureAlikeThroughBothPaths() {
        QFETCH(bool, throughHooks);
        QFETCH(QString, steps);
        QFETCH(QString, toggles);
        QFETCH(QString, key);
        Popup popup(0, throughHooks);
        QVERIFY(popup.forwardingToKeyPage());
        pages::CSetting_SingleComboDlg* page = popup.dlg->keyPage();
        QVERIFY(page->isVisible());
        QCOMPARE(popup.poster.window(Window::AssignmentKeyPage) != nullptr, throughHooks);

        for (const QString& step : steps.split(QLatin1Char(' ')))
            SendKey(popup, step, throughHooks);

        const std::pair<Modifier, QChar> letters[] = {{Modifier::Ctrl, 'C'},
                                                      {Modifier::Alt, 'A'},
                                                      {Modifier::Shift, 'S'},
                                                      {Modifier::Windows, 'W'}};
        for (const auto& [modifier, letter] : letters) {
            QCOMPARE(page->toggle(modifier)->IsChecked(), toggles.contains(letter));
        }
        const uint32_t virtualKey = key.isEmpty() ? 0 : KeyNamed(key.toStdString()).virtualKey;
        QCOMPARE(popup.dlg->model().keyPage().capturedKey(), virtualKey);
        const QString name =
            key.isEmpty() ? QString()
                          : QString::fromStdString(VirtualKeyName(virtualKey, popup.keyboard));
        QCOMPARE(page->keyName(), name);
        QAccessibleInterface* label = QAccessible::queryAccessibleInterface(page->keyNameLabel());
        QCOMPARE(label->text(QAccessible::Name), name);
        // No key ended the pop-up or moved the focus away from the key page.
        QVERIFY(!popup.dlg->ended());
        QVERIFY(page->isVisible());
    }

    void everyWayOutGivesItsResult() {
        struct Row {
            const char* name;
            int button;
            std::function<void(Popup&)> act;
            std::optional<AssignmentResult> expected;
        };
        const auto key = [](uint32_t vk, bool ctrl, bool alt, bool shift) {
            return AssignmentResult{
                0,
                static_cast<int32_t>(ComposeKeyValue(vk, ctrl, alt, shift, false)),
                kKindKey,
                0,
                {}};
        };
        const auto ok = [](Popup& p) { Popup::click(p.dlg->okButton()); };
        const std::vector<Row> rows = {
            {"ctrl and shift clicked, B typed", 0,
             [&](Popup& p) {
                 Popup::click(p.dlg->keyPage()->toggle(Modifier::Ctrl));
                 Popup::click(p.dlg->keyPage()->toggle(Modifier::Shift));
                 SendKey(p, "+B", false);
                 ok(p);
             },
             key(0x42, true, false, true)},
            {"alt alone", 0,
             [&](Popup& p) {
                 Popup::click(p.dlg->keyPage()->toggle(Modifier::Alt));
                 ok(p);
             },
             key(0, false, true, false)},
            {"alt and ctrl without a key", 0,
             [&](Popup& p) {
                 Popup::click(p.dlg->keyPage()->toggle(Modifier::Alt));
                 Popup::click(p.dlg->keyPage()->toggle(Modifier::Ctrl));
                 ok(p);
             },
             std::nullopt},
            {"a toggle clicked twice is off", 0,
             [&](Popup& p) {
                 Popup::click(p.dlg->keyPage()->toggle(Modifier::Shift));
                 Popup::click(p.dlg->keyPage()->toggle(Modifier::Shift));
                 SendKey(p, "+A", false);
                 ok(p);
             },
             key(0x41, false, false, false)},
            {"the second macro of the second game", 2,
             [&](Popup& p) {
                 Popup::click(p.dlg->tab(2));
                 Popup::clickRow(p.dlg->macroPage()->gameList(), 1);
                 Popup::clickRow(p.dlg->macroPage()->macroList(), 1);
                 ok(p);
             },
             AssignmentResult{2, 0x0200'0013, kKindMacro, 0, {}}},
            {"a game without a macro chosen", 2,
             [&](Popup& p) {
                 Popup::click(p.dlg->tab(2));
                 Popup::clickRow(p.dlg->macroPage()->gameList(), 1);
                 ok(p);
             },
             std::nullopt},
            {"another game empties the macro choice", 2,
             [&](Popup& p) {
                 Popup::click(p.dlg->tab(2));
                 Popup::clickRow(p.dlg->macroPage()->gameList(), 1);
                 Popup::clickRow(p.dlg->macroPage()->macroList(), 0);
                 Popup::clickRow(p.dlg->macroPage()->gameList(), 4);
                 ok(p);
             },
             std::nullopt},
            {"a basic row", 3,
             [&](Popup& p) {
                 Popup::click(p.dlg->tab(3));
                 Popup::clickRow(p.dlg->basicPage()->list(), 2);
                 ok(p);
             },
             AssignmentResult{3, 84, kKindCatalogue, 0, {}}},
            {"the basic list's last row, scrolled to", 3,
             [&](Popup& p) {
                 Popup::click(p.dlg->tab(3));
                 Popup::clickRow(p.dlg->basicPage()->list(), 23);
                 ok(p);
             },
             AssignmentResult{3, 143, kKindCatalogue, 0, {}}},
            {"a program path typed", 4,
             [&](Popup& p) {
                 Popup::click(p.dlg->tab(4));
                 Popup::click(p.dlg->advancedPage()->radio(1));
                 QTest::keyClicks(p.dlg->advancedPage()->pathBox(1), "/usr/bin/gimp");
                 ok(p);
             },
             AssignmentResult{4, HostActionCode(1, 4), kKindHostAction, 1, "/usr/bin/gimp"}},
            {"a path of another row than the radio's", 4,
             [&](Popup& p) {
                 Popup::click(p.dlg->tab(4));
                 p.dlg->advancedPage()->setPathDialog(
                     [](QWidget*, const assign::PathRequest&) { return std::string("/a.txt"); });
                 Popup::click(p.dlg->advancedPage()->browseButton(2));
                 Popup::click(p.dlg->advancedPage()->radio(0));
                 ok(p);
             },
             std::nullopt},
            {"disabled after visiting the macro page", 5,
             [&](Popup& p) {
                 Popup::click(p.dlg->tab(2));
                 Popup::click(p.dlg->disableBox());
                 ok(p);
             },
             AssignmentResult{5, 7, kKindDisabled, 0, {}}},
            {"disabled and enabled again shows the key page", 5,
             [&](Popup& p) {
                 Popup::click(p.dlg->tab(3));
                 Popup::click(p.dlg->disableBox());
                 Popup::click(p.dlg->disableBox());
                 QVERIFY(p.dlg->keyPage()->isVisible());
                 QVERIFY(p.dlg->tab(1)->IsChecked());
                 ok(p);
             },
             std::nullopt},
            {"default of the wheel backward", 6,
             [&](Popup& p) {
                 SendKey(p, "+A", false);
                 Popup::click(p.dlg->defaultButton());
             },
             AssignmentResult{6, 22, kKindCatalogue, 0, {}}},
            {"close after a choice", 1,
             [&](Popup& p) {
                 SendKey(p, "+A", false);
                 Popup::click(p.dlg->closeButton());
             },
             std::nullopt},
            {"closed by the desktop", 1,
             [&](Popup& p) {
                 SendKey(p, "+A", false);
                 p.dlg->close();
             },
             std::nullopt},
        };
        for (const Row& row : rows) {
            Popup popup(row.button);
            row.act(popup);
            QVERIFY2(popup.dlg->ended(), row.name);
            QVERIFY2(!popup.dlg->isVisible(), row.name);
            QVERIFY2(popup.dlg->outcome() == row.expected, row.name);
            // Every way out gives the keyboard back to the main window.
            QVERIFY2(popup.forwardingOff(), row.name);
            QVERIFY2(popup.poster.window(Window::AssignmentKeyPage) == nullptr, row.name);
        }
    }

    void forwardingFollowsTheShownPage() {
        Popup popup(0, true);
        const std::pair<QWidget*, bool> clicks[] = {
            {popup.dlg->tab(2), false},      {popup.dlg->tab(1), true},
            {popup.dlg->tab(4), false},      {popup.dlg->tab(1), true},
            {popup.dlg->disableBox(), true},  // no page shows; nothing else takes the keys
            {popup.dlg->disableBox(), true},
        };
        for (const auto& [control, forwarding] : clicks) {
            Popup::click(control);
            QCOMPARE(popup.forwardingToKeyPage(), forwarding);
            QCOMPARE(popup.poster.window(Window::AssignmentKeyPage) != nullptr,
                     popup.dlg->keyPage()->isVisible());
        }
        // A pop-up destroyed while open still gives the keyboard back.
        popup.dlg.reset();
        QVERIFY(popup.forwardingOff());
        QVERIFY(popup.poster.window(Window::AssignmentKeyPage) == nullptr);
    }

    void browseAsksTheDialogOfItsRow_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<QString>("answer");  // "-" for a cancelled dialog
        QTest::addColumn<bool>("folderChooser");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("path");
        QTest::newRow("sound confirmed") << 0 << false << "/s/ding.wav" << false << "(*.wav*)"
                                         << "/s/ding.wav";
        QTest::newRow("program cancelled") << 1 << false << "-" << false << "(*)"
                                           << "old";
        QTest::newRow("file by double click") << 2 << true << "/f/a.txt" << false << "(*)"
                                              << "/f/a.txt";
        QTest::newRow("folder confirmed") << 3 << false << "/home/user/Music" << true << ""
                                          << "/home/user/Music";
        QTest::newRow("folder cancelled by double click") << 3 << true << "-" << true << ""
                                                          << "old";
    }

    void browseAsksTheDialogOfItsRow() {
        QFETCH(int, row);
        QFETCH(bool, doubleClick);
        QFETCH(QString, answer);
        QFETCH(bool, folderChooser);
        QFETCH(QString, filter);
        QFETCH(QString, path);
        Popup popup(3);
        Popup::click(popup.dlg->tab(4));
        pages::CSetting_AdvanceDlg* page = popup.dlg->advancedPage();
        QTest::keyClicks(page->pathBox(row), "old");
        Popup::click(page->radio((row + 1) % 4));

        std::vector<assign::PathRequest> asked;
        page->setPathDialog([&](QWidget*, const assign::PathRequest& request) {
            asked.push_back(request);
            return answer == "-" ? std::nullopt : std::optional(answer.toStdString());
        });
        if (doubleClick) {
            QTest::mouseDClick(page->pathBox(row), Qt::LeftButton);
        } else {
            Popup::click(page->browseButton(row));
        }
        QCOMPARE(asked.size(), size_t{1});
        QCOMPARE(asked[0].dialog == assign::PathDialog::ChooseFolder, folderChooser);
        QCOMPARE(asked[0].nameFilters.empty() ? QString()
                                              : QString::fromStdString(asked[0].nameFilters[0]),
                 filter);
        for (int r = 0; r < assign::kAdvancedRowCount; ++r) {
            QCOMPARE(page->radio(r)->IsChecked(), r == row);
        }
        QCOMPARE(page->pathBox(row)->text(), path);
        QCOMPARE(QString::fromStdString(popup.dlg->model().advancedPage().path(row)), path);
    }

    void runShowsItModallyAndReturnsTheOutcome() {
        Popup popup(4);
        popup.dlg->hide();
        QWidget owner;
        owner.setGeometry(100, 100, 960, 640);
        owner.show();
        auto dlg = std::make_unique<CSettingDlg>(&owner, 4, "Back", popup.services);
        bool wasModal = false;
        QPoint centre;
        QTimer::singleShot(0, dlg.get(), [&] {
            wasModal = dlg->isVisible() && dlg->isModal();
            centre = dlg->frameGeometry().center();
            // Enter and Escape on the key page are keys to capture, not a way out.
            SendKey(popup, "+Esc", false);
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, 36, 0, 0);
            QApplication::sendEvent(dlg.get(), &enter);
            QVERIFY(!dlg->ended());
            Popup::click(dlg->defaultButton());
        });
        const assign::DialogOutcome outcome = dlg->run();
        QVERIFY(wasModal);
        QVERIFY((centre - owner.frameGeometry().center()).manhattanLength() <= 2);
        QVERIFY(outcome == (AssignmentResult{4, 16, kKindCatalogue, 0, {}}));
        QVERIFY(dlg->model().keyPage().capturedKey() == 0x0D);
    }

    void controlsTellScreenReadersWhatTheyAre() {
        Popup popup(0);
        popup.dlg->model();
        struct Row {
            QWidget* widget;
            QAccessible::Role role;
            QString name;
        };
        const QString t = QStringLiteral("T:");
        auto* dlg = popup.dlg.get();
        const std::vector<Row> rows = {
            {dlg->closeButton(), QAccessible::PushButton, t + "str_close"},
            {dlg->tab(1), QAccessible::PageTab, t + "str_key_com"},
            {dlg->tab(4), QAccessible::PageTab, t + "str_advance"},
            {dlg->disableBox(), QAccessible::CheckBox, t + "str_disable"},
            {dlg->defaultButton(), QAccessible::PushButton, t + "str_default_setting"},
            {dlg->okButton(), QAccessible::PushButton, t + "str_ok"},
            {dlg->keyPage()->toggle(Modifier::Windows), QAccessible::CheckBox, "Windows"},
            {dlg->macroPage()->gameList(), QAccessible::List, t + "str_macro_set"},
            {dlg->basicPage()->list(), QAccessible::List, t + "str_basic"},
            {dlg->advancedPage()->radio(2), QAccessible::RadioButton, t + "str_advanced_file"},
            {dlg->advancedPage()->pathBox(3), QAccessible::EditableText, t + "str_advanced_dir"},
            {dlg->advancedPage()->browseButton(0), QAccessible::PushButton, t + "str_browse"},
        };
        for (const Row& row : rows) {
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(row.widget);
            QVERIFY(face != nullptr);
            QCOMPARE(face->text(QAccessible::Name), row.name);
            QCOMPARE(face->role(), row.role);
        }
        QVERIFY(QAccessible::queryAccessibleInterface(dlg->tab(1))->state().checked);
        QVERIFY(!QAccessible::queryAccessibleInterface(dlg->tab(2))->state().checked);
        Popup::click(dlg->keyPage()->toggle(Modifier::Ctrl));
        QVERIFY(QAccessible::queryAccessibleInterface(dlg->keyPage()->toggle(Modifier::Ctrl))
                    ->state()
                    .checked);
    }
};

}  // namespace

X5K_UI_TEST_CLASS(CSettingDlgTest);

#include "CSettingDlgTest.moc"
