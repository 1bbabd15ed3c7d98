#pragma once
// The configuration store: the configuration block ("Profile/ConfigInfo.cfg") that
// lists the five profiles, and the working profile image that every page edits.
// Profiles reach their files only after a successful apply, or at once as a default
// when a file had to be recreated.

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>

#include "profiles/ProfileImage.h"
#include "common/BuiltInTexts.h"
#include "localisation/InterfaceStrings.h"
#include "platform/FileSystem.h"
#include "platform/UserMessages.h"

namespace x5k {

// The main window's side of the store: which profile buttons are highlighted and
// which pages redraw after a switch.
class ProfileObserver {
public:
    virtual ~ProfileObserver() = default;
    // Element i is true when profile button i + 1 is shown highlighted.
    virtual void setProfileHighlights(const std::array<bool, kProfileCount>& highlighted) = 0;
    // The main settings and lighting pages redraw from the working profile.
    virtual void refreshPagesFromProfile() = 0;
};

enum class [[nodiscard]] ProfileLoad : int {
    NotOpened = 0,
    Loaded = 1,
    NotAProfile = 255,
};

using MacroIds = std::array<int32_t, kButtonCount>;

// A copy of what an apply sends: the working profile and the working macro identifiers.
struct ProfileSnapshot {
    ProfileImage image;
    MacroIds macroIds{};
};

// Where the apply worker takes what it sends from.
class ProfileSource {
public:
    virtual ~ProfileSource() = default;
    virtual ProfileSnapshot snapshot() const = 0;
};

class ConfigStore final : public ProfileSource {
public:
    ConfigStore(FileSystem& files, UserMessages& messages, const InterfaceStrings& strings,
                const std::atomic<bool>& chineseInterface, std::filesystem::path dataFolder);

    void setObserver(ProfileObserver* observer) { observer_ = observer; }

    // Reads the block and the current profile at start-up. Afterwards exactly one entry
    // is current, the image holds its profile (or a default), and the working macro
    // identifiers are the current entry's.
    void loadConfiguration();

    // Reads a profile file into the working image. A missing file or folder is
    // reported (when `reportMissing`) and replaced by a default profile; a file
    // without the profile magic is reported and left alone.
    [[nodiscard]] ProfileLoad loadProfile(const std::filesystem::path& path, bool reportMissing);

    // Puts the default profile into the working image and writes it to `path`,
    // creating the "Profile" folder when needed. False when the file could not be
    // written (denied access is reported).
    [[nodiscard]] bool writeDefaultProfile(const std::filesystem::path& path);

    // Makes `entry` (0..4) current from its file. When the file cannot be loaded the
    // switch stops: the previous profile, with its unsaved edits, stays in the image
    // and stays current. Nothing is sent to the mouse. True when switched.
    [[nodiscard]] bool switchProfile(int entry);

    // After a successful apply: stores the working macro identifiers in the current
    // entry, writes the image to the current entry's file, then writes the block.
    // True when the profile file was written.
    bool saveAfterApply();

    // The default profile in the image and no macros; nothing is written until the
    // next successful apply.
    void restoreDefaults();

    // A consistent copy for the apply worker's thread. The store's own operations
    // replace the profile under the same lock (never while a message is shown); the
    // pages edit it on the user-interface thread only while no apply runs (the
    // progress dialog is modal).
    ProfileSnapshot snapshot() const override;

    std::filesystem::path profilePath(int entry) const;
    std::filesystem::path blockPath() const;
    const std::filesystem::path& dataFolder() const { return dataFolder_; }

    int currentEntry() const { return current_; }
    const ConfigBlock& block() const { return block_; }
    ProfileImage& image() { return image_; }
    const ProfileImage& image() const { return image_; }
    MacroIds& workingMacroIds() { return workingMacroIds_; }
    const MacroIds& workingMacroIds() const { return workingMacroIds_; }

private:
    [[nodiscard]] ProfileLoad load(const std::filesystem::path& path, bool reportMissing,
                                   bool& wroteDefault);
    void setImage(const ProfileImage& image);
    void highlight(bool requireMagic);
    void copyMacroIdsFromEntry(int entry);
    bool chinese() const { return chinese_.load(std::memory_order_relaxed); }

    FileSystem& files_;
    UserMessages& messages_;
    const InterfaceStrings& strings_;
    const std::atomic<bool>& chinese_;
    std::filesystem::path dataFolder_;
    ProfileObserver* observer_ = nullptr;

    mutable std::mutex mutex_;  // guards the image and the macro identifiers
    ConfigBlock block_;
    ProfileImage image_;
    int current_ = 0;
    MacroIds workingMacroIds_{};
};

}  // namespace x5k
