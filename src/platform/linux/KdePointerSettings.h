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

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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
    };

    explicit KdePointerSettings(Session session);

    bool setAcceleration(bool enhancePrecision) override;
    bool setSpeed(int speed) override;
    bool setWheelScrollLines(int lines) override;

private:
    // Writes `entries` into the file `name`; false (with the reason added) when the file
    // was not written. Locked entries are reported and their indexes returned.
    bool write(const char* name, const std::vector<KConfigEntry>& entries,
               std::vector<std::string>& problems, std::vector<size_t>* locked);
    // kcminputrc: the [Mouse] key, then one per-device key per mouse.
    bool applyPointer(Setting setting, const char* mouseKey, const std::string& mouseValue,
                      const char* deviceKey, const std::string& deviceValue,
                      const std::function<bool(ReportingPointerSettings&)>& live);

    Session session_;
};

// Sends KDE's "mouse settings changed" signal on the session bus at `busAddress`.
bool NotifyKdeMouseSettingsChanged(const std::string& busAddress);

}  // namespace x5k
