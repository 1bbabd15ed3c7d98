#include "localisation/Localisation.h"

#include <vector>

#include "common/BuiltInTexts.h"
#include "common/ByteRecord.h"
#include "common/DiagnosticLog.h"
#include "common/TextFormat.h"
#include "localisation/IniFile.h"
#include "localisation/Languages.h"

namespace x5k {
namespace {

constexpr size_t kMaxIniSize = 64 * 1024;

}  // namespace

Localisation::Localisation(FileSystem& files, UserMessages& messages,
                           std::filesystem::path programFolder, std::filesystem::path dataFolder)
    : files_(files),
      messages_(messages),
      programFolder_(std::move(programFolder)),
      dataFolder_(std::move(dataFolder)) {}

void Localisation::loadLanguage(const std::filesystem::path& file) {
    // A failed load empties the reader, so every string then reads as empty.
    if (const XmlParseResult loaded = reader_.LoadFile(file); !loaded) {
        X5K_LOG("language: cannot load ", file.string(), ": ", loaded.description());
    } else if (loaded.status == XmlStatus::Recovered) {
        X5K_LOG("language: ", file.string(), " loaded with a repair: ", loaded.description());
    }
    for (const std::string_view key : InterfaceStrings::kKeys) {
        strings_.set(key, reader_.ReadMarkupValue("config", key));
    }
}

void Localisation::loadDefaultLanguage() {
    loadLanguage(programFolder_ / FindLanguage(kLanguageChinese)->file);
}

int Localisation::applyFirstRunLanguage() {
    // One byte more than is read keeps the text zero-terminated.
    std::vector<uint8_t> bytes(kMaxIniSize + 1, 0);
    int value = 0;
    const auto path = programFolder_ / "skins" / "languagetype.ini";
    if (files_.readInto(path, std::span(bytes).first(kMaxIniSize)) == FileError::None) {
        const std::string_view text(reinterpret_cast<const char*>(bytes.data()));
        value = ReadIniInt(text, "languagetype", "value", 0);
    }
    const bool chinese = value == 1;
    chinese_ = chinese;
    startedInChinese_ = chinese;
    loadLanguage(programFolder_ /
                 FindLanguage(chinese ? kLanguageChinese : kLanguageEnglish)->file);
    return chinese ? kIndicatorChinese : kIndicatorEnglish;
}

int Localisation::readLanguageChoice() {
    ByteRecord<4> record;
    const auto path = languageChoicePath();
    const FileError error = files_.readInto(path, record.bytes());
    if (error == FileError::None) return record.get(I32Field{0});
    if (error == FileError::NotFound) {
        messages_.showInfoDialog(FormatText(kOpenFailedMessage, {path.string()}), BoxButtons::Ok);
    }
    return kLanguageChinese;
}

void Localisation::saveLanguageChoice(int index) {
    ByteRecord<4> record;
    record.set(I32Field{0}, index);
    const auto path = languageChoicePath();
    const FileError error = files_.replace(path, record.bytes());
    if (error == FileError::NotFound) {
        messages_.showInfoBox(FormatText(strings_.get("str_msg2"), {path.string()}));
    } else if (error == FileError::AccessDenied) {
        messages_.showInfoBox(strings_.get("str_msg5"));
    }
}

Localisation::Switch Localisation::selectLanguage(uint32_t wParam, int32_t index, bool menuOpen) {
    const bool fromStartUp = wParam == kFromStartUp;
    if (index == 0 || (!fromStartUp && !menuOpen)) return {};
    Switch result;
    result.handled = true;
    const LanguageRow* language = FindLanguage(index);
    chinese_ = language && language->chineseBuiltInTexts;
    if (language) {
        loadLanguage(programFolder_ / language->file);
        result.indicatorBitmap = language->indicatorBitmap;
    }
    saveLanguageChoice(index);
    result.closeMenu = !fromStartUp;
    return result;
}

}  // namespace x5k
