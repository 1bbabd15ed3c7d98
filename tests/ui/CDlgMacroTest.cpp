// The macro page in the running main window: keys reach a recording by the hooks and by
// the window's own key events alike and count once, the pads record clicks, the editing
// widgets show what the page's rules say, the loop count keeps digits and is brought into
// range, a name of twenty characters outside the basic plane survives the file, leaving
// the page ends a recording, and every control has a name for screen readers.

#include <QAccessible>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidgetItem>
#include <QStringList>
#include <QTest>

#include <chrono>
#include <string>

#include "macros/MacroTable.h"
#include "pages/macros/CDlgMacro.h"
#include "platform/linux/EvdevTranslation.h"
#include "support/DriverRig.h"
#include "ui/CGDIBitmapBtn.h"
#include "ui/CListBoxEx.h"
#include "ui/MenuExComponent.h"

using namespace x5k;
using namespace x5k::uitest;
using Button = pages::CDlgMacro::Button;

namespace {

// A key as the hooks name it, as the kernel names it and as Qt names it.
struct TestKey {
    const char* name;
    uint32_t virtualKey;
    uint16_t evdev;
    Qt::Key qtKey;
};
constexpr TestKey kKeys[] = {
    {"A", 0x41, 30, Qt::Key_A},          {"B", 0x42, 48, Qt::Key_B},
    {"LShift", 0xA0, 42, Qt::Key_Shift}, {"Enter", 0x0D, 28, Qt::Key_Return},
    {"Space", 0x20, 57, Qt::Key_Space},  {"Tab", 0x09, 15, Qt::Key_Tab},
    {"Esc", 0x1B, 1, Qt::Key_Escape},    {"Down", 0x28, 108, Qt::Key_Down},
};
const TestKey& KeyNamed(const QString& name) {
    for (const TestKey& key : kKeys) {
        if (name == QLatin1String(key.name)) return key;
    }
    qFatal("no such test key");
}

// The pads' reports and the inputs they post, handled.
void Settle() {
    for (int turn = 0; turn < 2; ++turn) QCoreApplication::sendPostedEvents();
}

// Where the keys come from: the hooks alone, the window alone, or both at once (the
// hooks read the keyboard and the window has the focus).
enum class Path { Hooks, Window, Both };

struct MacroRig {
    MacroRig(Path path = Path::Window)
        : rig(Setup{.beforeStart = [this, path](Rig& r) {
              r.services.keyEvents = &translator;
              r.services.hooksReadKeyboard = [path] { return path != Path::Window; };
          }}) {
        rig.window->show();
        rig.window->selectPage(3);
        QCoreApplication::processEvents();
    }
    pages::CDlgMacro* page() const { return rig.window->macroPage(); }
    void click(Button which) {
        page()->button(which)->click();
        QCoreApplication::sendPostedEvents();
    }
    // New Macro, named at once in its row's editor.
    void newMacro(const QString& name) {
        click(Button::NewMacro);
        QLineEdit* editor = page()->macroList()->editor();
        QVERIFY(editor);
        editor->setText(name);
        QTest::keyRelease(editor, Qt::Key_Return);
        QCoreApplication::sendPostedEvents();
    }
    // "+A" presses, "-A" releases, "~A" repeats A, "50" lets 50 ms pass.
    void keys(const QStringList& steps, Path path) {
        for (const QString& step : steps) {
            if (step[0].isDigit()) {
                rig.clock.advance(std::chrono::milliseconds(step.toInt()));
                continue;
            }
            const TestKey& key = KeyNamed(step.mid(1));
            const bool release = step[0] == u'-';
            if (path != Path::Window) {
                rig.hooks.OnKeyboardEvent(key.virtualKey, release ? kKeyReleasedFlag : 0);
            }
            if (path != Path::Hooks) {
                QWidget* target =
                    QApplication::focusWidget() ? QApplication::focusWidget() : page();
                QKeyEvent event(release ? QEvent::KeyRelease : QEvent::KeyPress, key.qtKey,
                                Qt::NoModifier, key.evdev + 8u, 0, 0, QString(), step[0] == u'~');
                QApplication::sendEvent(target, &event);
            }
            QCoreApplication::sendPostedEvents();
        }
    }
    QStringList eventRows() const {
        QStringList rows;
        for (int row = 0; row < page()->eventList()->GetCount(); ++row) {
            rows << page()->eventList()->GetText(row);
        }
        return rows;
    }
    const MacroTable& table() const { return rig.window->macros().table(); }

    EvdevKeyEventTranslator translator;
    Rig rig;
};

}  // namespace

class CDlgMacroTest : public QObject {
    Q_OBJECT

private slots:
    void recordingTakesKeysByEitherPathOnce_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("rows");
        const QStringList a{"A", "20  ms", "A"};
        QTest::newRow("a key with its pause") << QStringList{"+A", "20", "-A"} << a;
        QTest::newRow("held key's repeats") << QStringList{"+A", "~A", "~A", "20", "-A"} << a;
        QTest::newRow("shift and a key")
            << QStringList{"+LShift", "+A", "5", "-A", "-LShift"}
            << QStringList{"L_Shift", "0  ms", "A", "5  ms", "A", "0  ms", "L_Shift"};
        // Keys a page or a list would take for itself are recorded instead.
        QTest::newRow("enter, space, tab, escape, down")
            << QStringList{"+Enter", "-Enter", "+Space", "-Space", "+Tab",
                           "-Tab",   "+Esc",   "-Esc",   "+Down",  "-Down"}
            << QString(
                   "Enter|0  ms|Enter|0  ms|Space|0  ms|Space|0  ms|Tab|0  ms|Tab|0  ms|ESC|0  "
                   "ms|ESC|0  ms|DOWN|0  ms|DOWN")
                   .split(u'|');
    }
    void recordingTakesKeysByEitherPathOnce() {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, rows);
        for (const Path path : {Path::Hooks, Path::Window, Path::Both}) {
            MacroRig m(path);
            m.newMacro(QStringLiteral("Test"));
            m.click(Button::Record);
            QVERIFY(m.page()->isRecording());
            m.keys(steps, path);
            m.click(Button::Record);
            QVERIFY(!m.page()->isRecording());
            QCOMPARE(m.eventRows().join(u'|'), rows.join(u'|'));
            // The recording was stored under the row's name, in the file too.
            const std::vector<MacroListRow> listed = m.table().listGroup(21);
            QCOMPARE(listed.size(), size_t{1});
            QCOMPARE(listed[0].name, std::string("Test"));
            QVERIFY(m.rig.window->macros().flush());
            QVERIFY(std::filesystem::file_size(m.rig.dataFile("Macro.cfg")) > 0);
            QCOMPARE(m.page()->focusNoticeGiven(), path == Path::Window);
        }
    }

    void thePadsRecordClicks() {
        MacroRig m;
        m.newMacro(QStringLiteral("Clicks"));
        m.click(Button::Record);
        for (const Button pad : {Button::ClickPad, Button::MenuPad}) {
            QTest::mouseClick(m.page()->button(pad), Qt::LeftButton);
            Settle();
        }
        m.click(Button::Record);
        const QString recorded =
            "Left Button|0  ms|Left Button|0  ms|Right Button|0  ms|Right Button";
        QCOMPARE(m.eventRows().join(u'|'), recorded);
        // Outside recording and key capture a pad records nothing.
        QTest::mouseClick(m.page()->button(Button::ClickPad), Qt::LeftButton);
        Settle();
        QCOMPARE(m.eventRows().join(u'|'), recorded);
    }

    void theEditingWidgetsFollowTheRules() {
        MacroRig m;
        m.newMacro(QStringLiteral("Edit"));
        m.click(Button::Record);
        m.keys({"+A", "30", "-A"}, Path::Window);
        m.click(Button::Record);
        const auto shown = [&](Button b) { return m.page()->button(b)->isVisible(); };
        QVERIFY(m.page()->macroList()->isVisible() && m.page()->eventList()->isVisible());
        QVERIFY(m.page()->loopEdit()->isVisible());
        QVERIFY(!shown(Button::KeySelector) && !shown(Button::DelaySelector));
        // Insert a key before the pause: the key field shows the captured key by name.
        m.page()->eventList()->SetCurSel(1);
        m.page()->post(msg::kListSelectionChanged, macropage::kEventListId, 1);
        QCoreApplication::sendPostedEvents();
        m.click(Button::Insert);
        QVERIFY(shown(Button::KeySelector) && shown(Button::DelaySelector));
        QVERIFY(!m.page()->keyField()->isVisible() && !shown(Button::KeyOk));
        m.click(Button::KeySelector);
        QVERIFY(m.page()->keyField()->isVisible() && shown(Button::KeyOk));
        QVERIFY(m.page()->button(Button::KeySelector)->IsChecked());
        m.keys({"+B", "-B"}, Path::Window);
        QCOMPARE(m.page()->keyField()->text(), QStringLiteral("B"));
        m.click(Button::KeyOk);
        QCOMPARE(m.eventRows(), (QStringList{"A", "B", "B", "30  ms", "A"}));
        // The rows show their kinds' icons; a screen reader hears which rows press and which
        // release.
        QVERIFY(m.page()->eventList()->showsIcons());
        QCOMPARE(m.page()->eventList()->item(1)->data(Qt::AccessibleTextRole).toString(),
                 QStringLiteral("\u2193 B"));
        QCOMPARE(m.page()->eventList()->item(2)->data(Qt::AccessibleTextRole).toString(),
                 QStringLiteral("\u2191 B"));
        QVERIFY(!shown(Button::KeySelector) && !m.page()->keyField()->isVisible());
        // Modify the pause through the delay field, which keeps digits only.
        m.page()->eventList()->SetCurSel(3);
        m.page()->post(msg::kListSelectionChanged, macropage::kEventListId, 3);
        QCoreApplication::sendPostedEvents();
        m.click(Button::Modify);
        QVERIFY(m.page()->delayField()->isVisible() && !shown(Button::KeySelector));
        QTest::keyClicks(m.page()->delayField(), QStringLiteral("1x2y5"));
        QCOMPARE(m.page()->delayField()->text(), QStringLiteral("125"));
        m.click(Button::DelayOk);
        QCOMPARE(m.eventRows(), (QStringList{"A", "B", "B", "125  ms", "A"}));
        // Every edit is stored at once.
        const std::optional<MacroRecord> stored = m.table().copyOf(m.table().listGroup(21)[0].id);
        QVERIFY(stored);
        QCOMPARE(RowsOfRecord(*stored).rows.size(), size_t{5});
    }

    void theLoopCountKeepsDigitsAndIsBroughtIntoRange_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("normalised");
        QTest::addColumn<int>("repeat");
        QTest::newRow("leading zeros") << "0050"
                                       << "0050"
                                       << "50" << 50;
        QTest::newRow("letters pasted") << "1a2b"
                                        << "12"
                                        << "12" << 12;
        QTest::newRow("empty") << ""
                               << ""
                               << "1" << 1;
        QTest::newRow("zero") << "0"
                              << "0"
                              << "1" << 1;
        QTest::newRow("too many") << "99999"
                                  << "99999"
                                  << "65533" << 65533;
        QTest::newRow("six digits typed") << "123456"
                                          << "12345"
                                          << "12345" << 12345;
    }
    void theLoopCountKeepsDigitsAndIsBroughtIntoRange() {
        QFETCH(QString, typed);
        QFETCH(QString, field);
        QFETCH(QString, normalised);
        QFETCH(int, repeat);
        MacroRig m;
        m.newMacro(QStringLiteral("Loop"));
        m.click(Button::Record);
        m.keys({"+A", "-A"}, Path::Window);
        m.click(Button::Record);
        QLineEdit* loop = m.page()->loopEdit();
        loop->selectAll();
        loop->del();
        if (typed.isEmpty()) emit loop->textEdited(QString());
        loop->insert(typed);
        emit loop->textEdited(loop->text());
        QCOMPARE(loop->text(), field);
        QVERIFY(m.page()->loopTimer().isActive());
        m.page()->loopTimer().setInterval(0);  // the four seconds, passed at once
        QTRY_VERIFY(!m.page()->loopTimer().isActive());
        QCOMPARE(loop->text(), normalised);
        const int32_t id = m.table().listGroup(21)[0].id;
        QCOMPARE(m.table().copyOf(id)->get(macro::kRepeatCount), repeat);
    }

    void aLongNameOutsideTheBasicPlaneSurvivesTheFile() {
        QString name;
        for (int i = 0; i < 21; ++i) name += QString::fromUcs4(U"\U0001F600");
        MacroRig m;
        m.newMacro(name);
        m.click(Button::Record);
        m.keys({"+A", "-A"}, Path::Window);
        m.click(Button::Record);
        const QString twenty = name.left(40);  // twenty characters, forty units
        QCOMPARE(m.page()->macroList()->GetText(0), twenty);
        QVERIFY(m.rig.window->macros().flush());
        MacroStore reread(m.rig.files, m.rig.clock, m.rig.messages.recorded,
                          m.rig.localisation.strings(), m.rig.services.dataFolder);
        QVERIFY(reread.loadFile());
        QCOMPARE(QString::fromStdString(reread.table().listGroup(21).at(0).name), twenty);
    }

    void groupMenuShowsTheChosenGroup() {
        MacroRig m;
        m.click(Button::Group);
        ui::MenuExWindow* menu = ui::OpenMenuEx();
        QVERIFY(menu);
        QCOMPARE(menu->entries().size(), size_t{21});
        QVERIFY(m.page()->model()->view().groupMenuOpen);
        m.page()->post(msg::kMenuChoice, 0, 7);
        QCoreApplication::sendPostedEvents();
        QVERIFY(!ui::OpenMenuEx());
        QCOMPARE(m.page()->shownGroup(), 7);
        QCOMPARE(m.page()->button(Button::Group)->Caption(),
                 QString::fromStdString(m.page()->model()->view().groupCaption));
        m.newMacro(QStringLiteral("Seven"));
        QCOMPARE(static_cast<uint32_t>(m.page()->macroList()->GetItemData(0)) >> 24, 7u);
        // Another page closes an open menu.
        m.click(Button::Group);
        QVERIFY(ui::OpenMenuEx());
        m.rig.window->selectPage(1);
        QVERIFY(!ui::OpenMenuEx());
        QVERIFY(!m.page()->model()->view().groupMenuOpen);
    }

    void anotherPageEndsTheRecordingAndApplyNormalises() {
        MacroRig m;
        m.newMacro(QStringLiteral("Left"));
        m.click(Button::Record);
        m.keys({"+A", "-A"}, Path::Window);
        m.rig.window->selectPage(1);
        QVERIFY(!m.page()->isRecording());
        QVERIFY(!m.rig.hooks.keyboardForwarding());
        QCOMPARE(m.table().listGroup(21).size(), size_t{1});
        m.rig.window->selectPage(3);
        emit m.page()->loopEdit()->textEdited(QStringLiteral("007"));
        m.rig.window->onApply();
        QCOMPARE(m.page()->loopEdit()->text(), QStringLiteral("7"));
    }

    void everyControlHasANameInTheLanguage() {
        MacroRig m;
        m.rig.window->post(msg::kSwitchLanguage, 0, 5);  // German
        QCoreApplication::sendPostedEvents();
        QStringList unnamed;
        for (int b = 0; b < pages::CDlgMacro::kButtonCount; ++b) {
            ui::CGDIBitmapBtn* button = m.page()->button(static_cast<Button>(b));
            if (QAccessible::queryAccessibleInterface(button)->text(QAccessible::Name).isEmpty()) {
                unnamed << QString::number(b);
            }
        }
        for (QWidget* w : {static_cast<QWidget*>(m.page()->macroList()),
                           static_cast<QWidget*>(m.page()->eventList()),
                           static_cast<QWidget*>(m.page()->loopEdit())}) {
            if (w->accessibleName().isEmpty()) unnamed << w->metaObject()->className();
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u',')));
        QCOMPARE(m.page()->button(Button::NewMacro)->accessibleName(),
                 QString::fromStdString(m.rig.string("str_new_macro")));
        QAccessibleInterface* toggle =
            QAccessible::queryAccessibleInterface(m.page()->button(Button::NoDelays));
        QCOMPARE(toggle->role(), QAccessible::CheckBox);
        QTest::mouseClick(m.page()->button(Button::NoDelays), Qt::LeftButton);
        QVERIFY(toggle->state().checked);
        QVERIFY(m.page()->model()->view().noDelays);
    }
};

X5K_UI_TEST_CLASS(CDlgMacroTest);
#include "CDlgMacroTest.moc"
