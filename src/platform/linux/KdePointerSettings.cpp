#include "platform/linux/KdePointerSettings.h"

#include <fcntl.h>
#include <gio/gio.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstdint>
#include <map>
#include <optional>
#include <system_error>
#include <utility>

namespace x5k {
namespace {

// ---- KConfig text ---------------------------------------------------------------------

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// KConfig's escapes in group names and keys: \s \t \n \r \\ \xNN.
std::string Unescape(std::string_view s) {
    if (s.find('\\') == std::string_view::npos) return std::string(s);
    s = Trim(s);
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        switch (c) {
            case 's':
                out += ' ';
                break;
            case 't':
                out += '\t';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case '\\':
                out += '\\';
                break;
            case 'x':
                if (i + 2 < s.size() && HexDigit(s[i + 1]) >= 0 && HexDigit(s[i + 2]) >= 0) {
                    out += static_cast<char>(HexDigit(s[i + 1]) * 16 + HexDigit(s[i + 2]));
                    i += 2;
                } else {
                    out += 'x';
                }
                break;
            default:
                out += '\\';
                out += c;
        }
    }
    return out;
}

std::string EscapeGroupPart(std::string_view part, bool last) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    size_t start = 0;
    // KConfig reads a last part of the form "$" plus a few lowercase letters as an option
    // ([$i]), so a name like that has its "$" escaped.
    if (last && !part.empty() && part[0] == '$' && part.size() <= 10 &&
        std::all_of(part.begin() + 1, part.end(), [](char c) { return c >= 'a' && c <= 'z'; })) {
        out += "\\x24";
        start = 1;
    }
    for (size_t i = start; i < part.size(); ++i) {
        const auto c = static_cast<unsigned char>(part[i]);
        switch (c) {
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                if (c < 32 || c == '[' || c == ']') {
                    out += "\\x";
                    out += kHex[c >> 4];
                    out += kHex[c & 0xF];
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out;
}

struct Line {
    enum class Kind { Other, Header, Entry } kind = Kind::Other;
    std::vector<std::string> group;  // Header: the group it opens
    bool immutable = false;          // Header: [$i] after the name; Entry: key[$i]
    bool fileLock = false;           // Header: a lone [$i], which locks the rest of the file
    std::string key;                 // Entry: without options and locale
    bool localised = false;          // Entry: key[de]=...
};

// A group header as KConfig reads it: "[a][b]" with an optional trailing "[$i]"; nothing
// when the line is not a valid header (KConfig then keeps the previous group).
std::optional<Line> ParseHeader(std::string_view line) {
    Line header;
    header.kind = Line::Kind::Header;
    size_t start = 1;
    for (;;) {
        const size_t end = line.find(']', start);
        if (end == std::string_view::npos) return std::nullopt;
        const std::string_view part = line.substr(start, end - start);
        if (part == "$i" && end + 1 == line.size()) {
            if (header.group.empty()) {
                header.fileLock = true;
            } else {
                header.immutable = true;
            }
        } else {
            header.group.push_back(Unescape(part));
        }
        if (end + 1 >= line.size() || line[end + 1] != '[') break;
        start = end + 2;
    }
    return header;
}

Line ParseLine(std::string_view raw) {
    const std::string_view line = Trim(raw);
    if (line.empty() || line[0] == '#') return {};
    if (line[0] == '[') return ParseHeader(line).value_or(Line{});
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) return {};
    std::string_view key = Trim(line.substr(0, eq));
    Line entry;
    entry.kind = Line::Kind::Entry;
    // Options ([$i], [$e], [$d]) and a locale ([de_CH]) follow the key in brackets.
    for (size_t open = key.rfind('['); open != std::string_view::npos; open = key.rfind('[')) {
        const std::string_view suffix = key.substr(open);
        if (suffix.size() > 2 && suffix[1] == '$') {
            entry.immutable |= suffix.find('i') != std::string_view::npos;
        } else {
            entry.localised = true;
        }
        key = key.substr(0, open);
    }
    if (key.empty()) return {};
    entry.key = Unescape(key);
    return entry;
}

}  // namespace

std::string KConfigGroupHeader(const std::vector<std::string>& group) {
    std::string header;
    for (size_t i = 0; i < group.size(); ++i) {
        header += '[' + EscapeGroupPart(group[i], i + 1 == group.size()) + ']';
    }
    return header;
}

KConfigEdit EditKConfig(std::string_view text, const std::vector<KConfigEntry>& entries) {
    // Split into lines, each keeping its own terminator so that untouched lines come out
    // byte for byte as they went in.
    struct Source {
        std::string_view body;
        std::string_view end;  // "\n" or empty for a last line without one
        Line parsed;
        std::vector<std::string> group;  // the group the line belongs to
        bool locked = false;             // the group is immutable at this line
    };
    std::vector<Source> lines;
    {
        std::vector<std::string> group;
        bool fileLocked = false;
        bool groupLocked = false;
        size_t pos = 0;
        while (pos < text.size()) {
            size_t nl = text.find('\n', pos);
            const size_t bodyEnd = nl == std::string_view::npos ? text.size() : nl;
            Source s{text.substr(pos, bodyEnd - pos),
                     nl == std::string_view::npos ? std::string_view{} : text.substr(nl, 1),
                     ParseLine(text.substr(pos, bodyEnd - pos)),
                     {},
                     false};
            if (s.parsed.kind == Line::Kind::Header) {
                if (s.parsed.fileLock) {
                    fileLocked = true;
                } else {
                    group = s.parsed.group;
                    groupLocked = s.parsed.immutable;
                }
            }
            s.group = group;
            s.locked = fileLocked || groupLocked;
            lines.push_back(std::move(s));
            pos = nl == std::string_view::npos ? text.size() : nl + 1;
        }
    }

    KConfigEdit result;
    std::map<size_t, std::string> replaced;                 // line index -> new body
    std::map<size_t, std::vector<std::string>> insertions;  // after line index
    std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> appended;

    // A lone [$i] locks every group after it, even ones not yet in the file.
    const bool fileLocked = std::any_of(lines.begin(), lines.end(), [](const Source& s) {
        return s.parsed.kind == Line::Kind::Header && s.parsed.fileLock;
    });
    for (size_t e = 0; e < entries.size(); ++e) {
        const KConfigEntry& entry = entries[e];
        const std::string assignment = entry.key + '=' + entry.value;
        std::vector<size_t> matches;
        bool locked = false;
        std::optional<size_t> lastOfGroup;  // last header or entry line of the group
        for (size_t i = 0; i < lines.size(); ++i) {
            const Source& s = lines[i];
            if (s.group != entry.group || s.parsed.kind == Line::Kind::Other) continue;
            locked |= s.locked;
            lastOfGroup = i;
            if (s.parsed.kind == Line::Kind::Entry && !s.parsed.localised &&
                s.parsed.key == entry.key) {
                matches.push_back(i);
                locked |= s.parsed.immutable;
            }
        }
        if (locked || fileLocked) {
            result.locked.push_back(e);
            continue;
        }
        if (!matches.empty()) {
            // Every copy is replaced: KDE reads the last one, a stale earlier one would
            // come back if the later were ever removed.
            for (size_t i : matches) {
                const bool crlf = !lines[i].body.empty() && lines[i].body.back() == '\r';
                replaced[i] = assignment + (crlf ? "\r" : "");
            }
        } else if (lastOfGroup) {
            insertions[*lastOfGroup].push_back(assignment);
        } else {
            auto it = std::find_if(appended.begin(), appended.end(),
                                   [&](const auto& g) { return g.first == entry.group; });
            if (it == appended.end()) {
                appended.emplace_back(entry.group, std::vector<std::string>{});
                it = std::prev(appended.end());
            }
            it->second.push_back(assignment);
        }
    }

    std::string& out = result.text;
    out.reserve(text.size() + 256);
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto r = replaced.find(i);
        out += r != replaced.end() ? std::string_view(r->second) : lines[i].body;
        out += lines[i].end;
        const auto ins = insertions.find(i);
        if (ins == insertions.end()) continue;
        if (lines[i].end.empty()) out += '\n';
        for (const std::string& assignment : ins->second) out += assignment + '\n';
    }
    for (const auto& [group, assignments] : appended) {
        if (!out.empty() && out.back() != '\n') out += '\n';
        if (!out.empty()) out += '\n';
        out += KConfigGroupHeader(group) + '\n';
        for (const std::string& assignment : assignments) out += assignment + '\n';
    }
    return result;
}

// ---- KDE session ----------------------------------------------------------------------

namespace {

// How many edits are tried while another program keeps saving the file meanwhile.
constexpr int kEditTries = 4;
// How long a live KDE save may hold its lock before the setting is given up: KConfig holds
// it only while it reads, merges and renames, a few milliseconds.
constexpr std::chrono::milliseconds kLockPause{20};
constexpr int kLockPauses = 25;
// QLockFile takes a lock file older than this for one left behind.
constexpr auto kStaleLockAge = std::chrono::seconds(30);

std::string Fixed3(double value) {
    char buffer[32];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 3);
    std::string text(buffer, ec == std::errc{} ? end : buffer);
    return text == "-0.000" ? "0.000" : text;
}

const char* Describe(FileError error) {
    switch (error) {
        case FileError::NotFound:
            return "its folder does not exist";
        case FileError::AccessDenied:
            return "access denied";
        default:
            return "the file system refused it";
    }
}

std::string DescribeErrno(int error) {
    if (error == EACCES || error == EPERM) return "access denied";
    return std::generic_category().message(error);
}

// Closes the descriptor when the scope ends.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

std::string LocalHostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

std::vector<std::string> DeviceGroup(const PointerMouse& mouse) {
    return {"Libinput", std::to_string(mouse.vendor), std::to_string(mouse.product), mouse.name};
}

}  // namespace

std::optional<std::string> ReadSettingsFile(const std::filesystem::path& path, size_t limit,
                                            std::string& problem) {
    const std::string prefix = "could not read " + path.string() + ": ";
    // One open, read to its end: the content is whatever the file held at that open, even
    // when a KDE program replaces the file meanwhile. O_NONBLOCK keeps a named pipe put
    // there from blocking the open.
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) {
        if (errno == ENOENT) return std::string();
        problem = prefix + DescribeErrno(errno);
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        problem = prefix + DescribeErrno(errno);
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        problem = prefix + "it is not a regular file";
        return std::nullopt;
    }
    constexpr size_t kChunk = 64 * 1024;
    std::string content;
    content.reserve(std::min(static_cast<size_t>(std::max<off_t>(info.st_size, 0)), limit) + 1);
    // One byte past the limit tells a file at the limit from a larger one.
    while (content.size() <= limit) {
        const size_t done = content.size();
        const size_t want = std::min(kChunk, limit + 1 - done);
        content.resize(done + want);
        const ssize_t n = ::read(fd.get(), content.data() + done, want);
        if (n < 0) {
            const int error = errno;
            content.resize(done);
            if (error == EINTR) continue;
            problem = prefix + DescribeErrno(error);
            return std::nullopt;
        }
        content.resize(done + static_cast<size_t>(n));
        if (n == 0) return content;
    }
    problem = prefix + "it is too large for a settings file";
    return std::nullopt;
}

bool KConfigLockHeld(const std::filesystem::path& lockPath) {
    std::error_code error;
    const auto modified = std::filesystem::last_write_time(lockPath, error);
    if (error) return false;  // no lock file
    if (std::filesystem::file_time_type::clock::now() - modified > kStaleLockAge) return false;
    std::string problem;
    const std::optional<std::string> content = ReadSettingsFile(lockPath, 4096, problem);
    if (!content || content->empty()) {
        // Gone meanwhile, or just created and not yet written: QLockFile writes its lines
        // right after it creates the file.
        return content.has_value() && std::filesystem::exists(lockPath, error);
    }
    std::vector<std::string_view> lines;
    for (std::string_view rest = *content; !rest.empty();) {
        const size_t nl = rest.find('\n');
        lines.push_back(rest.substr(0, nl));
        rest = nl == std::string_view::npos ? std::string_view{} : rest.substr(nl + 1);
    }
    const std::string_view host = lines.size() > 2 ? lines[2] : std::string_view{};
    if (!host.empty() && host != LocalHostName()) return true;  // its process cannot be seen
    long pid = 0;
    const std::string_view first = lines.front();
    const auto [end, ec] = std::from_chars(first.data(), first.data() + first.size(), pid);
    if (ec != std::errc{} || end != first.data() + first.size() || pid <= 0 || pid > INT_MAX) {
        return false;  // not a lock KDE wrote
    }
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

KdePointerSettings::KdePointerSettings(Session session) : session_(std::move(session)) {}

std::optional<std::string> KdePointerSettings::read(const std::filesystem::path& path,
                                                    std::string& problem) {
    if (session_.read) return session_.read(path, problem);
    return ReadSettingsFile(path, kLargestKdeSettingsFile, problem);
}

bool KdePointerSettings::write(const char* name, const std::vector<KConfigEntry>& entries,
                               std::vector<std::string>& problems, std::vector<size_t>* locked) {
    const std::filesystem::path named = session_.configHome / name;
    std::filesystem::path path = named;
    // A settings file kept elsewhere and linked into the folder (dotfiles) is edited where
    // it lives; replacing the link would cut it off from its owner's copy.
    std::error_code error;
    if (std::filesystem::is_symlink(path, error)) {
        path = std::filesystem::weakly_canonical(path, error);
        if (error) {
            problems.push_back("could not follow the link " + named.string());
            return false;
        }
    }
    // KConfig locks the file by the path it was given or by the file it links to.
    std::vector<std::filesystem::path> lockFiles{path.string() + ".lock"};
    if (path != named) lockFiles.push_back(named.string() + ".lock");
    static SteadyClock steady;
    Clock& clock = session_.clock != nullptr ? *session_.clock : steady;
    int pauses = 0;
    const auto lockHeld = [&] {
        return std::any_of(lockFiles.begin(), lockFiles.end(),
                           [](const auto& lock) { return KConfigLockHeld(lock); });
    };
    const auto reportLocked = [&](const KConfigEdit& edit) {
        for (size_t index : edit.locked) {
            problems.push_back(KConfigGroupHeader(entries[index].group) + " " + entries[index].key +
                               " in " + name + " is locked by the system administrator");
        }
        if (locked) *locked = edit.locked;
    };

    for (int tries = 0;;) {
        if (lockHeld()) {
            // A KDE program is saving the file: let it finish, then start from what it saved.
            if (pauses == kLockPauses) {
                problems.push_back("could not write " + path.string() +
                                   ": another program kept it locked (" +
                                   lockFiles.front().string() + ")");
                return false;
            }
            ++pauses;
            clock.sleepFor(kLockPause);
            continue;
        }
        std::string problem;
        const std::optional<std::string> old = read(path, problem);
        if (!old) {
            problems.push_back(problem);
            return false;
        }
        const KConfigEdit edit = EditKConfig(*old, entries);
        if (edit.locked.size() == entries.size() || edit.text == *old) {
            reportLocked(edit);
            return edit.locked.size() < entries.size();
        }
        if (!session_.files->exists(path.parent_path()) &&
            !session_.files->createFolders(path.parent_path())) {
            reportLocked(edit);
            problems.push_back("could not write " + path.string() +
                               ": could not create its folder");
            return false;
        }
        // The last look before the file is replaced: a save that came in since it was read,
        // or one under way, would be lost, so the edit starts over from what was saved.
        const bool saving = lockHeld();
        std::optional<std::string> now;
        if (!saving) {
            now = read(path, problem);
            if (!now) {
                problems.push_back(problem);
                return false;
            }
        }
        if (saving || *now != *old) {
            if (++tries == kEditTries) {
                reportLocked(edit);
                problems.push_back("could not write " + path.string() +
                                   ": another program kept changing it while it was edited");
                return false;
            }
            continue;
        }
        reportLocked(edit);
        const FileError written = session_.files->replace(
            path, std::span(reinterpret_cast<const uint8_t*>(edit.text.data()), edit.text.size()));
        if (written != FileError::None) {
            problems.push_back("could not write " + path.string() + ": " + Describe(written));
            return false;
        }
        return true;
    }
}

bool KdePointerSettings::applyPointer(Setting setting, const char* mouseKey,
                                      const std::string& mouseValue, const char* deviceKey,
                                      const std::string& deviceValue,
                                      const std::function<bool(ReportingPointerSettings&)>& live) {
    std::vector<std::string> problems;
    const std::vector<PointerMouse> mice =
        session_.mice ? session_.mice() : std::vector<PointerMouse>{};
    std::vector<KConfigEntry> entries{{{"Mouse"}, mouseKey, mouseValue}};
    for (const PointerMouse& mouse : mice) {
        entries.push_back({DeviceGroup(mouse), deviceKey, deviceValue});
    }
    std::vector<size_t> locked;
    const bool stored = write("kcminputrc", entries, problems, &locked);

    if (session_.x11) {
        // X11 session: the devices are set directly; the file keeps the setting for the
        // next login.
        const bool applied = live(*session_.x11);
        for (std::string& reason : session_.x11->reasonsFor(setting)) {
            problems.push_back(std::move(reason));
        }
        return report(setting, applied, std::move(problems));
    }

    // Wayland: KWin applies what the per-device groups hold once it is told.
    const size_t lockedDevices = static_cast<size_t>(
        std::count_if(locked.begin(), locked.end(), [](size_t i) { return i > 0; }));
    const bool anyDevice = mice.size() > lockedDevices;
    if (mice.empty()) problems.push_back("no connected mouse was found to file the setting for");
    bool told = false;
    if (stored && anyDevice) {
        told = session_.notify && session_.notify();
        if (!told) {
            problems.push_back(
                "kcminputrc was written, but the running session could not be told over "
                "D-Bus; it takes effect at the next login");
        }
    }
    return report(setting, stored && anyDevice && told, std::move(problems));
}

bool KdePointerSettings::setAcceleration(bool enhancePrecision) {
    // libinput's profile bits: 1 flat, 2 adaptive.
    return applyPointer(
        Setting::Acceleration, "XLbInptAccelProfileFlat", enhancePrecision ? "false" : "true",
        "PointerAccelerationProfile", enhancePrecision ? "2" : "1",
        [enhancePrecision](auto& x11) { return x11.setAcceleration(enhancePrecision); });
}

bool KdePointerSettings::setSpeed(int speed) {
    const std::string value = Fixed3(LibinputSpeed(speed));
    return applyPointer(Setting::Speed, "XLbInptPointerAcceleration", value, "PointerAcceleration",
                        value, [speed](auto& x11) { return x11.setSpeed(speed); });
}

bool KdePointerSettings::setWheelScrollLines(int lines) {
    if (auto problem = WheelScrollLinesProblem(lines)) {
        return report(Setting::WheelScrollLines, false, {*problem});
    }
    std::vector<std::string> problems;
    const bool stored = write("kdeglobals", {{{"KDE"}, "WheelScrollLines", std::to_string(lines)}},
                              problems, nullptr);
    bool told = false;
    if (stored) {
        told = session_.notify && session_.notify();
        if (!told) {
            problems.push_back(
                "kdeglobals was written, but running programs could not be told over "
                "D-Bus; they take it when they next start");
        }
    }
    return report(Setting::WheelScrollLines, stored && told, std::move(problems));
}

bool NotifyKdeMouseSettingsChanged(const std::string& busAddress) {
    if (busAddress.empty()) return false;
    GError* error = nullptr;
    // A private connection: the shared one would start a bus of its own (autolaunch) when
    // the session has none, and would outlive this call.
    GDBusConnection* bus = g_dbus_connection_new_for_address_sync(
        busAddress.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    if (bus == nullptr) {
        g_clear_error(&error);
        return false;
    }
    // KGlobalSettings' change types: 3 is "settings changed"; its categories: 0 is "mouse".
    bool sent =
        g_dbus_connection_emit_signal(bus, nullptr, "/KGlobalSettings", "org.kde.KGlobalSettings",
                                      "notifyChange", g_variant_new("(ii)", 3, 0), &error);
    sent = sent && g_dbus_connection_flush_sync(bus, nullptr, &error);
    g_clear_error(&error);
    g_dbus_connection_close_sync(bus, nullptr, nullptr);
    g_object_unref(bus);
    return sent;
}

}  // namespace x5k
