#pragma once
// The demo mode keeps what the emulated mouse holds between runs in a small text file,
// one "key = value" per line; blank lines and lines starting with '#' are ignored:
//
//   format = x5k-emulated-mouse 1
//   report_rate = 1                 decimal, 0..255
//   lighting = on                   on | off
//   resolution_level = 3            decimal, 0..255
//   colour = 000000FF               0x00BBGGRR, eight hex digits
//   effect = 040A02                 3 bytes in hex
//   resolution_table = 0304...      16 bytes in hex
//   button_matrix = 0100F000...     64 bytes in hex
//   macro_0 = 0001...               512 bytes in hex, one line per slot 0..7
//
// Every key must appear exactly once and no other key may; anything else makes the
// file damaged. The protocol errors of a session are not kept: they are not something
// the mouse stores.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "device/emulator/MouseFirmware.h"
#include "platform/FileSystem.h"

namespace x5k {

std::string FormatMouseState(const MouseState& state);

// Nothing when the text is not a complete, well-formed state.
std::optional<MouseState> ParseMouseState(std::string_view text);

// Replaces the file through `files`, whose temporary file beside it has a fresh name, so
// neither a failed write nor a file planted under a temporary name is harmed. False when
// the file cannot be written.
bool SaveMouseState(const MouseState& state, const std::filesystem::path& path, FileSystem& files);

// Nothing when the file is missing, unreadable, larger than any state file, or damaged.
std::optional<MouseState> LoadMouseState(const std::filesystem::path& path);

// What a state path held when a run began. The run replaces it at its end only when it
// held a state or was not there: anything else is someone else's file, pipe or folder,
// and is left as it is.
enum class StatePathKind {
    Missing,     // nothing there (a dangling link counts as nothing)
    State,       // a state file, read
    NotAState,   // a regular file that is no state file (damaged, or another file)
    NotAFile,    // a folder, pipe, device or socket
    Unreadable,  // the system refused to tell or to read (link loop, no permission)
};

struct StatePathRead {
    StatePathKind kind = StatePathKind::Missing;
    std::optional<MouseState> state;  // with State
    std::error_code error;            // with Unreadable, the system's cause

    bool replaceable() const {
        return kind == StatePathKind::Missing || kind == StatePathKind::State;
    }
    // Why the path is refused, to follow its name in a message; empty when it is not.
    std::string refusal() const;
};

// Never throws: the system's refusals become Unreadable.
StatePathRead ReadStatePath(const std::filesystem::path& path);

}  // namespace x5k
