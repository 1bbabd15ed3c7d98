#pragma once
// x5kctl's exit codes, the same for every command (the man page lists them).

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "tools/x5kctl/Printable.h"

namespace x5k {

// The command did what was asked.
inline constexpr int kExitDone = 0;
// Refused or not found: the mouse is not there or refuses, a file is not what it should
// be (not a profile), what was named is not in it (a macro ID), or the edit is refused.
inline constexpr int kExitRefused = 1;
// The command line is not understood: unknown command or option, missing or extra words,
// a value out of range.
inline constexpr int kExitUsage = 2;
// A file or folder could not be read or written.
inline constexpr int kExitFile = 3;
// The mouse or the input devices were found but did not answer or could not be opened.
inline constexpr int kExitDevice = 4;
// The system refused what the command needs to run (signal or event descriptors).
inline constexpr int kExitSystem = 5;

// Says on stderr why the command line is not understood; returns kExitUsage. The caller
// adds the command's usage line. Words of the command line in `reason` show escaped.
inline int UsageError(std::string_view reason) {
    std::fprintf(stderr, "x5kctl: %s\n", Printable(reason).c_str());
    return kExitUsage;
}

// The exit code for a file that could not be read: a folder, pipe or device where a file
// should be is not what it should be (1), as for the emulated mouse's state path; a path
// that is missing, denied or a link loop could not be read (3).
inline int ReadFailureCode(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    const bool there = !error && status.type() != std::filesystem::file_type::not_found;
    return there && !std::filesystem::is_regular_file(status) ? kExitRefused : kExitFile;
}

}  // namespace x5k
