#include "tools/x5kctl/ProfileTarget.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/linux/SingleInstance.h"
#include "profiles/Folders.h"
#include "tools/x5kctl/ExitCodes.h"

namespace x5k {

std::optional<int> ParseProfileNumber(std::string_view text) {
    if (text.size() != 1 || text[0] < '1' || text[0] > '0' + kProfileCount) return std::nullopt;
    return text[0] - '0';
}

namespace {

std::optional<std::filesystem::path> UserDataFolder() {
    return DataFolderFrom(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}

// Whether `path` lies below `folder` once both are made absolute and the symlinks of
// their existing parts are followed.
bool LiesBelow(const std::filesystem::path& path, const std::filesystem::path& folder) {
    std::error_code error;
    const std::filesystem::path file = std::filesystem::weakly_canonical(path, error);
    if (error) return false;
    const std::filesystem::path base = std::filesystem::weakly_canonical(folder, error);
    if (error) return false;
    // A folder written with a trailing "/" ends in an empty part.
    const auto differs = std::mismatch(base.begin(), base.end(), file.begin(), file.end()).first;
    return differs == base.end() || (std::next(differs) == base.end() && differs->empty());
}

}  // namespace

ProfileTarget NamedProfile(const std::filesystem::path& path) {
    const std::optional<std::filesystem::path> dataFolder = UserDataFolder();
    return {path, std::nullopt, dataFolder && LiesBelow(path, *dataFolder)};
}

ProfileTarget DataFolderProfile(const std::filesystem::path& dataFolder, int number) {
    return {dataFolder / "Profile" / ("Profile" + std::to_string(number) + ".cfg"),
            dataFolder / "Macro.cfg", true};
}

ProfileTargetChoice TakeProfileTarget(std::vector<std::string>& words) {
    const auto usage = [](std::string text) {
        return ProfileTargetChoice{std::nullopt, kExitUsage, std::move(text)};
    };
    std::optional<std::string> numberText;
    for (size_t i = 0; i < words.size();) {
        std::string_view word = words[i];
        size_t used = 0;
        if (word == "--profile") {
            if (i + 1 >= words.size()) return usage("--profile needs a number from 1 to 5");
            word = words[i + 1];
            used = 2;
        } else if (word.starts_with("--profile=")) {
            word.remove_prefix(10);
            used = 1;
        } else {
            ++i;
            continue;
        }
        if (numberText) return usage("--profile is given twice");
        numberText = std::string(word);
        words.erase(words.begin() + static_cast<std::ptrdiff_t>(i),
                    words.begin() + static_cast<std::ptrdiff_t>(i + used));
    }

    if (!numberText) {
        if (words.empty())
            return usage("name a profile file, or the data folder's with --profile N");
        if (words.front().starts_with("-")) return usage("unknown option " + words.front());
        ProfileTarget target = NamedProfile(words.front());
        words.erase(words.begin());
        return {std::move(target), 0, {}};
    }
    const std::optional<int> number = ParseProfileNumber(*numberText);
    if (!number) {
        return usage("--profile takes a number from 1 to 5, not '" + *numberText + "'");
    }
    const std::optional<std::filesystem::path> dataFolder = UserDataFolder();
    if (!dataFolder) {
        return {std::nullopt, kExitFile,
                "no data folder: neither XDG_DATA_HOME nor HOME names an absolute folder"};
    }
    return {DataFolderProfile(*dataFolder, *number), 0, {}};
}

bool DriverRunning() {
    const std::optional<std::filesystem::path> folder =
        InstanceFolder(std::getenv("XDG_RUNTIME_DIR"));
    // Without a private folder the program locks its data folder instead.
    const std::optional<std::filesystem::path> data = UserDataFolder();
    return (folder && InstanceRunning(*folder)) || (data && InstanceRunning(*data));
}

bool RefuseWhileDriverRuns(bool force) {
    if (!DriverRunning()) return false;
    if (force) {
        std::fputs(
            "x5kctl: x5k-driver is running and holds the profiles in memory: it may write "
            "them back over this edit (written anyway, as --force asks)\n",
            stderr);
        return false;
    }
    std::fputs(
        "x5kctl: x5k-driver is running and holds the profiles in memory: it would overwrite "
        "this edit of the data folder with its own copy. End x5k-driver first (\"Exit\" in "
        "its notification-area menu), or give --force to write anyway\n",
        stderr);
    return true;
}

}  // namespace x5k
