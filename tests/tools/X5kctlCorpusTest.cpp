// x5kctl fed damaged and hostile input: every row makes one input in a fresh folder, runs
// one command on it in its own process under a time limit, and checks the exit status
// against the man page, that the output holds no raw control character, and that nothing
// in the folder changed but what the command may write (apply: the state file, and only
// when it succeeded).

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "common/ByteRecord.h"
#include "device/emulator/MouseStateFile.h"
#include "functions/FunctionCatalogue.h"
#include "macros/MacroBuilder.h"
#include "macros/MacroRecord.h"
#include "macros/MacroTable.h"
#include "profiles/ProfileImage.h"
#include "support/TempFolder.h"

namespace x5k {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

constexpr int32_t kMacroIdInUse = 0x15000064;

// --- the run ---------------------------------------------------------------------------

struct ToolRun {
    bool exited = false;  // false: killed by a signal, or by the time limit
    int status = -1;
    bool timedOut = false;
    std::string out, err;
};

// Runs x5kctl with `arguments` and the environment `environment`, stdin closed, killing
// it after `limit`.
ToolRun RunTool(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
            std::chrono::milliseconds limit) {
    ToolRun run;
    int outPipe[2], errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) return run;
    std::vector<char*> argv{const_cast<char*>(X5KCTL_PATH)};
    for (const std::string& word : arguments) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& word : environment) envp.push_back(const_cast<char*>(word.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    ::posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    pid_t child = -1;
    const int spawned =
        ::posix_spawn(&child, X5KCTL_PATH, &actions, nullptr, argv.data(), envp.data());
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    if (spawned != 0) {
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        return run;
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.out, &run.err};
    int openPipes = 2;
    while (openPipes > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            run.timedOut = true;
            ::kill(child, SIGKILL);
            break;
        }
        if (::poll(fds, 2, static_cast<int>(left.count())) < 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !fds[i].revents) continue;
            char buffer[4096];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(n));
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --openPipes;
            }
        }
    }
    for (const pollfd& fd : fds) {
        if (fd.fd >= 0) ::close(fd.fd);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    run.exited = !run.timedOut && WIFEXITED(status);
    run.status = run.exited ? WEXITSTATUS(status) : -1;
    return run;
}

// The first raw control character in `text` (C0 but newline, DEL, C1 as UTF-8); empty
// when there is none.
std::string RawControl(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0u;
        if ((byte < 0x20 && byte != '\n') || byte == 0x7F ||
            (byte == 0xC2 && next >= 0x80 && next < 0xA0)) {
            return "byte " + std::to_string(byte) + " at " + std::to_string(i);
        }
    }
    return {};
}

// --- the folder before and after -------------------------------------------------------

struct Entry {
    fs::file_type type;
    mode_t mode;
    off_t size;
    int64_t mtime;  // ns
    size_t hash;    // of the content of a regular file, the target of a link
    bool operator==(const Entry&) const = default;
};

using Snapshot = std::map<std::string, Entry>;

// The whole content of a regular file, read in one go: the corpus holds files of 10 MB.
std::string Content(const fs::path& path, off_t size) {
    std::string content(static_cast<size_t>(size), '\0');
    std::ifstream in(path, std::ios::binary);
    in.read(content.data(), size);
    content.resize(static_cast<size_t>(in.gcount()));
    return content;
}

Snapshot Take(const fs::path& root) {
    Snapshot snapshot;
    std::vector<fs::path> folders{root};
    while (!folders.empty()) {
        const fs::path folder = folders.back();
        folders.pop_back();
        std::error_code error;
        for (fs::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            const fs::path path = it->path();
            struct stat info {};
            if (::lstat(path.c_str(), &info) != 0) continue;
            const fs::file_type type = fs::symlink_status(path, error).type();
            std::string content;
            if (S_ISREG(info.st_mode)) {
                content = Content(path, info.st_size);
            } else if (S_ISLNK(info.st_mode)) {
                content = fs::read_symlink(path, error).string();
            } else if (S_ISDIR(info.st_mode)) {
                folders.push_back(path);
            }
            snapshot[path.lexically_relative(root).string()] = {
                type, info.st_mode, info.st_size,
                int64_t{info.st_mtim.tv_sec} * 1'000'000'000 + info.st_mtim.tv_nsec,
                std::hash<std::string>{}(content)};
        }
    }
    return snapshot;
}

// --- the inputs ------------------------------------------------------------------------

Bytes ValidProfile() {
    const ProfileImage image = DefaultProfile(false);
    return {image.bytes().begin(), image.bytes().end()};
}

// A macro file whose slot 3 holds a macro of a press and a release.
Bytes ValidMacroFile() {
    std::vector<EventRow> rows = {PressRow(0x41), ReleaseRow(0x41)};
    const MacroRecord record = *BuildMacroRecord(rows, "1", kMacroIdInUse, "a").record;
    Bytes bytes(MacroTable::kFileSize, 0);
    std::copy(record.bytes().begin(), record.bytes().end(), bytes.begin() + 3 * macro::kSize);
    return bytes;
}

Bytes ValidState() {
    const std::string text = FormatMouseState(MouseState{});
    return {text.begin(), text.end()};
}

// What a row changes in a valid file; `size` is the file's right size.
using Edit = std::function<void(Bytes&)>;

// The kinds of input a row gives.
enum class Input {
    Bytes,        // the valid file with the row's edit
    Missing,      // nothing there
    Folder,       // a folder
    Fifo,         // a named pipe nobody writes to
    LinkLoop,     // a link to a link to it
    Dangling,     // a link to nothing
    Unreadable,   // the valid file with mode 000
};

// The command a row runs; the input takes the place of one of its files.
enum class Command {
    ShowProfile,  // show-profile INPUT
    Macros,       // macros INPUT
    EncodeMacro,  // encode-macro INPUT ID
    ExportJson,        // export-json INPUT
    ExportJsonMacros,  // export-json PROFILE --macros INPUT
    // The commands from here on write the emulated mouse's state file.
    Apply,        // apply INPUT --emulated=STATE
    ApplyMacros,  // apply PROFILE --macros INPUT --emulated=STATE
    ApplyState,   // apply PROFILE --emulated=INPUT
};

struct Row {
    Row(std::string name, Command command, Input input = Input::Bytes, Edit edit = {},
        int status = 0, std::string id = "15000064", std::string fileName = "input",
        std::string shown = "")
        : name(std::move(name)),
          command(command),
          input(input),
          edit(std::move(edit)),
          status(status),
          id(id.empty() ? "15000064" : std::move(id)),
          fileName(std::move(fileName)),
          shown(std::move(shown)) {}

    std::string name;
    Command command;
    Input input;
    Edit edit;  // of the valid file; none leaves it valid
    int status;
    std::string id;  // for encode-macro
    std::string fileName;
    std::string shown;  // text the output must hold, when set
};

Bytes ValidFor(Command command) {
    switch (command) {
        case Command::ShowProfile:
        case Command::ExportJson:
        case Command::Apply:
            return ValidProfile();
        case Command::Macros:
        case Command::EncodeMacro:
        case Command::ExportJsonMacros:
        case Command::ApplyMacros:
            return ValidMacroFile();
        case Command::ApplyState:
            return ValidState();
    }
    return {};
}

// --- the table -------------------------------------------------------------------------

std::string HexName(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", value);
    return text;
}

Edit Resize(std::function<size_t(size_t)> size) {
    return [size](Bytes& bytes) { bytes.resize(size(bytes.size()), 0); };
}

Edit Fill(uint8_t byte) {
    return [byte](Bytes& bytes) { std::fill(bytes.begin(), bytes.end(), byte); };
}

Edit Random() {
    return [](Bytes& bytes) {
        std::mt19937 random(20261210);
        for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
    };
}

Edit SetWord(size_t offset, uint32_t value) {
    return [offset, value](Bytes& bytes) { SetU32(bytes, offset, value); };
}

Edit Then(Edit first, Edit second) {
    return [first, second](Bytes& bytes) {
        first(bytes);
        second(bytes);
    };
}

// UTF-16 units written over a text field, with a terminating zero when room is left.
Edit Units(size_t offset, size_t room, std::u16string units) {
    return [offset, room, units](Bytes& bytes) {
        for (size_t i = 0; i < room; ++i) {
            SetU16(bytes, offset + 2 * i, i < units.size() ? units[i] : 0);
        }
    };
}

std::u16string Ascii(const char* text) {
    return {text, text + std::char_traits<char>::length(text)};
}

const uint32_t kExtremes[] = {0x80000000u, 0x7FFFFFFFu, 0xFFFFFFFFu};

const char* ExtremeName(uint32_t value) {
    return value == 0x80000000u ? "min" : value == 0x7FFFFFFFu ? "max" : "all_ff";
}

// Every integer field of a profile after its magic set to `value`.
Edit EveryProfileField(uint32_t value) {
    return [value](Bytes& bytes) {
        using namespace profile;
        for (int b = 0; b < kButtonCount; ++b) {
            for (size_t at : {FunctionCode(b).offset, MacroId(b).offset, HostActionKind(b).offset,
                              KeyValue(b).offset, HostActionCode(b).offset}) {
                SetU32(bytes, at, value);
            }
        }
        for (size_t at = Resolution(0).offset; at < kSize; at += 4) SetU32(bytes, at, value);
    };
}

// The rows every command gets, whatever its file: the shapes of a damaged file and the
// things that are not a file. `tooShort` and `tooLong` are the statuses a file of the
// wrong size earns; `garbage` that of random or 0xFF bytes of the right size.
void AddCommonRows(std::vector<Row>& rows, Command command, const std::string& prefix,
                   int tooShort, int tooLong, int garbage) {
    const bool slow = command == Command::Apply || command == Command::ApplyMacros ||
                      command == Command::ApplyState;
    const auto add = [&](std::string name, Input input, Edit edit, int status) {
        // A successful apply takes a second of the mouse's pauses: such rows are few.
        rows.push_back({prefix + "_" + name, command, input, std::move(edit), status});
    };
    // Rows whose apply would succeed are left to the few chosen below.
    add("empty", Input::Bytes, Resize([](size_t) { return 0; }), tooShort == 0 ? 1 : tooShort);
    add("one_byte", Input::Bytes, Resize([](size_t) { return 1; }), tooShort == 0 ? 1 : tooShort);
    if (!slow || tooShort != 0) {
        add("size_minus_one", Input::Bytes, Resize([](size_t n) { return n - 1; }), tooShort);
        add("half", Input::Bytes, Resize([](size_t n) { return n / 2; }), tooShort);
    }
    if (!slow || tooLong != 0) {
        add("size_plus_one", Input::Bytes, Resize([](size_t n) { return n + 1; }), tooLong);
        add("ten_megabytes", Input::Bytes, Resize([](size_t) { return 10u << 20; }), tooLong);
    }
    if (!slow || garbage != 0) {
        add("random", Input::Bytes, Random(), garbage);
        add("all_ff", Input::Bytes, Fill(0xFF), garbage);
    }
    add("missing", Input::Missing, nullptr, 3);
    add("folder", Input::Folder, nullptr, 1);
    add("fifo", Input::Fifo, nullptr, 1);
    add("link_loop", Input::LinkLoop, nullptr, 3);
    add("dangling_link", Input::Dangling, nullptr, 3);
    add("unreadable", Input::Unreadable, nullptr, 3);
}

std::vector<Row> Rows() {
    std::vector<Row> rows;
    using namespace profile;
    const auto add = [&rows](Row row) { rows.push_back(std::move(row)); };

    // show-profile: a short or long file with the magic is shown with the rest as zero
    // or ignored, as the program loads it; without the magic it is not a profile.
    AddCommonRows(rows, Command::ShowProfile, "show_profile", 0, 0, 1);
    add({"show_profile_valid", Command::ShowProfile});
    add({"show_profile_wrong_magic", Command::ShowProfile, Input::Bytes,
         SetWord(kMagic.offset, kMagicValue ^ 1), 1});
    add({"show_profile_short_without_magic", Command::ShowProfile, Input::Bytes,
         Then(Resize([](size_t) { return 3; }), Fill(0x26)), 1});
    // Each integer field of button 0 and after the buttons in turn.
    struct Field {
        std::string name;
        size_t offset;
    };
    std::vector<Field> fields;
    // Each field of button 0 alone; the other buttons' fields at once, below.
    for (int b : {0}) {
        const std::string button = "b" + std::to_string(b) + "_";
        fields.push_back({button + "function", FunctionCode(b).offset});
        fields.push_back({button + "macro_id", MacroId(b).offset});
        fields.push_back({button + "action_kind", HostActionKind(b).offset});
        fields.push_back({button + "key_value", KeyValue(b).offset});
        fields.push_back({button + "action_code", HostActionCode(b).offset});
    }
    for (int slot = 0; slot < kResolutionSlots; ++slot) {
        fields.push_back({"dpi" + std::to_string(slot), Resolution(slot).offset});
    }
    for (const Field& field : std::vector<Field>{{"sensor_height", kSensorHeight.offset},
                                                 {"report_rate", kReportRate.offset},
                                                 {"lighting_mode", kLightingMode.offset},
                                                 {"colour", kLightingColour.offset},
                                                 {"colour_source", kColourSource.offset},
                                                 {"swatch", kPresetSwatch.offset},
                                                 {"light_switch", kLightSwitch.offset},
                                                 {"precision", kPrecision.offset},
                                                 {"pointer_speed", kPointerSpeed.offset},
                                                 {"mode1_level", kMode1Level.offset},
                                                 {"mode2_level", kMode2Level.offset},
                                                 {"scroll_lines", kScrollLines.offset}}) {
        fields.push_back(field);
    }
    for (const Field& field : fields) {
        for (const uint32_t value : kExtremes) {
            add({"show_profile_" + field.name + "_" + ExtremeName(value),
                 Command::ShowProfile, Input::Bytes, SetWord(field.offset, value), 0});
        }
    }
    // The fields that count only with a function: a key, a macro, a computer action; and
    // every field at once.
    for (const uint32_t value : kExtremes) {
        const std::string extreme = ExtremeName(value);
        add({"show_profile_every_field_" + extreme, Command::ShowProfile, Input::Bytes,
             EveryProfileField(value)});
        add({"show_profile_key_" + extreme, Command::ShowProfile, Input::Bytes,
             Then(SetWord(FunctionCode(2).offset, kFunctionKey), SetWord(KeyValue(2).offset, value))});
        add({"show_profile_macro_" + extreme, Command::ShowProfile, Input::Bytes,
             Then(SetWord(FunctionCode(2).offset, kFunctionMacro), SetWord(MacroId(2).offset, value))});
        add({"show_profile_action_" + extreme, Command::ShowProfile, Input::Bytes,
             Then(SetWord(FunctionCode(2).offset, kFunctionHostAction),
                  Then(SetWord(HostActionKind(2).offset, value),
                       SetWord(HostActionCode(2).offset, value)))});
    }
    // Names and paths with controls, lone surrogates and a field without its zero.
    const Edit hostileNames =
        Then(Then(Units(DisplayName(0).offset, kPathUnits, Ascii("\x1b[2J\x07" "Clear\x7f")),
                  Units(DisplayName(1).offset, kPathUnits, u"\xD800" u"A\xDC00\x009B" u"31m")),
             Then(Units(HostActionPath(2).offset, kPathUnits, std::u16string(1, u'\xDBFF')),
                  Units(DisplayName(3).offset, kPathUnits, std::u16string(kPathUnits, u'\x1b'))));
    add({"show_profile_hostile_names", Command::ShowProfile, Input::Bytes, hostileNames, 0, "", "input",
         "\\x1b[2J\\x07Clear\\x7f"});
    add({"show_profile_escape_in_path", Command::ShowProfile, Input::Bytes, nullptr, 0, "",
         "in\x1b[2J\xff\xc0\xed\xa0\x80.cfg", "in\\x1b[2J\\xff\\xc0\\xed\\xa0\\x80.cfg"});

    // macros and encode-macro: a file of another size is no macro file; any content of
    // the right size lists, however garbled.
    AddCommonRows(rows, Command::Macros, "macros", 1, 1, 0);
    AddCommonRows(rows, Command::EncodeMacro, "encode_macro", 1, 1, 1);
    add({"macros_valid", Command::Macros});
    add({"encode_macro_valid", Command::EncodeMacro});
    add({"encode_macro_unknown_id", Command::EncodeMacro, Input::Bytes, nullptr, 1, "15000065"});
    add({"encode_macro_zero_id", Command::EncodeMacro, Input::Bytes, nullptr, 1, "0"});
    add({"encode_macro_all_ff_id_ffffffff", Command::EncodeMacro, Input::Bytes, Fill(0xFF), 0,
         "FFFFFFFF"});
    add({"encode_macro_id_not_hex", Command::EncodeMacro, Input::Bytes, nullptr, 2, "15x"});
    add({"encode_macro_id_negative", Command::EncodeMacro, Input::Bytes, nullptr, 2, "-1"});
    // export-json reads its files as the commands above do: a file that is not a profile
    // or not a macro file is refused, one that cannot be read is not read.
    AddCommonRows(rows, Command::ExportJson, "export_json", 1, 1, 1);
    AddCommonRows(rows, Command::ExportJsonMacros, "export_json_macros", 1, 1, 0);
    add({"export_json_valid", Command::ExportJson});
    add({"export_json_macros_valid", Command::ExportJsonMacros});
    add({"encode_macro_id_too_big", Command::EncodeMacro, Input::Bytes, nullptr, 2, "100000000"});
    const size_t slot3 = 3 * macro::kSize;
    for (const auto& [name, offset] : std::vector<std::pair<std::string, size_t>>{
             {"size_tag", macro::kSizeTag.offset},
             {"format_tag", macro::kFormatTag.offset},
             {"reserved", macro::kReserved.offset},
             {"repeat", macro::kRepeatCount.offset},
             {"event_count", macro::kEventCount.offset},
             {"macro_id", macro::kMacroId.offset}}) {
        for (const uint32_t value : kExtremes) {
            const Edit edit = SetWord(slot3 + offset, value);
            const std::string suffix = name + "_" + ExtremeName(value);
            add({"macros_" + suffix, Command::Macros, Input::Bytes, edit});
            // The record keeps its ID, unless that is the field changed.
            const bool id = offset == macro::kMacroId.offset;
            add({"encode_macro_" + suffix, Command::EncodeMacro, Input::Bytes, edit, 0,
                 id ? HexName(value) : "15000064"});
        }
    }
    // Every event word of the slot at an extreme, with the count at its most.
    for (const auto& [name, word] : std::vector<std::pair<std::string, uint32_t>>{
             {"press_max", macro::MakeEvent(macro::kPress, 0xFFFFFF)},
             {"delay_max", macro::MakeEvent(macro::kDelay, 0xFFFFFF)},
             {"all_ff", 0xFFFFFFFFu}}) {
        const Edit edit = [word, slot3](Bytes& bytes) {
            SetU32(bytes, slot3 + macro::kEventCount.offset, macro::kMaxEvents);
            for (int i = 0; i < macro::kMaxEvents; ++i) {
                SetU32(bytes, slot3 + macro::Event(i).offset, word);
            }
        };
        add({"macros_events_" + name, Command::Macros, Input::Bytes, edit});
        add({"encode_macro_events_" + name, Command::EncodeMacro, Input::Bytes, edit});
    }
    const Edit hostileMacroName = Then(
        Units(slot3 + macro::kName.offset, macro::kNameUnits, u"\x1b[2J\xDC00\x0085\xD800"),
        // The name of slot 4, a copy of slot 3, fills its field: no terminating zero.
        [slot3](Bytes& bytes) {
            std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(slot3), macro::kSize,
                        bytes.begin() + static_cast<std::ptrdiff_t>(slot3 + macro::kSize));
            SetU32(bytes, slot3 + macro::kSize + macro::kMacroId.offset, kMacroIdInUse + 1);
            for (size_t i = 0; i < macro::kNameUnits; ++i) {
                SetU16(bytes, slot3 + macro::kSize + macro::kName.offset + 2 * i, 0x1B);
            }
        });
    add({"macros_hostile_names", Command::Macros, Input::Bytes, hostileMacroName, 0, "", "input",
         "\\x1b[2J"});
    add({"encode_macro_hostile_name", Command::EncodeMacro, Input::Bytes, hostileMacroName, 0,
         "15000064", "input", "\\x1b[2J"});
    add({"encode_macro_unterminated_name", Command::EncodeMacro, Input::Bytes, hostileMacroName,
         0, "15000065", "input", "\\x1b\\x1b"});
    add({"macros_escape_in_path", Command::Macros, Input::Missing, nullptr, 3, "",
         "in\x1b[2J\xff.cfg", "in\\x1b[2J\\xff.cfg"});

    // apply: what is not a profile is refused before the mouse is touched; a profile
    // applies, its short or long file as the program's import takes it.
    AddCommonRows(rows, Command::Apply, "apply", 0, 0, 1);
    add({"apply_wrong_magic", Command::Apply, Input::Bytes, SetWord(kMagic.offset, 0), 1});
    add({"apply_half", Command::Apply, Input::Bytes, Resize([](size_t n) { return n / 2; })});
    for (const uint32_t value : kExtremes) {
        add({std::string("apply_every_field_") + ExtremeName(value), Command::Apply, Input::Bytes,
             EveryProfileField(value)});
    }
    add({"apply_hostile_names", Command::Apply, Input::Bytes, hostileNames, 0, "",
         "in\x1b[2J\xff.cfg"});
    // --macros: only a macro file of the right size is taken.
    AddCommonRows(rows, Command::ApplyMacros, "apply_macros", 1, 1, 0);
    add({"apply_macros_valid", Command::ApplyMacros});
    // The state file: anything but a state file or nothing is left alone and refused.
    AddCommonRows(rows, Command::ApplyState, "apply_state", 1, 1, 1);
    // Nothing at the state path is covered by the state file's own tests; a link to nothing
    // is nothing there too: the state is written in its place.
    std::erase_if(rows, [](const Row& row) {
        return row.command == Command::ApplyState && row.input == Input::Missing;
    });
    for (Row& row : rows) {
        if (row.command != Command::ApplyState) continue;
        if (row.input == Input::Dangling) row.status = 0;
        // A state without its last newline is still whole: one byte less cuts the last value.
        if (row.name == "apply_state_size_minus_one") {
            row.edit = [](Bytes& bytes) { bytes.erase(bytes.end() - 2); };
        }
    }
    add({"apply_state_wrong_format", Command::ApplyState, Input::Bytes,
         [](Bytes& bytes) {
             std::string text(bytes.begin(), bytes.end());
             text.replace(text.find("mouse 1"), 7, "mouse 2");
             bytes.assign(text.begin(), text.end());
         },
         1});
    add({"apply_state_key_twice", Command::ApplyState, Input::Bytes,
         [](Bytes& bytes) {
             const std::string line = "lighting = on\n";
             bytes.insert(bytes.end(), line.begin(), line.end());
         },
         1});
    add({"apply_state_value_out_of_range", Command::ApplyState, Input::Bytes,
         [](Bytes& bytes) {
             std::string text(bytes.begin(), bytes.end());
             const size_t at = text.find("report_rate = ");
             text.insert(at + 14, "99999999999999999999");
             bytes.assign(text.begin(), text.end());
         },
         1});
    return rows;
}

// --- the test --------------------------------------------------------------------------

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

class X5kctlCorpus : public testing::TestWithParam<Row> {};

// Writes `bytes` to `path`, its zero tail as a hole: the large files of the corpus are
// mostly zero, and a disk write of megabytes for every row would be most of its time.
void WriteSparse(const fs::path& path, const Bytes& bytes) {
    const auto last = std::find_if(bytes.rbegin(), bytes.rend(), [](uint8_t b) { return b; });
    test::WriteBytes(path, Bytes(bytes.begin(), last.base()));
    fs::resize_file(path, bytes.size());
}

// Makes the row's input at `path`.
void MakeInput(const Row& row, const fs::path& path, const fs::path& folder) {
    Bytes bytes = ValidFor(row.command);
    if (row.edit) row.edit(bytes);
    switch (row.input) {
        case Input::Bytes:
            WriteSparse(path, bytes);
            break;
        case Input::Unreadable:
            WriteSparse(path, bytes);
            fs::permissions(path, fs::perms::none);
            break;
        case Input::Missing:
            break;
        case Input::Folder:
            fs::create_directory(path);
            break;
        case Input::Fifo:
            ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
            break;
        case Input::LinkLoop:
            fs::create_symlink(folder / "loop2", path);
            fs::create_symlink(path, folder / "loop2");
            break;
        case Input::Dangling:
            fs::create_symlink(folder / "nowhere", path);
            break;
    }
}

TEST_P(X5kctlCorpus, ExitsAsDocumentedAndTouchesOnlyItsOutput) {
    const Row& row = GetParam();
    const bool root = ::geteuid() == 0;
    int expected = row.status;
    if (row.input == Input::Unreadable && root) {
        // The superuser reads it all the same; a successful apply is not worth its second.
        if (row.command == Command::Apply || row.command == Command::ApplyMacros ||
            row.command == Command::ApplyState) {
            GTEST_SKIP() << "permissions deny the superuser nothing";
        }
        expected = 0;
    }
    test::TempFolder folder;
    const fs::path input = folder / row.fileName;
    MakeInput(row, input, folder.path());
    const fs::path profile = folder / "profile.cfg";
    const fs::path state = folder / "mouse.state";
    test::WriteBytes(profile, ValidProfile());
    if (row.command != Command::ApplyState) test::WriteBytes(state, ValidState());
    fs::create_directories(folder / "home");

    std::vector<std::string> arguments;
    switch (row.command) {
        case Command::ShowProfile:
            arguments = {"show-profile", input.string()};
            break;
        case Command::Macros:
            arguments = {"macros", input.string()};
            break;
        case Command::EncodeMacro:
            arguments = {"encode-macro", input.string(), row.id};
            break;
        case Command::ExportJson:
            arguments = {"export-json", input.string()};
            break;
        case Command::ExportJsonMacros:
            arguments = {"export-json", profile.string(), "--macros", input.string()};
            break;
        case Command::Apply:
            arguments = {"apply", input.string(), "--emulated=" + state.string()};
            break;
        case Command::ApplyMacros:
            arguments = {"apply", profile.string(), "--macros", input.string(),
                         "--emulated=" + state.string()};
            break;
        case Command::ApplyState:
            arguments = {"apply", profile.string(), "--emulated=" + input.string()};
            break;
    }
    // Whatever the tool might write below home or the runtime folder shows in the folder.
    const std::string home = (folder / "home").string();
    const std::vector<std::string> environment = {
        "HOME=" + home,           "XDG_DATA_HOME=" + home + "/data",
        "XDG_STATE_HOME=" + home + "/state", "XDG_CONFIG_HOME=" + home + "/config",
        "XDG_RUNTIME_DIR=" + home, "PATH=/usr/bin:/bin",
        "LC_ALL=C.UTF-8"};
    const Snapshot before = Take(folder.path());
    const ToolRun run = RunTool(arguments, environment, std::chrono::seconds(30));
    Snapshot after = Take(folder.path());

    ASSERT_FALSE(run.timedOut) << "x5kctl hung";
    ASSERT_TRUE(run.exited) << "x5kctl was killed by a signal\n" << run.err;
    EXPECT_LT(run.status, 128) << run.err;
    EXPECT_EQ(run.status, expected) << run.out << run.err;
    EXPECT_EQ(RawControl(run.out), "") << run.out;
    EXPECT_EQ(RawControl(run.err), "") << run.err;
    if (!row.shown.empty()) {
        EXPECT_NE((run.out + run.err).find(row.shown), std::string::npos) << run.out << run.err;
    }

    // Only apply writes, only its state file, and only when it succeeded.
    const bool applied = run.status == 0 && row.command >= Command::Apply;
    const fs::path statePath = row.command == Command::ApplyState ? input : state;
    const std::string stateName = statePath.lexically_relative(folder.path()).string();
    Snapshot expectedAfter = before;
    if (applied) {
        expectedAfter.erase(stateName);
        const Bytes written = test::ReadBytes(statePath);
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(statePath)));
        EXPECT_TRUE(ParseMouseState(std::string(written.begin(), written.end())));
        after.erase(stateName);
    }
    EXPECT_EQ(after.size(), expectedAfter.size());
    for (const auto& [name, entry] : expectedAfter) {
        const auto found = after.find(name);
        if (found == after.end()) {
            ADD_FAILURE() << name << " is gone";
        } else if (!(found->second == entry)) {
            ADD_FAILURE() << name << " changed";
        }
    }
    for (const auto& [name, entry] : after) {
        if (!expectedAfter.contains(name)) ADD_FAILURE() << name << " appeared";
    }
    if (row.input == Input::Unreadable) {
        std::error_code error;
        fs::permissions(input, fs::perms::owner_all, error);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, X5kctlCorpus, testing::ValuesIn(Rows()),
                         [](const testing::TestParamInfo<Row>& info) { return info.param.name; });

}  // namespace
}  // namespace x5k
