// x5kctl: the command-line tool of the X5K configuration utility. Every command is one
// row of the table below: its name, a one-line summary, its help (the usage line first)
// and the function that runs it.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/DiagnosticLog.h"
#include "tools/x5kctl/DeviceCommands.h"
#include "tools/x5kctl/ExitCodes.h"
#include "tools/x5kctl/FileCommands.h"
#include "tools/x5kctl/InputCommands.h"
#include "tools/x5kctl/Printable.h"
#include "tools/x5kctl/ProfileCommands.h"

namespace x5k {
namespace {

struct Command {
    std::string_view name;
    std::string_view summary;
    std::string_view help;  // starts with the usage line
    int (*run)(std::string_view command, std::span<char*> arguments);
};

int RunHelp(std::string_view command, std::span<char*> arguments);

constexpr std::string_view kEmulatedHelp =
    "  --emulated[=STATE]  run against the emulated mouse instead of the hidraw nodes; with\n"
    "                      =STATE its state is read from and kept in the file STATE\n";

const std::vector<Command>& Commands() {
    static const std::string deviceOptions = std::string(kEmulatedHelp);
    static const std::string devicesHelp =
        "usage: x5kctl devices [--json] [--emulated[=STATE]]\n"
        "\n"
        "Lists the HID interfaces (/dev/hidraw*) and which one configures the mouse, and the\n"
        "mouse's USB device or its firmware loader. Exits with 1, saying why on stderr, when\n"
        "no X5K is ready for configuration.\n"
        "\n"
        "options:\n"
        "  --json              print the listing as one JSON object\n" +
        deviceOptions;
    static const std::string versionHelp =
        "usage: x5kctl version [--json] [--emulated[=STATE]]\n"
        "\n"
        "Prints the mouse's firmware version.\n"
        "\n"
        "options:\n"
        "  --json              print {\"firmwareVersion\": N}\n" +
        deviceOptions;
    static const std::string applyHelp =
        "usage: x5kctl apply (PROFILE | --profile N) [--macros Macro.cfg] [--emulated[=STATE]]\n"
        "\n"
        "Writes a profile file, and the macros its buttons use, to the mouse as the program's\n"
        "Apply does, printing the progress.\n"
        "\n"
        "options:\n"
        "  --profile N         profile N (1 to 5) of the data folder, with its Macro.cfg\n"
        "  --macros FILE       the macro file the buttons' macros come from; a file of\n"
        "                      another size than a macro file's is refused\n" +
        deviceOptions;
    static const std::vector<Command> commands = {
        {"show-profile", "print every field of a profile file (.cfg)",
         "usage: x5kctl show-profile (FILE | --profile N)\n"
         "\n"
         "Prints every field of a profile file: each button's function, the resolutions,\n"
         "the report rate, the lighting and the pointer settings. Exits with 1 when the file\n"
         "is not a profile.\n"
         "\n"
         "options:\n"
         "  --profile N         profile N (1 to 5) of the data folder\n",
         RunFileCommand},
        {"make-defaults", "write the shipped default data files below DIR",
         "usage: x5kctl make-defaults [--force] DIR\n"
         "\n"
         "Writes the nine default data files the program ships (the five profiles, the macro\n"
         "file, the language and statistics files) below DIR, creating it. When any of them\n"
         "is already there, nothing is written and it exits with 1, naming them.\n"
         "\n"
         "options:\n"
         "  --force             replace the files already in DIR\n",
         RunFileCommand},
        {"macros", "list the macros of a macro file (Macro.cfg)",
         "usage: x5kctl macros FILE\n"
         "\n"
         "Lists the macros of a macro file: slot, group, ID, name, repeat count and the\n"
         "events with key names and pauses. Exits with 1 when the file is not a macro file.\n",
         RunFileCommand},
        {"encode-macro", "print the 512-byte image the mouse receives for a macro",
         "usage: x5kctl encode-macro FILE ID\n"
         "\n"
         "Prints the 512-byte image the mouse receives for the macro with the hexadecimal ID\n"
         "(as macros lists it), 16 bytes a line, and its word count. Exits with 1 when the\n"
         "file holds no such macro.\n",
         RunFileCommand},
        {"devices", "list the HID interfaces and find the mouse", devicesHelp, RunDeviceCommand},
        {"version", "print the mouse's firmware version", versionHelp, RunDeviceCommand},
        {"apply", "write a profile to the mouse, as the program's Apply does", applyHelp,
         RunDeviceCommand},
        {"export-json", "print a profile as JSON", ProfileCommandHelp("export-json"),
         RunProfileCommand},
        {"import-json", "write a profile file from JSON", ProfileCommandHelp("import-json"),
         RunProfileCommand},
        {"set", "change one setting of a profile", ProfileCommandHelp("set"), RunProfileCommand},
        {"watch-input", "print the keyboard and mouse input the program's hooks see",
         "usage: x5kctl watch-input [--block CODE...]\n"
         "\n"
         "Prints the keyboard and mouse input the program's input hooks see, one line each,\n"
         "until Ctrl+C.\n"
         "\n"
         "options:\n"
         "  --block CODE...     swallow the presses of these mouse inputs: left, right,\n"
         "                      middle, back, forward, wheel-forward, wheel-backward, or a\n"
         "                      number such as 0x1020B\n",
         RunInputCommand},
        {"help", "show this help, or a command's",
         "usage: x5kctl help [COMMAND]\n"
         "\n"
         "Shows the help of x5kctl, or of COMMAND (the same as x5kctl COMMAND --help).\n",
         RunHelp},
    };
    return commands;
}

const Command* FindCommand(std::string_view name) {
    const auto& commands = Commands();
    const auto found = std::find_if(commands.begin(), commands.end(),
                                    [&](const Command& command) { return command.name == name; });
    return found == commands.end() ? nullptr : &*found;
}

std::string ToolHelp() {
    std::string text =
        "usage: x5kctl [--verbose] COMMAND [ARGUMENTS]\n"
        "       x5kctl COMMAND --help\n"
        "       x5kctl --version\n"
        "\n"
        "Configures the X5K gaming mouse and reads the files of its configuration utility.\n"
        "\n"
        "commands:\n";
    size_t width = 0;
    for (const Command& command : Commands()) width = std::max(width, command.name.size());
    for (const Command& command : Commands()) {
        std::string line = "  " + std::string(command.name);
        line.resize(width + 4, ' ');
        text += line + std::string(command.summary) + "\n";
    }
    text +=
        "\n"
        "options:\n"
        "  -h, --help    show this help; after a command, the command's\n"
        "  --version     print the version of x5kctl\n"
        "  --verbose     anywhere on the line, print the diagnostic log to stderr: the reports\n"
        "                sent to the mouse and its answers in hex, each failure with its\n"
        "                cause, and the files read and written (as X5K_DEBUG=1 does)\n"
        "\n"
        "--profile N (1 to 5) stands for the user's profile N in the data folder\n"
        "($XDG_DATA_HOME/ZINTU/X5K, else ~/.local/share/ZINTU/X5K) wherever a command takes\n"
        "a profile file.\n"
        "\n"
        "Exit codes: 0 done, 1 refused or not found, 2 usage, 3 a file could not be read or\n"
        "written, 4 the mouse or the input devices did not answer, 5 the system refused.\n"
        "See x5kctl(1).\n";
    return text;
}

// The help of a command, or of the tool for no command; 2 for an unknown name.
int ShowHelp(std::string_view name) {
    if (name.empty()) {
        std::fputs(ToolHelp().c_str(), stdout);
        return kExitDone;
    }
    const Command* command = FindCommand(name);
    if (!command) {
        UsageError("no command " + std::string(name) + "; x5kctl --help lists them");
        return kExitUsage;
    }
    std::fwrite(command->help.data(), 1, command->help.size(), stdout);
    return kExitDone;
}

int RunHelp(std::string_view, std::span<char*> arguments) {
    if (arguments.size() > 1) return UsageError("help takes one command");
    return ShowHelp(arguments.empty() ? "" : arguments[0]);
}

// After a usage error: the command's usage line and where to read more, on stderr.
void PrintUsageHint(const Command& command) {
    const std::string_view usage = command.help.substr(0, command.help.find('\n') + 1);
    std::fwrite(usage.data(), 1, usage.size(), stderr);
    std::fprintf(stderr, "Try 'x5kctl %s --help'.\n", std::string(command.name).c_str());
}

// The diagnostic log on stderr, as the program writes it, with the paths and names in its
// lines escaped like the rest of x5kctl's output.
class PrintableLogSink final : public LogSink {
public:
    void write(std::string_view line) override {
        std::fprintf(stderr, "x5k: %s\n", Printable(line).c_str());
    }
};

bool IsHelpOption(std::string_view word) {
    return word == "--help" || word == "-h";
}

int Run(std::span<char*> words) {
    if (words.empty()) {
        std::fputs("x5kctl: no command given\n", stderr);
        std::fputs("usage: x5kctl [--verbose] COMMAND [ARGUMENTS]\nTry 'x5kctl --help'.\n", stderr);
        return kExitUsage;
    }
    const std::string_view first = words[0];
    if (IsHelpOption(first)) return RunHelp("help", words.subspan(1));
    if (first == "--version") {
        if (words.size() > 1) return UsageError("--version takes no arguments");
        std::printf("x5kctl %s\n", X5K_PROGRAM_VERSION);
        return kExitDone;
    }
    const Command* command = FindCommand(first);
    if (!command) {
        UsageError((first.starts_with("-") ? "unknown option " : "unknown command ") +
                   std::string(first));
        std::fputs("Try 'x5kctl --help'.\n", stderr);
        return kExitUsage;
    }
    const std::span<char*> arguments = words.subspan(1);
    if (std::any_of(arguments.begin(), arguments.end(), IsHelpOption)) {
        return ShowHelp(command->name);
    }
    const int status = command->run(command->name, arguments);
    if (status == kExitUsage && command->run != RunHelp) PrintUsageHint(*command);
    return status;
}

}  // namespace
}  // namespace x5k

int main(int argc, char** argv) {
    // --verbose may stand anywhere; it is taken out before the command reads its own.
    std::vector<char*> arguments(argv + 1, argv + argc);
    const auto verbose = std::remove_if(arguments.begin(), arguments.end(), [](char* word) {
        return std::string_view(word) == "--verbose";
    });
    const bool logWanted = verbose != arguments.end() ||
                           x5k::diagnostic::requestedByEnvironment(std::getenv("X5K_DEBUG"));
    arguments.erase(verbose, arguments.end());
    static x5k::PrintableLogSink sink;
    if (logWanted) x5k::diagnostic::setSink(&sink);
    return x5k::Run(arguments);
}
