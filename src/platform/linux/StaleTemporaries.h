#pragma once
// What interrupted writes leave in the data folder, mended at start. Every save writes
// "<file>.XXXXXX" beside its file and renames it over the file; a save killed in between
// leaves that temporary file behind. Copies made by earlier versions could be left
// write-only by a kill.

#include <ctime>
#include <filesystem>
#include <span>
#include <string_view>

namespace x5k {

// Whether `name` is a temporary file of a save of `file`: the file's name, a dot and six
// letters or digits, not all of them small letters (a word such as "backup" names a
// user's copy).
bool IsTemporaryOf(std::string_view name, std::string_view file);

// Removes from `folder` the temporaries of `files` (names inside that folder) last changed
// more than a minute before `now`: regular files, and symlinks themselves, never their
// targets. Folders and everything else stay. Returns how many were removed.
int RemoveStaleTemporaries(const std::filesystem::path& folder,
                           std::span<const std::string_view> files, std::time_t now);

// The same for the data folder, its "Profile" folder and the firmware update's folder, with
// the files the program saves there.
int RemoveStaleDataTemporaries(const std::filesystem::path& dataFolder, std::time_t now);

// Gives the owner back the right to read each file the program keeps in the data folder
// and its "Profile" folder that is a regular file of this user without it (a copy cut
// short could leave one at mode 0200, and the program would take it for missing at every
// start). Links are not followed; other files stay as they are. Returns how many changed.
int RestoreOwnerRead(const std::filesystem::path& dataFolder);

}  // namespace x5k
