#pragma once
// The one header through which the desktop program reaches the Linux services: it makes
// them all, behind the interfaces of src/platform/.
//
//   instance         SingleInstance: a lock file and a socket in XDG_RUNTIME_DIR (or
//                    a private folder below /tmp), named kInstanceName
//   program folder   the folder of /proc/self/exe
//   data folder      XDG_DATA_HOME, else ~/.local/share
//   config folder    XDG_CONFIG_HOME, else ~/.config (MakeLinuxPlatformFiles)
//   crash guard      EvdevCrashGuard.h: the crash signals' handlers and the threads'
//                    alternate signal stacks
//   files            PosixFileSystem
//   clock            SteadyClock
//   shell, sound     LinuxShell (xdg-open), LinuxSound (libcanberra)
//   HID              HidrawBackend, or the emulated mouse
//   pointer settings DesktopPointerSettings.h for the running desktop, or none touched
//                    with the emulated mouse
//   hooks            EvdevHookBackend
//   devices          UdevMonitor, or none with the emulated mouse
//   terminations     TerminationSignals: SIGTERM, SIGINT and SIGHUP
//   session          DetectDisplaySession from WAYLAND_DISPLAY, XDG_SESSION_TYPE, DISPLAY
//   stats input      X11StatsInput on an X11 session, else none
//   session bus      none started for the program when the login has none
//                    (SessionBus.h: KeepSessionBusFromStarting, before Qt starts)

#include "platform/Platform.h"
#include "platform/linux/SessionBus.h"

namespace x5k {

Platform MakeLinuxPlatform(PlatformOptions options = {});

// What an option that does its work and ends before the program starts (--autostart)
// needs: the files and folders, without taking the program instance.
struct PlatformFiles {
    std::filesystem::path programFolder;
    // XDG_CONFIG_HOME, else ~/.config; nothing when neither names an absolute folder.
    std::optional<std::filesystem::path> configFolder;
    std::unique_ptr<FileSystem> files;
};
PlatformFiles MakeLinuxPlatformFiles();

// Makes the C library map every large block (a page's picture is megabytes) on its own and
// give it back to the system when freed. The pictures are decoded on workers and freed
// once the pieces the controls show are cut; left to itself, glibc raises its threshold at
// the first such free and keeps the later pictures' memory in its heaps for the whole run.
// Called first thing in the program's run.
void ReturnLargeBlocksWhenFreed();

}  // namespace x5k
