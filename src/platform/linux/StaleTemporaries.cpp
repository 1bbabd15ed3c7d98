#include "platform/linux/StaleTemporaries.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>

#include "common/DiagnosticLog.h"

namespace x5k {
namespace {

// A save still writing its temporary file is never older than this.
constexpr std::time_t kStaleAfterSeconds = 60;

constexpr std::array<std::string_view, 4> kDataFiles = {"Macro.cfg", "Language.cfg", "Sts.cfg",
                                                        "Seeding.unfinished"};
constexpr std::array<std::string_view, 6> kProfileFiles = {"ConfigInfo.cfg", "Profile1.cfg",
                                                           "Profile2.cfg",   "Profile3.cfg",
                                                           "Profile4.cfg",   "Profile5.cfg"};
// The firmware update's downloads, in "FWUpdate/new_version".
constexpr std::array<std::string_view, 2> kUpdateFiles = {"update.xml", "ZintuGameDevice.bin"};

}  // namespace

bool IsTemporaryOf(std::string_view name, std::string_view file) {
    constexpr size_t kSuffix = 7;  // ".XXXXXX"
    if (name.size() != file.size() + kSuffix || !name.starts_with(file) ||
        name[file.size()] != '.') {
        return false;
    }
    const std::string_view suffix = name.substr(file.size() + 1);
    const auto lower = [](char c) { return c >= 'a' && c <= 'z'; };
    // Six small letters read as a word ("Profile1.cfg.backup"): a user's copy, kept. The
    // saves draw such a random suffix again, so none of theirs is one.
    if (std::all_of(suffix.begin(), suffix.end(), lower)) return false;
    return std::all_of(suffix.begin(), suffix.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

int RemoveStaleTemporaries(const std::filesystem::path& folder,
                           std::span<const std::string_view> files, std::time_t now) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (std::none_of(files.begin(), files.end(),
                         [&](std::string_view file) { return IsTemporaryOf(name, file); })) {
            continue;
        }
        struct stat info {};
        if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode)) continue;
        if (now - info.st_mtime <= kStaleAfterSeconds) continue;
        if (::unlinkat(::dirfd(dir), entry->d_name, 0) == 0) {
            X5K_LOG("file: removed the stale temporary ", (folder / name).string());
            ++removed;
        }
    }
    ::closedir(dir);
    return removed;
}

namespace {

int RestoreOwnerReadIn(const std::filesystem::path& folder,
                       std::span<const std::string_view> files) {
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return 0;
    int restored = 0;
    for (const std::string_view file : files) {
        const std::string name(file);
        struct stat info {};
        if (::fstatat(dir, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid() || (info.st_mode & S_IRUSR)) {
            continue;
        }
        if (::fchmodat(dir, name.c_str(), (info.st_mode & 07777) | S_IRUSR, 0) == 0) {
            X5K_LOG("file: gave the owner back the right to read ", (folder / name).string());
            ++restored;
        }
    }
    ::close(dir);
    return restored;
}

}  // namespace

int RestoreOwnerRead(const std::filesystem::path& dataFolder) {
    return RestoreOwnerReadIn(dataFolder, kDataFiles) +
           RestoreOwnerReadIn(dataFolder / "Profile", kProfileFiles);
}

int RemoveStaleDataTemporaries(const std::filesystem::path& dataFolder, std::time_t now) {
    return RemoveStaleTemporaries(dataFolder, kDataFiles, now) +
           RemoveStaleTemporaries(dataFolder / "Profile", kProfileFiles, now) +
           RemoveStaleTemporaries(dataFolder / "FWUpdate" / "new_version", kUpdateFiles, now);
}

}  // namespace x5k
