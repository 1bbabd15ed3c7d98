// x5kctl: the command-line tool of the X5K configuration utility.

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
#include "profiles/DefaultFiles.h"
#include "profiles/ProfileImage.h"
#include "functions/FunctionCatalogue.h"
#include "functions/KeyNames.h"
#include "macros/MacroGroups.h"
#include "macros/MacroImage.h"
#include "macros/MacroTable.h"
#include "platform/linux/PosixFileSystem.h"
#include "platform/linux/XkbKeyboardLayout.h"
#include "tools/x5kctl/DeviceCommands.h"
#include "tools/x5kctl/InputCommands.h"
#include "tools/x5kctl/ProfileCommands.h"

namespace x5k {
namespace {

constexpr std::string_view kUsage =
    "usage: x5kctl COMMAND [ARGUMENTS]\n"
    "\n"
    "commands:\n"
    "  show-profile FILE   print every field of a profile file (.cfg)\n"
    "  make-defaults DIR   write the shipped default data files below DIR\n"
    "  macros FILE         list the macros of a macro file (Macro.cfg)\n"
    "  encode-macro FILE ID\n"
    "                      print the 512-byte image the mouse receives for the macro\n"
    "                      with hexadecimal ID (as macros lists it) and its word count\n"
    "  devices [--emulated[=STATE]]\n"
    "                      list the HID interfaces and which one configures the mouse,\n"
    "                      and the mouse's USB device or its firmware loader\n"
    "  version [--emulated[=STATE]]\n"
    "                      print the mouse's firmware version\n"
    "  apply PROFILE [--macros Macro.cfg] [--emulated[=STATE]]\n"
    "                      write a profile file (and the macros its buttons use) to the\n"
    "                      mouse, as the program's Apply does\n"
    "  watch-input [--block CODE...]\n"
    "                      print the keyboard and mouse input the program's hooks see until\n"
    "                      Ctrl+C; --block swallows the presses of these mouse inputs (left,\n"
    "                      right, middle, back, forward, wheel-forward, wheel-backward, or a\n"
    "                      number such as 0x1020B)\n"
    "  help                show this text\n"
    "\n"
    "--verbose, given anywhere, or X5K_DEBUG=1 in the environment prints the diagnostic log\n"
    "to stderr: the reports sent to the mouse and its answers in hex, each failure with its\n"
    "cause, and the files read and written.\n"
    "\n"
    "devices, version and apply reach the mouse through the hidraw nodes (/dev/hidraw*);\n"
    "the udev rule 70-x5k.rules lets the desktop user open them. --emulated runs against\n"
    "the emulated mouse instead; with =STATE its state is read from and kept in the file\n"
    "STATE between runs. They exit with 1 when the mouse is not found or refuses a command.\n";

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

int ShowProfile(const std::filesystem::path& path) {
    PosixFileSystem files;
    ProfileImage image;
    if (const FileResult read = files.readInto(path, image.bytes()); !read.ok()) {
        std::fprintf(stderr, "x5kctl: cannot read %s: %s (%s)\n", path.c_str(),
                     FileErrorText(read), read.cause.describe().c_str());
        return 1;
    }
    std::error_code sizeError;
    const auto size = std::filesystem::file_size(path, sizeError);
    const bool valid = static_cast<uint32_t>(image.get(profile::kMagic)) == profile::kMagicValue;
    std::printf("profile file     %s\n", path.c_str());
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
                    FunctionDescription(image, b, layout).c_str());
        if (const auto value = FixedDeviceValue(b, code, image.get(KeyValue(b)))) {
            std::printf("  device value   0x%08X\n", *value);
        } else if (code == kFunctionMacro) {
            std::printf("  device value   09 00 n m (set when the macro is downloaded)\n");
        } else {
            std::printf("  device value   none (slot left 0)\n");
        }
        std::printf("  display name   \"%s\"\n", image.text(DisplayName(b)).c_str());
        std::printf("  macro id       0x%08X\n", static_cast<uint32_t>(image.get(MacroId(b))));
        std::printf("  key value      0x%08X\n", static_cast<uint32_t>(image.get(KeyValue(b))));
        std::printf("  action kind    0x%02X, code 0x%08X, path \"%s\"\n",
                    static_cast<uint32_t>(image.get(HostActionKind(b))),
                    static_cast<uint32_t>(image.get(HostActionCode(b))),
                    image.text(HostActionPath(b)).c_str());
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
    return valid ? 0 : 2;
}

int MakeDefaults(const std::filesystem::path& folder) {
    PosixFileSystem files;
    if (!WriteDefaultDataFiles(files, folder)) {
        std::fprintf(stderr, "x5kctl: could not write the default data files below %s\n",
                     folder.c_str());
        return 1;
    }
    return 0;
}

// Reads a macro file into `table`; says why on failure. A file of another size is read
// as the program reads it: missing bytes are zero, extra bytes are ignored.
bool ReadMacroFile(const std::filesystem::path& path, MacroTable& table) {
    PosixFileSystem files;
    std::vector<uint8_t> bytes(MacroTable::kFileSize);
    if (const FileResult read = files.readInto(path, bytes); !read.ok()) {
        std::fprintf(stderr, "x5kctl: cannot read %s: %s (%s)\n", path.c_str(),
                     FileErrorText(read), read.cause.describe().c_str());
        return false;
    }
    table.loadImage(bytes);
    std::error_code sizeError;
    const auto size = std::filesystem::file_size(path, sizeError);
    if (!sizeError && size != MacroTable::kFileSize) {
        std::printf(
            "note: %s has %ju bytes, a macro file %zu (%s)\n", path.c_str(), std::uintmax_t(size),
            MacroTable::kFileSize,
            size < MacroTable::kFileSize ? "the rest reads as zero" : "the rest is ignored");
    }
    return true;
}

std::string KeyText(uint32_t code) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%02X", code);
    const std::string name = MacroKeyName(code);
    return name.empty() ? std::string("(no name) ") + hex : name + " (" + hex + ")";
}

int ListMacros(const std::filesystem::path& path) {
    MacroTable table;
    if (!ReadMacroFile(path, table)) return 1;
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
        std::printf("  name           \"%s\"\n", record.text(kName).c_str());
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
    return 0;
}

int EncodeMacro(const std::filesystem::path& path, std::string_view idText) {
    const std::string text(idText);
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(text.c_str(), &end, 16);
    if (text.empty() || *end != '\0' || text.front() == '-' || parsed > 0xFFFFFFFFull) {
        std::fprintf(stderr, "x5kctl: %s is not a hexadecimal macro ID\n", text.c_str());
        return 64;
    }
    const auto id = static_cast<int32_t>(static_cast<uint32_t>(parsed));
    MacroTable table;
    if (!ReadMacroFile(path, table)) return 1;
    const std::optional<MacroRecord> record = table.copyOf(id);
    if (!record) {
        std::fprintf(stderr, "x5kctl: no macro with ID 0x%08X in %s\n", static_cast<uint32_t>(id),
                     path.c_str());
        return 1;
    }
    const MacroImage image = EncodeMacroImage(*record);
    std::printf("macro            0x%08X \"%s\"\n", static_cast<uint32_t>(id),
                record->text(macro::kName).c_str());
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
    return 0;
}

}  // namespace
}  // namespace x5k

int main(int argc, char** argv) {
    // --verbose may stand anywhere; it is taken out before the command reads its own.
    std::vector<char*> arguments(argv, argv + argc);
    const auto verbose = std::remove_if(arguments.begin() + 1, arguments.end(), [](char* word) {
        return std::string_view(word) == "--verbose";
    });
    const bool logWanted = verbose != arguments.end() ||
                           x5k::diagnostic::requestedByEnvironment(std::getenv("X5K_DEBUG"));
    arguments.erase(verbose, arguments.end());
    if (logWanted) x5k::diagnostic::setSink(&x5k::diagnostic::standardErrorSink());
    argc = static_cast<int>(arguments.size());
    arguments.push_back(nullptr);  // argv ends with a null pointer, as the system's does
    argv = arguments.data();

    const std::string_view command = argc > 1 ? argv[1] : "";
    if (command == "show-profile" && argc == 3) return x5k::ShowProfile(argv[2]);
    if (command == "make-defaults" && argc == 3) return x5k::MakeDefaults(argv[2]);
    if (command == "macros" && argc == 3) return x5k::ListMacros(argv[2]);
    if (command == "encode-macro" && argc == 4) return x5k::EncodeMacro(argv[2], argv[3]);
    if (command == "devices" || command == "version" || command == "apply") {
        const int status = x5k::RunDeviceCommand(command, std::span(argv + 2, argv + argc));
        if (status != 64) return status;
    } else if (command == "export-json" || command == "import-json" || command == "set") {
        return x5k::RunProfileCommand(command, std::span(argv + 2, argv + argc));
    } else if (command == "watch-input") {
        const int status = x5k::RunInputCommand(command, std::span(argv + 2, argv + argc));
        if (status != 64) return status;
    } else if (command == "help" || command == "--help" || command == "-h") {
        std::fputs(x5k::kUsage.data(), stdout);
        return 0;
    }
    std::fputs(x5k::kUsage.data(), stderr);
    return 64;  // EX_USAGE
}
