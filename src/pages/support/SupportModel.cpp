#include "pages/support/SupportModel.h"

#include "common/BuiltInTexts.h"
#include "common/DiagnosticLog.h"
#include "common/TextFormat.h"

namespace x5k::support {
namespace {

constexpr std::string_view kImportSuccess = "%s import success!";
constexpr std::string_view kExportSuccess = "%s export success!";
constexpr std::string_view kExportFailed = "%s export failed!";

// The path goes into the message as text only: a "%" in a file name is never a format.
std::string PathMessage(std::string_view pattern, const std::filesystem::path& path) {
    const std::string text = path.string();
    return FormatText(pattern, {std::string_view(text)});
}

}  // namespace

std::string FirmwareVersionText(std::string_view digits) {
    if (digits.empty()) return std::string(kUnknownVersion);
    const size_t n = digits.size();
    const std::string third(digits.substr(n - 1));
    const std::string second = n >= 2 ? std::string(digits.substr(n - 2, 1)) : "0";
    const std::string first = n >= 3 ? std::string(digits.substr(0, n - 2)) : "0";
    return FormatText("V %s.%s.%s", {first, second, third});
}

std::string RestoreQuestion(bool chinese) {
    return chinese ? "确定要恢复默认设置?" : "Do you want to restore the default setting?";
}

WebButtonState WebButton(std::string_view address, bool chinese) {
    if (!address.empty()) return {true, {}};
    return {false, chinese ? "此版本未设置网址" : "This build has no web page address"};
}

FileOutcome SupportModel::importProfile(const std::filesystem::path& path) {
    ProfileImage read;
    const FileResult result = files_.readInto(path, read.bytes());
    if (!result.ok()) {
        X5K_LOG("support: cannot read the import file ", path.string(), ": ", result.cause);
        return {false, false, PathMessage(kInvalidProfileMessage, path)};
    }
    if (static_cast<uint32_t>(read.get(profile::kMagic)) != profile::kMagicValue) {
        return {false, false, PathMessage(kInvalidProfileMessage, path)};
    }
    profile_ = read;
    return {true, true, PathMessage(kImportSuccess, path)};
}

FileOutcome SupportModel::exportProfile(const std::filesystem::path& path) {
    const FileResult result = files_.replace(path, profile_.bytes());
    if (!result.ok()) {
        X5K_LOG("support: cannot write the export file ", path.string(), ": ", result.cause);
        return {false, false, PathMessage(kExportFailed, path)};
    }
    return {false, true, PathMessage(kExportSuccess, path)};
}

}  // namespace x5k::support
