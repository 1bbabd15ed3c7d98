#include "gui/DriverOptions.h"

#include <span>
#include <string_view>

#include "common/DiagnosticLog.h"

namespace x5k {

namespace {

// The options Qt itself takes from a program's command line (a desktop may start the
// program with "-session ID" or "-display :1"), with and without a value.
constexpr std::string_view kQtOptionsWithValue[] = {
    "-platform",        "-platformpluginpath", "-platformtheme", "-plugin",
    "-qwindowgeometry", "-qwindowicon",        "-qwindowtitle",  "-display",
    "-session",         "-geometry",           "-title",         "-name",
    "-style",           "-stylesheet",         "-visual",        "-ncols",
};
constexpr std::string_view kQtOptionsAlone[] = {"-reverse", "-nograb",      "-dograb",
                                                "-sync",    "-widgetcount", "-cmap"};

bool In(std::string_view word, std::span<const std::string_view> list) {
    for (const std::string_view entry : list) {
        if (word == entry) return true;
    }
    return false;
}

}  // namespace

DriverOptions ParseDriverOptions(std::span<char* const> arguments, const char* debugVariable) {
    constexpr std::string_view kEmulated = "--emulated-mouse";
    DriverOptions options;
    options.verbose = diagnostic::requestedByEnvironment(debugVariable);
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        // Qt's options are Qt's, in their single-dash and double-dash forms.
        const std::string_view single = argument.starts_with("--") ? argument.substr(1) : argument;
        if (In(single, kQtOptionsAlone)) continue;
        if (In(single, kQtOptionsWithValue)) {
            ++i;
            continue;
        }
        if (const size_t equals = single.find('=');
            equals != std::string_view::npos && In(single.substr(0, equals), kQtOptionsWithValue)) {
            continue;
        }
        if (argument == kEmulated) {
            options.emulated = true;
        } else if (argument.starts_with(kEmulated) && argument.size() > kEmulated.size() + 1 &&
                   argument[kEmulated.size()] == '=') {
            options.emulated = true;
            options.state = std::filesystem::path(argument.substr(kEmulated.size() + 1));
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--verbose") {
            options.verbose = true;
        } else if (argument == "--hidden") {
            options.hidden = true;
        } else if (argument == "--autostart=on" || argument == "--autostart=off") {
            options.autostart = argument.ends_with("=on");
        } else if (options.error.empty()) {
            options.error = std::string(argument);
        }
    }
    return options;
}

}  // namespace x5k
