#include "profiles/ConfigStore.h"

#include <string>

#include "common/DiagnosticLog.h"
#include "common/TextFormat.h"

namespace x5k {
namespace {

bool IsProfile(const ProfileImage& image) {
    return static_cast<uint32_t>(image.get(profile::kMagic)) == profile::kMagicValue;
}

}  // namespace

ConfigStore::ConfigStore(FileSystem& files, UserMessages& messages, const InterfaceStrings& strings,
                         const std::atomic<bool>& chineseInterface,
                         std::filesystem::path dataFolder)
    : files_(files),
      messages_(messages),
      strings_(strings),
      chinese_(chineseInterface),
      dataFolder_(std::move(dataFolder)) {}

std::filesystem::path ConfigStore::profilePath(int entry) const {
    return dataFolder_ / "Profile" / ("Profile" + std::to_string(entry + 1) + ".cfg");
}

std::filesystem::path ConfigStore::blockPath() const {
    return dataFolder_ / "Profile" / "ConfigInfo.cfg";
}

ProfileSnapshot ConfigStore::snapshot() const {
    std::lock_guard lock(mutex_);
    return {image_, workingMacroIds_};
}

void ConfigStore::setImage(const ProfileImage& image) {
    std::lock_guard lock(mutex_);
    image_ = image;
}

void ConfigStore::loadConfiguration() {
    using namespace config;
    block_.clear();
    const auto path = blockPath();
    if (const FileResult read = files_.readInto(path, block_.bytes()); !read.ok()) {
        // Only a missing block is reported; any other failure leaves the empty block,
        // which the loop below treats as having no current profile.
        X5K_LOG("profiles: cannot read the configuration block ", path.string(), ": ", read.cause);
        if (read == FileError::NotFound) {
            messages_.showInfoDialog(FormatText(kOpenFailedMessage, {path.string()}),
                                     BoxButtons::Ok);
        }
    }
    // The stored paths are rebuilt for this run and never followed: a block copied from
    // elsewhere cannot point the program at files outside its data folder.
    for (int e = 0; e < kProfileCount; ++e) block_.setText(ProfilePath(e), profilePath(e).string());

    // Each missing or invalid file is replaced at most once per load, so denied access
    // is reported once per file.
    std::array<bool, kProfileCount> defaulted{};
    bool found = false;
    for (int e = 0; e < kProfileCount && !found; ++e) {
        if (block_.get(EntryMagic(e)) != kEntryMagicValue || block_.get(CurrentFlag(e)) == 0) {
            continue;
        }
        bool wroteDefault = false;
        if (load(profilePath(e), true, wroteDefault) == ProfileLoad::Loaded) {
            current_ = e;
            found = true;
            break;
        }
        block_.set(CurrentFlag(e), 0);
        // A default that cannot be written is told to the user there; the image holds it
        // all the same.
        if (!wroteDefault) (void)writeDefaultProfile(profilePath(e));
        defaulted[static_cast<size_t>(e)] = true;
    }
    if (!found) {
        bool wroteDefault = false;
        if (load(profilePath(0), false, wroteDefault) != ProfileLoad::Loaded) {
            if (defaulted[0]) {
                // Its default could not be written a moment ago, so the load just put the
                // same invalid bytes back into the image. The image takes the default again,
                // without a second write or a second report of the same denied access.
                setImage(DefaultProfile(chinese()));
            } else {
                (void)writeDefaultProfile(profilePath(0));
            }
        }
        block_.set(CurrentFlag(0), 1);
        current_ = 0;
    }
    highlight(/*requireMagic=*/true);
    copyMacroIdsFromEntry(current_);
}

ProfileLoad ConfigStore::loadProfile(const std::filesystem::path& path, bool reportMissing) {
    bool wroteDefault = false;
    return load(path, reportMissing, wroteDefault);
}

ProfileLoad ConfigStore::load(const std::filesystem::path& path, bool reportMissing,
                              bool& wroteDefault) {
    wroteDefault = false;
    ProfileImage read;
    const FileResult error = files_.readInto(path, read.bytes());
    if (error == FileError::None) {
        setImage(read);
        if (IsProfile(read)) return ProfileLoad::Loaded;
        messages_.showInfoBox(FormatText(kInvalidProfileMessage, {path.string()}));
        return ProfileLoad::NotAProfile;
    }
    X5K_LOG("profiles: cannot read profile ", path.string(), ": ", error.cause);
    if (error == FileError::NotFound && reportMissing) {
        messages_.showInfoDialog(FormatText(kOpenFailedMessage, {path.string()}), BoxButtons::Ok);
        (void)writeDefaultProfile(path);  // a failure is told to the user there
        wroteDefault = true;
    }
    return ProfileLoad::NotOpened;
}

bool ConfigStore::writeDefaultProfile(const std::filesystem::path& path) {
    // A folder that cannot be created makes the write below fail, which says why.
    if (const SysResult folder = files_.createFolders(dataFolder_ / "Profile"); !folder) {
        X5K_LOG("profiles: cannot create the profile folder: ", folder);
    }
    // The image takes the default even when the file cannot be written, so the program
    // goes on with a usable profile instead of an empty one.
    const ProfileImage defaults = DefaultProfile(chinese());
    setImage(defaults);
    const FileResult error = files_.replace(path, defaults.bytes());
    if (!error.ok()) {
        X5K_LOG("profiles: cannot write the default profile ", path.string(), ": ", error.cause);
    }
    if (error == FileError::AccessDenied) {
        messages_.showInfoDialog(strings_.get("str_msg4"), BoxButtons::Ok);
    }
    return error == FileError::None;
}

bool ConfigStore::switchProfile(int entry) {
    using namespace config;
    if (entry < 0 || entry >= kProfileCount) return false;
    const ProfileImage previous = image();
    if (loadProfile(profilePath(entry), true) != ProfileLoad::Loaded) {
        setImage(previous);
        return false;
    }
    current_ = entry;
    copyMacroIdsFromEntry(entry);
    for (int e = 0; e < kProfileCount; ++e) block_.set(CurrentFlag(e), e == entry ? 1 : 0);
    highlight(/*requireMagic=*/false);
    if (observer_) observer_->refreshPagesFromProfile();
    return true;
}

bool ConfigStore::saveAfterApply() {
    const ProfileSnapshot saved = snapshot();
    for (int b = 0; b < kButtonCount; ++b) {
        block_.set(config::MacroId(current_, b), saved.macroIds[static_cast<size_t>(b)]);
    }
    const auto path = profilePath(current_);
    const FileResult error = files_.replace(path, saved.image.bytes());
    if (!error.ok()) {
        X5K_LOG("profiles: cannot save profile ", path.string(), ": ", error.cause);
    }
    if (error == FileError::NotFound) {
        messages_.showInfoBox(FormatText(strings_.get("str_msg2"), {path.string()}));
    } else if (error == FileError::AccessDenied) {
        messages_.showInfoBox(strings_.get("str_msg5"));
    }
    // A block that cannot be written shows no message: the profile file holds what was
    // applied, and the next save writes the block again.
    if (const FileResult block = files_.replace(blockPath(), block_.bytes()); !block.ok()) {
        X5K_LOG("profiles: cannot save the configuration block ", blockPath().string(), ": ",
                block.cause);
    }
    return error == FileError::None;
}

void ConfigStore::restoreDefaults() {
    std::lock_guard lock(mutex_);
    image_ = DefaultProfile(chinese());
    workingMacroIds_.fill(0);
}

void ConfigStore::highlight(bool requireMagic) {
    using namespace config;
    std::array<bool, kProfileCount> highlighted{};
    for (int e = 0; e < kProfileCount; ++e) {
        highlighted[static_cast<size_t>(e)] =
            block_.get(CurrentFlag(e)) != 0 &&
            (!requireMagic || block_.get(EntryMagic(e)) == kEntryMagicValue);
    }
    if (observer_) observer_->setProfileHighlights(highlighted);
}

void ConfigStore::copyMacroIdsFromEntry(int entry) {
    std::lock_guard lock(mutex_);
    for (int b = 0; b < kButtonCount; ++b) {
        workingMacroIds_[static_cast<size_t>(b)] = block_.get(config::MacroId(entry, b));
    }
}

}  // namespace x5k
