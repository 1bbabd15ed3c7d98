#include "gui/Autostart.h"

#include <cstdint>
#include <span>

namespace x5k {
namespace {

// The characters an Exec argument may not hold unquoted.
constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";

bool HasControlCharacter(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) return true;
    }
    return false;
}

// A string value's only escape a path needs: the backslash.
std::string StringValue(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\') out += '\\';
        out += c;
    }
    return out;
}

}  // namespace

std::optional<std::filesystem::path> ConfigFolderFrom(const char* xdgConfigHome, const char* home) {
    if (xdgConfigHome && std::filesystem::path(xdgConfigHome).is_absolute()) {
        return std::filesystem::path(xdgConfigHome);
    }
    if (home && std::filesystem::path(home).is_absolute()) {
        return std::filesystem::path(home) / ".config";
    }
    return std::nullopt;
}

std::filesystem::path LauncherPath(
    std::string_view startedAs, const char* path, const std::filesystem::path& workingFolder,
    const std::filesystem::path& programFolder,
    const std::function<bool(const std::filesystem::path&)>& exists) {
    if (startedAs.find('/') != std::string_view::npos) {
        return (workingFolder / std::filesystem::path(startedAs)).lexically_normal();
    }
    if (!startedAs.empty() && path) {
        std::string_view folders = path;
        while (true) {
            const size_t colon = folders.find(':');
            const std::string_view folder = folders.substr(0, colon);
            // An empty entry or a relative one depends on where the session starts.
            if (std::filesystem::path(folder).is_absolute()) {
                const std::filesystem::path candidate = std::filesystem::path(folder) / startedAs;
                if (exists(candidate)) return candidate.lexically_normal();
            }
            if (colon == std::string_view::npos) break;
            folders.remove_prefix(colon + 1);
        }
    }
    return programFolder / "x5k-driver";
}

std::string ExecArgument(std::string_view argument) {
    const bool quoted =
        argument.empty() || argument.find_first_of(kReserved) != std::string_view::npos;
    std::string out;
    if (quoted) out += '"';
    for (const char c : argument) {
        if (c == '%') {
            out += "%%";
        } else if (quoted && (c == '"' || c == '`' || c == '$' || c == '\\')) {
            // The quoting's backslash, itself escaped as a string value's backslash.
            out += "\\\\";
            out += c == '\\' ? "\\\\" : std::string(1, c);
        } else {
            out += c;
        }
    }
    if (quoted) out += '"';
    return out;
}

std::optional<std::string> AutostartEntry(const std::filesystem::path& launcher) {
    const std::string program = launcher.string();
    if (HasControlCharacter(program)) return std::nullopt;
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=X5K Gaming Mouse\n"
           "Comment=Keeps the X5K gaming mouse's settings and button actions at hand in the "
           "notification area\n"
           "Exec=" +
           ExecArgument(program) +
           " --hidden\n"
           // A program that was removed since is not started.
           "TryExec=" +
           StringValue(program) +
           "\n"
           "Icon=x5k-driver\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

AutostartResult SetAutostart(FileSystem& files, const std::filesystem::path& entry, bool on,
                             const std::filesystem::path& launcher) {
    if (!on) {
        const SysResult removed = files.remove(entry);
        if (!removed) return {AutostartError::Write, removed};
        return {};
    }
    const std::optional<std::string> text = AutostartEntry(launcher);
    if (!text) return {AutostartError::UnusablePath, {}};
    if (const SysResult folder = files.createFolders(entry.parent_path()); !folder) {
        return {AutostartError::Write, folder};
    }
    const FileResult written = files.replace(
        entry, std::span(reinterpret_cast<const uint8_t*>(text->data()), text->size()));
    if (!written.ok()) return {AutostartError::Write, written.cause};
    return {};
}

}  // namespace x5k
