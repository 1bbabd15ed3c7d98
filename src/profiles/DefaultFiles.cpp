#include "profiles/DefaultFiles.h"

#include "profiles/ProfileImage.h"
#include "macros/MacroTable.h"

namespace x5k {
namespace {

template <size_t N>
std::vector<uint8_t> ToVector(const ByteRecord<N>& record) {
    return {record.bytes().begin(), record.bytes().end()};
}

static_assert(kMacroFileSize == MacroTable::kFileSize);

}  // namespace

std::vector<DefaultFile> DefaultDataFiles() {
    std::vector<DefaultFile> files;
    files.push_back({"Macro.cfg", MacroTable().fileImage()});

    ByteRecord<4> language;
    language.set(I32Field{0}, kShippedLanguageIndex);
    files.push_back({"Language.cfg", ToVector(language)});

    files.push_back({"Sts.cfg", std::vector<uint8_t>(kStatsFileSize, 0)});

    // The paths inside the block are rebuilt at every start, so the shipped block
    // leaves them empty and is the same on every machine.
    ConfigBlock block;
    for (int e = 0; e < kProfileCount; ++e)
        block.set(config::EntryMagic(e), config::kEntryMagicValue);
    block.set(config::CurrentFlag(0), 1);
    files.push_back({"Profile/ConfigInfo.cfg", ToVector(block)});

    const auto profile = ToVector(DefaultProfile(/*chinese=*/false));
    for (int p = 1; p <= kProfileCount; ++p) {
        files.push_back({"Profile/Profile" + std::to_string(p) + ".cfg", profile});
    }
    return files;
}

bool WriteDefaultDataFiles(FileSystem& files, const std::filesystem::path& folder) {
    bool ok = files.createFolders(folder / "Profile").ok();
    for (const DefaultFile& file : DefaultDataFiles()) {
        ok = files.replace(folder / file.relativePath, file.bytes) == FileError::None && ok;
    }
    return ok;
}

}  // namespace x5k
