#pragma once
// A profile as readable JSON ("format": "x5k-profile", "version": 1; the schema is in
// docs/profile-json.md). The settings are written in the user's terms; the bytes of the
// profile image that they do not give are carried in "unnamed", so an export read back
// gives the same 22,160 bytes.

#include <optional>
#include <string>
#include <string_view>

#include "profiles/ProfileImage.h"

namespace x5k {

class MacroTable;

struct [[nodiscard]] JsonExport {
    std::optional<std::string> text;  // ends with a newline
    std::string problem;              // "JSON path: why", when there is no text
};

// The profile as JSON. With `macros`, the macros bound to its buttons are listed with
// their events. A profile holding a value the settings cannot express (a damaged or
// edited file) is not exported: the problem names the field.
JsonExport ExportProfileJson(const ProfileImage& image, const MacroTable* macros = nullptr);

struct [[nodiscard]] JsonImport {
    std::optional<ProfileImage> image;
    std::string problem;  // "JSON path: why", when there is no image
};

// The profile a JSON text describes, checked with the window's rules; the first
// problem found, named by its JSON path, otherwise.
JsonImport ImportProfileJson(std::string_view text);

// A macro ID as the files show it ("0x15000101"), and back (with or without "0x").
std::string MacroIdText(int32_t id);
std::optional<int32_t> ParseMacroId(std::string_view text);

}  // namespace x5k
