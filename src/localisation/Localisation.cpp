#include "localisation/Localisation.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
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
// Far above any real language file and any real interface string: a larger one would
// hold the window (a box with megabytes of text) for no purpose.
constexpr size_t kMaxLanguageFileSize = 1024 * 1024;
constexpr size_t kMaxStringSize = 4096;

// The first `limit` bytes of the file at most; `cut` tells whether there was more.
// Nothing when it cannot be opened or read.
std::optional<std::vector<uint8_t>> ReadHead(const std::filesystem::path& path, size_t limit,
                                             bool& cut) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file) return std::nullopt;
    // One byte more than is kept tells whether the file goes on; a size from the file
    // system is not trusted, as it is wrong for some special files.
    std::vector<uint8_t> bytes(limit + 1);
    size_t got = 0;
    while (got < bytes.size()) {
        const size_t n = std::fread(bytes.data() + got, 1, bytes.size() - got, file.get());
        if (n == 0) break;
        got += n;
    }
    if (std::ferror(file.get())) return std::nullopt;
    cut = got > limit;
    bytes.resize(std::min(got, limit));
    return bytes;
}

// The length of the longest start of `text` within `limit` bytes that ends where a
// UTF-8 character begins.
size_t Utf8PrefixLength(std::string_view text, size_t limit) {
    if (text.size() <= limit) return text.size();
    size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return end;
}

}  // namespace

Localisation::Localisation(FileSystem& files, UserMessages& messages,
                           std::filesystem::path programFolder, std::filesystem::path dataFolder)
    : files_(files),
      messages_(messages),
      programFolder_(std::move(programFolder)),
      dataFolder_(std::move(dataFolder)) {}

void Localisation::loadLanguage(const std::filesystem::path& file) {
    // A failed load empties the reader, so every string then reads as empty.
    bool cut = false;
    const std::optional<std::vector<uint8_t>> bytes = ReadHead(file, kMaxLanguageFileSize, cut);
    if (!bytes) {
        (void)reader_.LoadBytes({});
        X5K_LOG("language: cannot read ", file.string());
    } else if (const XmlParseResult loaded = reader_.LoadMemory(*bytes); !loaded) {
        X5K_LOG("language: cannot load ", file.string(), ": ", loaded.description());
    } else if (loaded.status == XmlStatus::Recovered) {
        X5K_LOG("language: ", file.string(), " loaded with a repair: ", loaded.description());
    }
    if (cut) {
        X5K_LOG("language: ", file.string(), " is cut after its first ", kMaxLanguageFileSize,
                " bytes; what follows is not read");
    }
    for (const std::string_view key : InterfaceStrings::kKeys) {
        std::string text = reader_.ReadMarkupValue("config", key);
        if (const size_t keep = Utf8PrefixLength(text, kMaxStringSize); keep < text.size()) {
            X5K_LOG("language: ", key, " in ", file.string(), " is cut from ", text.size(), " to ",
                    keep, " bytes");
            text.resize(keep);
        }
        strings_.set(key, std::move(text));
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
