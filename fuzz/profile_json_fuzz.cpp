// libFuzzer target for the JSON import of a profile: any text must be read or refused
// with a problem, never crash; a profile it accepts must export again, and that export
// must import to the same 22,160 bytes.
#include <string_view>

#include "profiles/ProfileJson.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace x5k;
    const JsonImport imported =
        ImportProfileJson(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!imported.image) {
        if (imported.problem.empty()) __builtin_trap();
        return 0;
    }
    const JsonExport exported = ExportProfileJson(*imported.image);
    if (!exported.text) __builtin_trap();
    const JsonImport again = ImportProfileJson(*exported.text);
    if (!again.image || !(*again.image == *imported.image)) __builtin_trap();
    return 0;
}
