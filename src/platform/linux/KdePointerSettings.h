#pragma once
// KDE Plasma's pointer settings: KConfig files in the user's configuration folder, then
// the running session is told.
//
// Where Plasma keeps them (Plasma 5 and 6):
//   kcminputrc [Libinput][<vendor>][<product>][<name>]  (one group per device, vendor and
//       product in decimal, the kernel's device name; what KWin applies under Wayland)
//       PointerAcceleration=<-1..1, three decimals>   e.g. "-0.556"
//       PointerAccelerationProfile=<1 flat, 2 adaptive>  (libinput's profile bits)
//   kcminputrc [Mouse]  (what the mouse settings apply at login under X11)
//       XLbInptPointerAcceleration=<-1..1>
//       XLbInptAccelProfileFlat=<true flat, false adaptive>
//   kdeglobals [KDE]
//       WheelScrollLines=<1..30>
// After a file is written, the session bus gets the signal KDE's own settings send,
// org.kde.KGlobalSettings.notifyChange(3 "settings changed", 0 "mouse") on /KGlobalSettings:
// KWin then re-reads kcminputrc and applies it to every pointer device, and Qt programs
// re-read the wheel lines. Under an X11 session KWin does not drive the devices, so they
// are also set directly through the X server.
//
// File edits keep every other line of the file as it was (comments, other groups and
// keys, lines KDE would reject), change only the keys concerned, and replace the file
// atomically. A file that cannot be read is left alone. Keys KDE's lockdown marks
// immutable ([$i]) are not written.
//
// KDE programs save these files at any time (KConfig: lock "<file>.lock", read, merge,
// rename). So that a save of theirs is never lost to ours, the file is read again just
// before it is replaced: if it changed since the edit began, the edit starts over from
// the new content (a few times, then the setting is reported as not applied). While a
// live KDE program holds the lock file the edit waits briefly for it.

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/linux/DesktopPointerSettings.h"
#include "platform/linux/PointerMice.h"

namespace x5k {

// One key to set in a KConfig file. `group` holds the nested group names, outermost
// first ({"Libinput", "1133", "49291", "G502"} is written [Libinput][1133][49291][G502]).
struct KConfigEntry {
    std::vector<std::string> group;
    std::string key;
    std::string value;
};

struct KConfigEdit {
    std::string text;  // the file's new content
    // The entries (indexes into the request) not written because the file, their group
    // or their key is marked immutable.
    std::vector<size_t> locked;
};

// `text` with every entry set: each existing line of the entry's key in its group is
// replaced, else the key is added at the end of the group's last section, else a new
// group is appended. Nothing else changes.
KConfigEdit EditKConfig(std::string_view text, const std::vector<KConfigEntry>& entries);

// The KConfig form of a group path: "[Libinput][1133][49291][G502]".
std::string KConfigGroupHeader(const std::vector<std::string>& group);

// The largest settings file read; a bigger one is not KDE's and is left alone.
inline constexpr size_t kLargestKdeSettingsFile = size_t{8} << 20;

// The file's bytes, read in one pass to its end: empty for a file that does not exist;
// nothing (with `problem` set) when it cannot be read, is not a regular file, or holds
// more than `limit` bytes.
std::optional<std::string> ReadSettingsFile(const std::filesystem::path& path, size_t limit,
                                            std::string& problem);

// Whether the KConfig lock file at `lockPath` (QLockFile's "<pid>\n<program>\n<host>\n")
// is held: it exists, is less than 30 seconds old (QLockFile's own limit), and its
// process is alive on this computer or belongs to another one, where that cannot be
// checked.
bool KConfigLockHeld(const std::filesystem::path& lockPath);

class KdePointerSettings final : public ReportingPointerSettings {
public:
    struct Session {
        // The user's configuration folder (XDG_CONFIG_HOME).
        std::filesystem::path configHome;
        // Reads and writes the files.
        FileSystem* files = nullptr;
        // The mice to file settings for.
        std::function<std::vector<PointerMouse>()> mice;
        // Tells the running session that the mouse settings changed; false when it
        // could not be told (no session bus).
        std::function<bool()> notify;
        // Under an X11 session: the X devices, set directly. Null under Wayland.
        std::unique_ptr<ReportingPointerSettings> x11;
        // Reads a settings file whole (as ReadSettingsFile); ReadSettingsFile when empty.
        std::function<std::optional<std::string>(const std::filesystem::path&,
                                                 std::string& problem)>
            read;
        // Paces the waits for KDE's lock; the steady clock when null.
        Clock* clock = nullptr;
    };

    explicit KdePointerSettings(Session session);

    bool setAcceleration(bool enhancePrecision) override;
    bool setSpeed(int speed) override;
    bool setWheelScrollLines(int lines) override;

private:
    // Writes `entries` into the file `name`; false (with the reason added) when the file
    // was not written. Locked entries are reported and their indexes returned. A file that
    // changes while it is edited is edited again from its new content.
    bool write(const char* name, const std::vector<KConfigEntry>& entries,
               std::vector<std::string>& problems, std::vector<size_t>* locked);
    // kcminputrc: the [Mouse] key, then one per-device key per mouse.
    bool applyPointer(Setting setting, const char* mouseKey, const std::string& mouseValue,
                      const char* deviceKey, const std::string& deviceValue,
                      const std::function<bool(ReportingPointerSettings&)>& live);

    std::optional<std::string> read(const std::filesystem::path& path, std::string& problem);

    Session session_;
};

// Sends KDE's "mouse settings changed" signal on the session bus at `busAddress`.
bool NotifyKdeMouseSettingsChanged(const std::string& busAddress);

}  // namespace x5k
