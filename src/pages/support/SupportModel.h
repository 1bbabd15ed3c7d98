#pragma once
// The support page's rules, without windows: the version texts, importing a profile file
// into the working profile, exporting the working profile, the defaults question and the
// web button's state. The page (CDlgSupport) shows what these give.

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"
#include "profiles/ProfileImage.h"

namespace x5k::support {

// The program's own version as the page shows it.
inline constexpr std::string_view kProgramVersion = "V1.0.2";
// The firmware version's text while the mouse has not told it.
inline constexpr std::string_view kUnknownVersion = "Unknown";
// The file dialogs' filter and the extension they add.
inline constexpr std::string_view kProfileFilter = "CFG Files(*.cfg)";
inline constexpr std::string_view kProfileSuffix = "cfg";

// The firmware version text of the version number's decimal digits: "Unknown" when there
// are none; otherwise "V a.b.c" where the last digit is c, the one before it b (0 when
// missing) and all digits before those a (0 when none): "7" gives "V 0.0.7", "12"
// "V 0.1.2", "123" "V 1.2.3" and "1234" "V 12.3.4".
std::string FirmwareVersionText(std::string_view digits);

// The question the defaults button asks, in the interface's built-in language.
std::string RestoreQuestion(bool chinese);

// The web button: enabled only when the build names the maker's page; otherwise its
// tooltip says why it does nothing.
struct WebButtonState {
    bool enabled;
    // Empty when enabled: the button then shows its interface string.
    std::string disabledTooltip;
};
WebButtonState WebButton(std::string_view address, bool chinese);

// What an import or an export did: the message for the "Info" box and whether the working
// profile changed, so the pages are refreshed from it.
struct FileOutcome {
    bool profileChanged = false;
    bool ok = false;
    std::string message;
};

class SupportModel {
public:
    SupportModel(FileSystem& files, ProfileImage& profile) : files_(files), profile_(profile) {}

    // Reads the file as a profile image (a short file leaves the rest zero, only the first
    // 22160 bytes of a longer one count) and takes it as the working profile when it starts
    // with the profile magic. Nothing is written and nothing reaches the mouse.
    FileOutcome importProfile(const std::filesystem::path& path);
    // Writes the working profile to the file through the atomic replace: a failed export
    // leaves the file as it was.
    FileOutcome exportProfile(const std::filesystem::path& path);

private:
    FileSystem& files_;
    ProfileImage& profile_;
};

}  // namespace x5k::support
