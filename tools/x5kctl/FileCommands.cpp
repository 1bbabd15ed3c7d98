#include "tools/x5kctl/FileCommands.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "common/DiagnosticLog.h"
#include "functions/FunctionCatalogue.h"
#include "functions/KeyNames.h"
#include "macros/MacroGroups.h"
#include "macros/MacroImage.h"
#include "macros/MacroTable.h"
#include "platform/linux/PosixFileSystem.h"
#include "platform/linux/XkbKeyboardLayout.h"
#include "profiles/DefaultFiles.h"
#include "profiles/ProfileImage.h"
#include "tools/x5kctl/ExitCodes.h"
#include "tools/x5kctl/Printable.h"
#include "tools/x5kctl/ProfileTarget.h"

namespace x5k {
namespace {

const char* FileErrorText(FileError error) {
    switch (error) {
        case FileError::None:
            return "no error";
        case FileError::NotFound:
            return "the file or its folder does not exist";
        case FileError::AccessDenied:
            return "access denied";
        case FileError::Other:
            return "it cannot be read";
    }
    return "unknown error";
}

std::string FunctionDescription(const ProfileImage& image, int b, const KeyboardLayout& layout) {
    using namespace profile;
    const int32_t code = image.get(FunctionCode(b));
    switch (code) {
        case kFunctionKey:
            return "key " + KeyComboName(static_cast<uint32_t>(image.get(KeyValue(b))), layout);
        case kFunctionMacro:
            return "macro";
        case kFunctionHostAction:
            return "computer action";
        default: {
            const std::string name = FunctionName(code, false);
            return name.empty() ? "(not a known function)" : name;
        }
    }
}

const char* ReportRateText(int32_t code) {
    switch (code) {
        case 1:
            return "1000 reports/s";
        case 2:
            return "500 reports/s";
        case 4:
            return "250 reports/s";
        case 8:
            return "125 reports/s";
        default:
            return "not a known rate";
    }
}

int ShowProfile(const ProfileTarget& target) {
    const std::filesystem::path& path = target.profile;
    ProfileImage image;
    if (const auto failed = ReadInputFile(path, image.bytes(), "a profile")) {
        std::error_code error;
        if (*failed == kExitFile && target.inDataFolder && !std::filesystem::exists(path, error)) {
            std::fputs("x5kctl: x5k-driver makes the data folder on its first start\n", stderr);
        }
        return *failed;
    }
    std::error_code sizeError;
    const auto size = std::filesystem::file_size(path, sizeError);
    const bool valid = static_cast<uint32_t>(image.get(profile::kMagic)) == profile::kMagicValue;
    std::printf("profile file     %s\n", Printable(path).c_str());
    if (!sizeError && size != profile::kSize) {
        std::printf("size             %ju bytes (a profile has %zu; %s)\n", std::uintmax_t(size),
                    profile::kSize,
                    size < profile::kSize ? "the rest reads as zero" : "the rest is ignored");
    }
    std::printf("magic            0x%08X (%s)\n", static_cast<uint32_t>(image.get(profile::kMagic)),
                valid ? "a profile" : "NOT a profile");

    XkbKeyboardLayout layout;
    using namespace profile;
    for (int b = 0; b < kButtonCount; ++b) {
        const int32_t code = image.get(FunctionCode(b));
        std::printf("button %d         %s\n", b, std::string(ButtonPositionOf(b).input).c_str());
        std::printf("  function       %d %s\n", code,
                    Printable(FunctionDescription(image, b, layout)).c_str());
        if (const auto value = FixedDeviceValue(b, code, image.get(KeyValue(b)))) {
            std::printf("  device value   0x%08X\n", *value);
        } else if (code == kFunctionMacro) {
            std::printf("  device value   09 00 n m (set when the macro is downloaded)\n");
        } else {
            std::printf("  device value   none (slot left 0)\n");
        }
        std::printf("  display name   \"%s\"\n", Printable(image.text(DisplayName(b))).c_str());
        std::printf("  macro id       0x%08X\n", static_cast<uint32_t>(image.get(MacroId(b))));
        std::printf("  key value      0x%08X\n", static_cast<uint32_t>(image.get(KeyValue(b))));
        std::printf("  action kind    0x%02X, code 0x%08X, path \"%s\"\n",
                    static_cast<uint32_t>(image.get(HostActionKind(b))),
                    static_cast<uint32_t>(image.get(HostActionCode(b))),
                    Printable(image.text(HostActionPath(b))).c_str());
    }
    std::printf("resolutions     ");
    for (int slot = 0; slot < kResolutionSlots; ++slot)
        std::printf(" %d", image.get(Resolution(slot)));
    std::printf("\n");
    const int32_t rate = image.get(kReportRate);
    std::printf("sensor height    %d\n", image.get(kSensorHeight));
    std::printf("report rate      %d (%s)\n", rate, ReportRateText(rate));
    std::printf("lighting mode    %d\n", image.get(kLightingMode));
    std::printf("lighting colour  0x%08X (0x00BBGGRR)\n",
                static_cast<uint32_t>(image.get(kLightingColour)));
    std::printf("colour source    %d (%s)\n", image.get(kColourSource),
                image.get(kColourSource) == 1 ? "custom colour" : "preset swatch");
    std::printf("preset swatch    %d\n", image.get(kPresetSwatch));
    std::printf("lighting switch  %d (%s)\n", image.get(kLightSwitch),
                image.get(kLightSwitch) == 1 ? "on" : "off");
    std::printf("precision        %d (%s)\n", image.get(kPrecision),
                image.get(kPrecision) == 1 ? "on" : "off");
    std::printf("pointer speed    %d\n", image.get(kPointerSpeed));
    std::printf("mode 1 level     %d\n", image.get(kMode1Level));
    std::printf("mode 2 level     %d\n", image.get(kMode2Level));
    const int32_t lines = image.get(kScrollLines);
    std::printf("scroll lines     %d%s\n", lines, lines == -1 ? " (one screen per notch)" : "");
    if (!valid) {
        std::fflush(stdout);
        std::fprintf(stderr, "x5kctl: %s is not a profile\n", Printable(path).c_str());
        return kExitRefused;
    }
    return kExitDone;
}

// Without `force`, a folder that already holds any of the files is left alone: they may
// be the user's own profiles and macros.
int MakeDefaults(const std::filesystem::path& folder, bool force) {
    if (folder.empty()) return UsageError("make-defaults needs a folder, not an empty name");
    const std::vector<DefaultFile> defaults = DefaultDataFiles();
    std::vector<std::string> existing;
    for (const DefaultFile& file : defaults) {
        std::error_code error;
        const auto status = std::filesystem::symlink_status(folder / file.relativePath, error);
        using std::filesystem::file_type;
        if (status.type() != file_type::not_found && status.type() != file_type::none) {
            existing.push_back(file.relativePath);
        }
    }
    if (!existing.empty() && !force) {
        std::fprintf(stderr, "x5kctl: %s already holds", Printable(folder).c_str());
        for (size_t i = 0; i < existing.size(); ++i) {
            std::fprintf(stderr, "%s %s", i ? "," : "", existing[i].c_str());
        }
        std::fputs("; give --force to replace them with the defaults\n", stderr);
        return kExitRefused;
    }
    PosixFileSystem files;
    if (!WriteDefaultDataFiles(files, folder)) {
        std::fprintf(stderr, "x5kctl: could not write the default data files below %s\n",
                     Printable(folder).c_str());
        return kExitFile;
    }
    return kExitDone;
}

}  // namespace

std::optional<int> ReadInputFile(const std::filesystem::path& path, std::span<uint8_t> bytes,
                                 std::string_view what) {
    PosixFileSystem files;
    const FileResult read = files.readInto(path, bytes);
    if (read.ok()) return std::nullopt;
    if (ReadFailureCode(path) == kExitRefused) {
        std::fprintf(stderr, "x5kctl: %s is not %s: it is not a regular file\n",
                     Printable(path).c_str(), std::string(what).c_str());
        return kExitRefused;
    }
    std::fprintf(stderr, "x5kctl: cannot read %s: %s (%s)\n", Printable(path).c_str(),
                 FileErrorText(read), Printable(read.cause.describe()).c_str());
    return kExitFile;
}

// A file of another size is no macro file (a profile given by mistake would list as one
// slot in use), so it is refused, and so is a folder or a pipe.
std::optional<int> ReadMacroFile(const std::filesystem::path& path, MacroTable& table) {
    std::vector<uint8_t> bytes(MacroTable::kFileSize);
    if (const auto failed = ReadInputFile(path, bytes, "a macro file")) return failed;
    std::error_code sizeError;
    const auto size = std::filesystem::file_size(path, sizeError);
    if (sizeError) {
        std::fprintf(stderr, "x5kctl: %s is not a macro file: it is not a regular file\n",
                     Printable(path).c_str());
        return kExitRefused;
    }
    if (size != MacroTable::kFileSize) {
        std::fprintf(stderr, "x5kctl: %s is not a macro file: it has %ju bytes, a macro file %zu\n",
                     Printable(path).c_str(), std::uintmax_t(size), MacroTable::kFileSize);
        return kExitRefused;
    }
    table.loadImage(bytes);
    return std::nullopt;
}

namespace {

std::string KeyText(uint32_t code) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%02X", code);
    const std::string name = MacroKeyName(code);
    return name.empty() ? std::string("(no name) ") + hex : name + " (" + hex + ")";
}

int ListMacros(const std::filesystem::path& path) {
    MacroTable table;
    if (const auto failed = ReadMacroFile(path, table)) return *failed;
    int used = 0;
    for (int s = 0; s < MacroTable::kSlotCount; ++s) {
        const MacroRecord record = table.slot(s);
        if (!IsInUse(record)) continue;
        ++used;
        using namespace macro;
        const int32_t id = record.get(kMacroId);
        const int group = GroupOf(id);
        const std::string_view groupText = MacroGroupMenuText(group, false);
        const auto repeat = static_cast<uint32_t>(record.get(kRepeatCount));
        const auto rawCount = static_cast<uint32_t>(record.get(kEventCount));
        const int count = EventCountOf(record);
        std::printf("slot %d\n", s);
        std::printf("  group          %d %s\n", group,
                    groupText.empty() ? "(not a known group)" : std::string(groupText).c_str());
        std::printf("  id             0x%08X\n", static_cast<uint32_t>(id));
        std::printf("  name           \"%s\"\n", Printable(record.text(kName)).c_str());
        std::printf("  repeat         %u%s\n", repeat,
                    repeat == kSinglePress ? " (once per press of the button)" : "");
        if (rawCount > static_cast<uint32_t>(kMaxEvents)) {
            std::printf("  events         %d (the count field says %u; a slot holds %d)\n", count,
                        rawCount, kMaxEvents);
        } else {
            std::printf("  events         %d\n", count);
        }
        for (int i = 0; i < count; ++i) {
            const uint32_t event = EventOf(record, i);
            const uint32_t value = EventValue(event);
            switch (EventKind(event)) {
                case kPress:
                    std::printf("    %4d  press    %s\n", i, KeyText(value).c_str());
                    continue;
                case kRelease:
                    std::printf("    %4d  release  %s\n", i, KeyText(value).c_str());
                    continue;
                case kDelay:
                    std::printf("    %4d  delay    %u ms\n", i, value);
                    continue;
                default:
                    std::printf("    %4d  not a valid event (0x%08X); the list ends here\n", i,
                                event);
                    break;
            }
            break;
        }
    }
    std::printf("%d of %d slots in use\n", used, MacroTable::kSlotCount);
    return kExitDone;
}

int EncodeMacro(const std::filesystem::path& path, std::string_view idText) {
    const std::string text(idText);
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(text.c_str(), &end, 16);
    if (text.empty() || *end != '\0' || text.front() == '-' || parsed > 0xFFFFFFFFull) {
        return UsageError(text + " is not a hexadecimal macro ID");
    }
    const auto id = static_cast<int32_t>(static_cast<uint32_t>(parsed));
    MacroTable table;
    if (const auto failed = ReadMacroFile(path, table)) return *failed;
    const std::optional<MacroRecord> record = table.copyOf(id);
    if (!record) {
        std::fprintf(stderr, "x5kctl: no macro with ID 0x%08X in %s\n", static_cast<uint32_t>(id),
                     Printable(path).c_str());
        return kExitRefused;
    }
    const MacroImage image = EncodeMacroImage(*record);
    std::printf("macro            0x%08X \"%s\"\n", static_cast<uint32_t>(id),
                Printable(record->text(macro::kName)).c_str());
    for (size_t line = 0; line < image.bytes.size(); line += 16) {
        std::printf("%04zX ", line);
        for (size_t i = line; i < line + 16; ++i) std::printf(" %02X", image.bytes[i]);
        std::printf("\n");
    }
    std::printf("word count       %d\n", image.wordCount);
    if (image.truncated) {
        std::printf("truncated        %d of %d events fit; the rest are not sent\n",
                    image.eventsEncoded, EventCountOf(*record));
    }
    return kExitDone;
}

// The words that are not the target, when there should be none.
int Unexpected(const std::vector<std::string>& words) {
    if (words.front().starts_with("-")) return UsageError("unknown option " + words.front());
    return UsageError("unexpected argument " + words.front());
}

}  // namespace

int RunFileCommand(std::string_view command, std::span<char*> arguments) {
    std::vector<std::string> words(arguments.begin(), arguments.end());
    if (command == "show-profile") {
        const ProfileTargetChoice choice = TakeProfileTarget(words);
        if (!choice.target) {
            if (choice.exitCode == kExitUsage) return UsageError(choice.error);
            std::fprintf(stderr, "x5kctl: %s\n", Printable(choice.error).c_str());
            return choice.exitCode;
        }
        if (!words.empty()) return Unexpected(words);
        return ShowProfile(*choice.target);
    }
    // The other commands take plain words, each of them a path or a value; make-defaults
    // takes --force too.
    const size_t wanted = command == "encode-macro" ? 2 : 1;
    bool force = false;
    if (command == "make-defaults") {
        const auto forced = std::remove(words.begin(), words.end(), "--force");
        force = forced != words.end();
        words.erase(forced, words.end());
    }
    for (const std::string& word : words) {
        if (word.starts_with("-")) return UsageError("unknown option " + word);
    }
    if (words.size() < wanted) return UsageError("missing argument");
    if (words.size() > wanted) return UsageError("unexpected argument " + words[wanted]);
    if (command == "make-defaults") return MakeDefaults(words[0], force);
    if (command == "macros") return ListMacros(words[0]);
    if (command == "encode-macro") return EncodeMacro(words[0], words[1]);
    return UsageError("unknown command " + std::string(command));
}

}  // namespace x5k
