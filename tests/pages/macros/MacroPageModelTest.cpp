// The macro page's rules over a macro store in a temporary folder, with a virtual clock.

#include "pages/macros/MacroPageModel.h"

#include <gtest/gtest.h>

#include <functional>

#include "functions/FunctionCatalogue.h"
#include "localisation/InterfaceStrings.h"
#include "support/FaultyFileSystem.h"
#include "support/InertHookBackend.h"
#include "support/RecordingPoster.h"
#include "support/RecordingUserMessages.h"
#include "support/TempFolder.h"
#include "support/VirtualClock.h"

namespace x5k::macropage {
namespace {

using namespace std::chrono_literals;
using Rows = std::vector<EventRow>;

constexpr uint32_t kA = 0x41, kB = 0x42, kC = 0x43, kUp = kKeyReleasedFlag;
constexpr int32_t kSeven1 = 0x0700'0001, kSeven2 = 0x0700'0002, kCustom = 0x1500'0003;
const Rows kFive = {PressRow(kB), DelayRow(100), ReleaseRow(kB), PressRow(kC), ReleaseRow(kC)};

struct Page {
    test::TempFolder data;
    test::FaultyFileSystem files;
    test::VirtualClock clock;
    test::RecordingUserMessages messages;
    InterfaceStrings strings;
    MacroStore store{files, clock, messages, strings, data.path()};
    test::InertHookBackend backend;
    test::RecordingPoster poster;
    InputHooks hooks{backend, poster};
    ConfigBlock config;
    ProfileImage profile = DefaultProfile(false);
    MacroPageModel model{{store, hooks, poster, clock, messages, config, profile}, false};

    Page() {
        hooks.InstallHooks(Window::MainWindow);
        hooks.SetForwarding(false, false);  // as the main window leaves them at start-up
        // An existing file, so no save reports a missing one.
        const std::vector<uint8_t> empty(MacroTable::kFileSize);
        (void)files.replace(store.filePath(), empty);
        put(kSeven1, "Seven one", kFive, "3");
        put(kCustom, "Mine", {PressRow(kA)}, "1");
        put(kSeven2, "Seven two", {PressRow(kC), ReleaseRow(kC)}, "1");
        clock.advance(0x0123'4567ms);
    }
    void put(int32_t id, std::string_view name, Rows rows, std::string_view loop) {
        ASSERT_EQ(StoreEventRows(store, rows, loop, id, name).stored, StoreResult::Stored);
    }
    Rows stored(int32_t id) const {
        const auto record = store.table().copyOf(id);
        return record ? RowsOfRecord(*record).rows : Rows{};
    }
    // Group 7 with its first macro (kFive) and event row `row` selected.
    void onFirstSeven(int row) {
        model.chooseGroup(7);
        model.selectMacro(0);
        model.selectEvent(row);
    }
};

TEST(MacroPageModel, GroupsListAndNewIds) {
    Page p;
    p.model.chooseGroup(7);
    ViewState v = p.model.view();
    EXPECT_EQ(v.groupCaption, "Civilization 5 ");
    EXPECT_EQ(v.macroRows,
              (std::vector<MacroListRow>{{"Seven one", kSeven1}, {"Seven two", kSeven2}}));
    EXPECT_EQ(v.selectedMacro, 1);  // the last row added ends selected and shows
    EXPECT_EQ(v.eventRows, (Rows{PressRow(kC), ReleaseRow(kC)}));

    p.model.newMacro();
    v = p.model.view();
    EXPECT_EQ(v.macroRows.back().name, "New Macro");
    EXPECT_EQ(macro::GroupOf(v.macroRows.back().id), 7);
    EXPECT_EQ(v.renameRow, 2);
    EXPECT_TRUE(v.eventRows.empty());
    EXPECT_EQ(v.loopText, "1");
    EXPECT_FALSE(p.store.table().slotOf(v.macroRows.back().id));  // a row only, for now
    p.model.newMacro();                                           // in the same tick
    EXPECT_NE(p.model.view().macroRows[3].id, v.macroRows[2].id);
    EXPECT_EQ(macro::GroupOf(p.model.view().macroRows[3].id), 7);

    p.model.chooseGroup(22);  // no such group: empty caption and list, group kept
    EXPECT_EQ(p.model.view().groupCaption, "");  // the unstored rows are gone with the list
    EXPECT_TRUE(p.model.view().macroRows.empty());
    EXPECT_EQ(p.model.currentGroup(), 7);
    EXPECT_EQ(GroupMenuPosition(), (layout::Point{26, 72}));
}

struct EditCase {
    const char* name;
    int selectedRow;
    std::function<void(MacroPageModel&)> steps;
    Rows rows;  // on the page and in the stored macro
    int selection;
};

TEST(MacroPageModel, InsertModifyAndDeleteEventsTable) {
    const auto insertKey = [](uint32_t code) {
        return [code](MacroPageModel& m) {
            m.insert();
            m.clickKeySelector();
            if (code) m.hookInput(code, 0);
            m.clickOk(OkButton::Key);
        };
    };
    const auto insertDelay = [](std::string text) {
        return [text](MacroPageModel& m) {
            m.insert();
            m.clickDelaySelector();
            m.typeDelay(text);
            m.clickOk(OkButton::Delay);
        };
    };
    const auto modifyTo = [](uint32_t code, std::string delay) {
        return [code, delay](MacroPageModel& m) {
            m.modify();
            if (code) m.hookInput(code, kUp);
            m.typeDelay(delay);
            m.clickOk(m.editMode() == EditMode::ModifyKey ? OkButton::Key : OkButton::Delay);
        };
    };
    const EditCase cases[] = {
        {"key A at the third row",
         2,
         insertKey(kA),
         {PressRow(kB), DelayRow(100), PressRow(kA), ReleaseRow(kA), ReleaseRow(kB), PressRow(kC),
          ReleaseRow(kC)},
         3},
        {"no key captured", 2, insertKey(0), kFive, 2},
        {"delay at the first row", 0, insertDelay("30"), kFive, 0},
        {"delay below a delay merges up",
         2,
         insertDelay("30"),
         {PressRow(kB), DelayRow(130), ReleaseRow(kB), PressRow(kC), ReleaseRow(kC)},
         2},
        {"delay on a delay row adds",
         1,
         insertDelay("30"),
         {PressRow(kB), DelayRow(130), ReleaseRow(kB), PressRow(kC), ReleaseRow(kC)},
         1},
        {"delay between keys is a new row",
         3,
         insertDelay("0007"),
         {PressRow(kB), DelayRow(100), ReleaseRow(kB), DelayRow(7), PressRow(kC), ReleaseRow(kC)},
         3},
        {"delay field keeps digits only",
         3,
         insertDelay("x4y56789"),
         {PressRow(kB), DelayRow(100), ReleaseRow(kB), DelayRow(4567), PressRow(kC),
          ReleaseRow(kC)},
         3},
        {"modify a release row keeps its kind",
         2,
         modifyTo(kA, ""),
         {PressRow(kB), DelayRow(100), ReleaseRow(kA), PressRow(kC), ReleaseRow(kC)},
         2},
        {"modify a delay row",
         1,
         modifyTo(0, "2500"),
         {PressRow(kB), DelayRow(2500), ReleaseRow(kB), PressRow(kC), ReleaseRow(kC)},
         1},
        {"modify a delay row to empty",
         1,
         modifyTo(0, ""),
         {PressRow(kB), DelayRow(0), ReleaseRow(kB), PressRow(kC), ReleaseRow(kC)},
         1},
        {"modify a key without a new key", 0, modifyTo(0, ""), kFive, 0},
        {"a delay after a deletion merges up",
         2,
         [](MacroPageModel& m) {
             m.deleteEvent();  // B up goes
             m.selectEvent(2);
             m.insert();
             m.clickDelaySelector();
             m.typeDelay("5");
             m.clickOk(OkButton::Delay);
         },
         {PressRow(kB), DelayRow(105), PressRow(kC), ReleaseRow(kC)},
         2},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.name);
        Page p;
        p.onFirstSeven(c.selectedRow);
        c.steps(p.model);
        const ViewState v = p.model.view();
        EXPECT_EQ(v.eventRows, c.rows);
        EXPECT_EQ(v.selectedEvent, c.selection);
        EXPECT_EQ(p.stored(kSeven1), c.rows);
        EXPECT_EQ(p.model.editMode(), EditMode::Idle);
        EXPECT_FALSE(v.keySelectorShown || v.delaySelectorShown || v.keyOkShown || v.delayOkShown);
        EXPECT_FALSE(p.hooks.keyboardForwarding());
    }
}

TEST(MacroPageModel, OkButtonArithmeticTable) {
    using enum OkAction;
    const struct {
        EditMode mode;
        OkAction key, delay;
    } cases[] = {
        {EditMode::Idle, None, None},          {EditMode::InsertKey, Insert, None},
        {EditMode::InsertDelay, None, Insert}, {EditMode::ModifyKey, Modify, None},
        {EditMode::ModifyDelay, None, Modify},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OkButtonAction(OkButton::Key, c.mode), c.key) << EditModeNumber(c.mode);
        EXPECT_EQ(OkButtonAction(OkButton::Delay, c.mode), c.delay) << EditModeNumber(c.mode);
    }
}

TEST(MacroPageModel, EditModeTransitionsTable) {
    using M = MacroPageModel&;
    const struct {
        const char* name;
        std::function<void(M)> steps;
        EditMode mode;
        bool keyField, delayField;
    } cases[] = {
        {"insert", [](M m) { m.insert(); }, EditMode::InsertKey, false, false},
        {"delay selector", [](M m) { m.insert(), m.clickDelaySelector(); }, EditMode::InsertDelay,
         false, true},
        {"back to the key selector",
         [](M m) { m.insert(), m.clickDelaySelector(), m.clickKeySelector(); }, EditMode::InsertKey,
         true, false},
        {"modify a press row", [](M m) { m.modify(); }, EditMode::ModifyKey, true, false},
        {"key selector keeps a modification", [](M m) { m.modify(), m.clickKeySelector(); },
         EditMode::ModifyKey, true, false},
        {"modify a delay row", [](M m) { m.selectEvent(1), m.modify(); }, EditMode::ModifyDelay,
         false, true},
        {"another event row", [](M m) { m.modify(), m.selectEvent(2); }, EditMode::Idle, false,
         false},
        {"another macro", [](M m) { m.insert(), m.clickKeySelector(), m.selectMacro(1); },
         EditMode::Idle, false, false},
        {"new macro", [](M m) { m.modify(), m.newMacro(); }, EditMode::Idle, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Page p;
        p.onFirstSeven(0);
        c.steps(p.model);
        EXPECT_EQ(p.model.editMode(), c.mode);
        EXPECT_EQ(p.model.view().keyFieldShown, c.keyField);
        EXPECT_EQ(p.model.view().delayFieldShown, c.delayField);
        EXPECT_EQ(p.hooks.keyboardForwarding(), c.keyField);
        EXPECT_EQ(p.model.padInput(MousePad::Middle, true), IsKeyEdit(c.mode));
    }
}

TEST(MacroPageModel, EmptyListsAndTheOnlyRow) {
    Page p;
    p.model.chooseGroup(7);
    p.model.newMacro();
    const int32_t id = p.model.view().macroRows.back().id;
    p.model.insert();  // no row can be selected: nothing to insert at
    p.model.clickKeySelector();
    p.model.hookInput(kA, 0);
    p.model.clickOk(OkButton::Key);
    EXPECT_TRUE(p.model.view().eventRows.empty());
    EXPECT_FALSE(p.store.table().slotOf(id));

    p.model.selectMacro(1);  // Seven two: press and release C
    p.model.selectEvent(0);
    p.model.deleteEvent();
    p.model.deleteEvent();  // the only row left goes; nothing is stored for it
    EXPECT_TRUE(p.model.view().eventRows.empty());
    EXPECT_EQ(p.stored(kSeven2), (Rows{ReleaseRow(kC)}));
    p.model.selectMacro(0);
    p.model.selectMacro(1);
    EXPECT_EQ(p.model.view().eventRows, (Rows{ReleaseRow(kC)}));
}

TEST(MacroPageModel, LoopCountNormaliserTable) {
    const struct {
        std::string typed;
        std::string field;                // after typing (digits only, five at most)
        std::vector<std::string> writes;  // by the 4-second tick
        int32_t repeat;                   // stored in the end
    } cases[] = {
        {"0050", "0050", {"50"}, 50},         {"", "", {"1"}, 1},     {"0", "0", {"", "1"}, 1},
        {"99999", "99999", {"65533"}, 65533}, {"1a2b", "12", {}, 12}, {"7", "7", {}, 7},
        {"123456", "12345", {}, 12345},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(NormaliseLoopText(c.field).writes, c.writes);
        Page p;
        p.onFirstSeven(0);
        const int before = p.model.storeCount();
        p.model.typeLoop(c.typed);
        EXPECT_EQ(p.model.view().loopText, c.field);
        EXPECT_EQ(p.model.storeCount(), before + 1);  // stored at once
        p.model.loopTimerTick();
        EXPECT_EQ(p.model.storeCount(), before + 1 + static_cast<int>(c.writes.size()));
        EXPECT_EQ(p.store.table().copyOf(kSeven1)->get(macro::kRepeatCount), c.repeat);
        p.model.NormaliseLoopCounts();  // nothing left to correct
        EXPECT_EQ(p.model.storeCount(), before + 1 + static_cast<int>(c.writes.size()));
    }
}

TEST(MacroPageModel, ShowingAMacroNeverStoresIt) {
    Page p;
    p.model.chooseGroup(7);
    p.model.selectMacro(0);
    p.model.chooseGroup(21);
    EXPECT_EQ(p.model.storeCount(), 0);
    EXPECT_EQ(p.model.view().loopText, "1");
    p.model.chooseGroup(7);
    p.model.selectMacro(0);
    EXPECT_EQ(p.model.view().loopText, "3");
}

TEST(MacroPageModel, DeleteRefusedWhileBoundTable) {
    const struct {
        const char* name;
        std::function<void(Page&)> bind;
        bool deleted;
    } cases[] = {
        {"unbound", [](Page&) {}, true},
        {"profile 4, not current", [](Page& p) { p.config.set(config::MacroId(3, 5), kSeven1); },
         false},
        {"working profile",
         [](Page& p) {
             p.profile.set(profile::FunctionCode(2), kFunctionMacro);
             p.profile.set(profile::MacroId(2), kSeven1);
         },
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Page p;
        c.bind(p);
        p.onFirstSeven(0);
        p.model.deleteMacro();
        EXPECT_EQ(p.store.table().slotOf(kSeven1).has_value(), !c.deleted);
        EXPECT_EQ(p.model.view().macroRows.size(), c.deleted ? 1u : 2u);
        const std::vector<std::string> refusal = {
            "The macro is being applied and cannot be deleted!"};
        EXPECT_EQ(p.messages.texts(), c.deleted ? std::vector<std::string>{} : refusal);
    }
}

TEST(MacroPageModel, RenameKeepsEventsAndCountsCharactersTable) {
    const std::string emoji = "\U0001F600";
    std::string emoji20, emoji21;
    for (int i = 0; i < 20; ++i) emoji20 += emoji;
    emoji21 = emoji20 + emoji;
    const struct {
        std::string typed, kept;
    } cases[] = {
        {"Jump and duck twice!!", "Jump and duck twice!"},
        {"一二三四五六七八九十一二三四五六七八九十一", "一二三四五六七八九十一二三四五六七八九十"},
        {"a" + emoji + "b", "a" + emoji + "b"},
        // Twenty characters outside the basic plane fill the record's 40 units.
        {emoji20, emoji20},
        {emoji21, emoji20},
    };
    for (const auto& c : cases) {
        Page p;
        p.onFirstSeven(0);
        EXPECT_EQ(p.model.renameMacro(0, c.typed), c.kept);
        EXPECT_EQ(p.store.table().nameOf(kSeven1), c.kept);
        EXPECT_EQ(p.stored(kSeven1), kFive);
        EXPECT_EQ(p.store.table().copyOf(kSeven1)->get(macro::kRepeatCount), 3);
        EXPECT_EQ(p.model.view().macroRows[0].name, c.kept);
    }
}

TEST(MacroPageModel, RecordingRefusalsAndStops) {
    const struct {
        const char* name;
        std::function<void(MacroPageModel&)> edit;
        std::string message;
    } refusals[] = {
        {"key insertion", [](MacroPageModel& m) { m.insert(); },
         "It is Modifying or inserting a button,you can not record"},
        {"delay modification",
         [](MacroPageModel& m) {
             m.selectEvent(1);
             m.modify();
         },
         "It is Modifying or inserting a delay,you can not record"},
    };
    for (const auto& c : refusals) {
        SCOPED_TRACE(c.name);
        Page p;
        p.onFirstSeven(0);
        c.edit(p.model);
        p.model.ToggleRecording();
        EXPECT_FALSE(p.model.recording());
        EXPECT_EQ(p.messages.texts(), std::vector<std::string>{c.message});
    }

    Page p;  // stopped by choosing another macro: the rows go to the recorded one
    p.onFirstSeven(0);
    p.model.ToggleRecording();
    EXPECT_EQ(p.model.view().recordCaption, "Stop Record");
    EXPECT_FALSE(p.model.view().editButtonsEnabled);
    EXPECT_TRUE(p.hooks.keyboardForwarding());  // typed keys reach the page
    p.model.hookInput(kA, 0);
    p.clock.advance(40ms);
    p.model.hookInput(kA, kUp);
    p.model.selectMacro(1);
    EXPECT_FALSE(p.model.recording());
    EXPECT_EQ(p.model.view().recordCaption, "Start Record");
    EXPECT_EQ(p.stored(kSeven1), (Rows{PressRow(kA), DelayRow(40), ReleaseRow(kA)}));
    EXPECT_EQ(p.stored(kSeven2), (Rows{PressRow(kC), ReleaseRow(kC)}));

    p.model.ToggleRecording();  // on Seven two; the group menu ends it the same way
    p.model.hookInput(kB, 0);
    p.model.chooseGroup(21);
    EXPECT_FALSE(p.model.recording());
    EXPECT_EQ(p.stored(kSeven2), (Rows{PressRow(kB)}));

    p.model.ToggleRecording();  // on Mine; leaving the page ends it too
    p.model.hookInput(kC, 0);
    p.model.openGroupMenu();
    p.model.pageLeft();
    EXPECT_FALSE(p.model.recording() || p.model.view().groupMenuOpen);
    EXPECT_EQ(p.stored(kCustom), (Rows{PressRow(kC)}));
}

TEST(MacroPageModel, RecordingCapAndNoDelays) {
    Page p;
    p.onFirstSeven(0);
    p.model.setNoDelays(true);
    p.model.ToggleRecording();
    for (int i = 0; i < 1000; ++i) p.model.hookInput(kA, i % 2 ? kUp : 0);
    EXPECT_EQ(p.model.view().eventRows.size(), 999u);
    p.model.ToggleRecording();
    EXPECT_EQ(p.stored(kSeven1).size(), 999u);
    EXPECT_EQ(p.stored(kSeven1)[998], PressRow(kA));
}

TEST(MacroPageModel, HintsTable) {
    const struct {
        layout::Point at;
        bool chinese, recording;
        std::vector<int> hints;
    } cases[] = {
        {{30, 415}, false, false, {40}}, {{800, 30}, false, false, {45}},
        {{800, 30}, false, true, {46}},  {{730, 220}, true, false, {49}},
        {{730, 220}, false, false, {}},  {{355, 420}, false, false, {42}},
        {{355, 420}, true, false, {}},   {{100, 100}, false, false, {87}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HintsAt(c.at, c.chinese, c.recording), c.hints) << c.at.x << "," << c.at.y;
    }
}

}  // namespace
}  // namespace x5k::macropage
