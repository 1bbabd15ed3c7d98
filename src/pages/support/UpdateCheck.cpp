#include "pages/support/UpdateCheck.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>
#include <optional>
#include <utility>

#include "common/DiagnosticLog.h"
#include "common/Sha256.h"
#include "common/TextFormat.h"
#include "localisation/InterfaceStrings.h"
#include "xml/XmlReader.h"

namespace x5k::supportpage {
namespace {

constexpr std::string_view kOfferEnglish =
    "A new version of firmware is available for the gaming mouse, whether to update or not?";
constexpr std::string_view kOfferChinese =
    "\xE6\xB8\xB8\xE6\x88\x8F\xE9\xBC\xA0\xE6\xA0\x87\xE5\x9B\xBA\xE4\xBB\xB6\xE6\x9C\x89\xE6"
    "\x9B\xB4\xE6\x96\xB0,\xE6\x98\xAF\xE5\x90\xA6\xE6\x9B\xB4\xE6\x96\xB0\xE5\x88\xB0\xE6\x9C"
    "\x80\xE6\x96\xB0\xE7\x89\x88\xE6\x9C\xAC?";
constexpr std::string_view kLatestEnglish = "Firmware is the latest version.";
constexpr std::string_view kLatestChinese =
    "\xE5\x9B\xBA\xE4\xBB\xB6\xE5\xB7\xB2\xE7\xBB\x8F\xE6\x98\xAF\xE6\x9C\x80\xE6\x96\xB0\xE7"
    "\x89\x88\xE6\x9C\xAC.";
constexpr std::string_view kImageFailed = "New-version firmware download failed.";
constexpr std::string_view kNoServerEnglish =
    "This build of the program has no update server; firmware updates are not available.";
constexpr std::string_view kSavedNoFlasherEnglish =
    "The new firmware was saved at %s, but no firmware flasher is installed.";

std::string Trimmed(std::string_view text) {
    const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return std::string(text);
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    });
    return text;
}

// A size text: decimal digits only, else no value.
std::optional<uint64_t> ParseSize(std::string_view text) {
    if (text.empty() || text.size() > 18) return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value;
}

}  // namespace

UpdateTexts UpdateTextsFor(bool chinese, const InterfaceStrings& strings) {
    const auto orEnglish = [&](std::string_view key, std::string_view english) {
        const std::string& text = strings.get(key);
        return text.empty() ? std::string(english) : text;
    };
    return {std::string(chinese ? kOfferChinese : kOfferEnglish),
            std::string(chinese ? kLatestChinese : kLatestEnglish), std::string(kImageFailed),
            orEnglish(kNoServerKey, kNoServerEnglish),
            orEnglish(kSavedNoFlasherKey, kSavedNoFlasherEnglish)};
}

SharedUpdateHost::SharedUpdateHost(const std::atomic<bool>& chinese,
                                   std::function<void()> closeProgram,
                                   std::function<bool(const std::filesystem::path&)> isExecutable)
    : chinese_(chinese),
      closeProgram_(std::move(closeProgram)),
      isExecutable_(std::move(isExecutable)) {}

void SharedUpdateHost::setFirmwareVersion(std::string version) {
    std::lock_guard lock(mutex_);
    firmwareVersion_ = std::move(version);
}

void SharedUpdateHost::setTexts(UpdateTexts texts) {
    std::lock_guard lock(mutex_);
    texts_ = std::move(texts);
}

std::string SharedUpdateHost::firmwareVersion() {
    std::lock_guard lock(mutex_);
    return firmwareVersion_;
}

UpdateTexts SharedUpdateHost::texts() {
    std::lock_guard lock(mutex_);
    return texts_;
}

uint32_t ParseVersion(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    int64_t value = 0;
    const int64_t limit = negative ? -int64_t{std::numeric_limits<int32_t>::min()}
                                   : int64_t{std::numeric_limits<int32_t>::max()};
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        value = std::min(limit, value * 10 + (text[at] - '0'));
    }
    return static_cast<uint32_t>(static_cast<int32_t>(negative ? -value : value));
}

UpdateCheck::UpdateCheck(UpdateSettings settings, UpdateServices services)
    : settings_(std::move(settings)), services_(services) {}

UpdateCheck::~UpdateCheck() {
    stop();
    if (worker_.joinable()) worker_.join();
}

std::filesystem::path UpdateCheck::descriptionFile() const {
    return settings_.dataFolder / "FWUpdate" / "new_version" / "update.xml";
}

std::filesystem::path UpdateCheck::imageFile() const {
    return settings_.dataFolder / "FWUpdate" / "new_version" / "ZintuGameDevice.bin";
}

std::filesystem::path UpdateCheck::flasherPath() const {
    return settings_.flasher.is_absolute() ? settings_.flasher
                                           : settings_.programFolder / settings_.flasher;
}

std::string UpdateCheck::newFirmwareUrl() const {
    std::lock_guard lock(urlMutex_);
    return newFirmwareUrl_;
}

UpdateCheck::Description UpdateCheck::Describe(CXmlReader& reader) {
    return {Trimmed(reader.ReadMarkupValue("firmware", "current")),
            Trimmed(reader.ReadMarkupValue("firmware", "newfile")),
            Trimmed(reader.ReadMarkupValue("firmware", "sha256")),
            Trimmed(reader.ReadMarkupValue("firmware", "size"))};
}

bool UpdateCheck::start() {
    if (settings_.server.empty()) {
        // Nothing else happens: no flag, no timer, no file.
        services_.messages.showInfoDialog(services_.host.texts().noServer, BoxButtons::Ok);
        return false;
    }
    // An abandoned check whose download has not returned yet still counts as running:
    // its late end would otherwise end the new check's timeout and mark it idle.
    if (timedOut_.load() != 0) return false;
    int expected = 1;
    if (!idle_.compare_exchange_strong(expected, 0)) return false;

    const uint32_t device = ParseVersion(services_.host.firmwareVersion());
    CXmlReader cached;
    (void)cached.LoadFile(descriptionFile());  // a missing file reads as empty text
    const uint32_t cachedVersion = ParseVersion(cached.ReadMarkupValue("firmware", "current"));
    if (cachedVersion > device) {
        const UpdateTexts texts = services_.host.texts();
        if (services_.messages.showInfoDialog(texts.offer, BoxButtons::OkCancel) !=
            UserMessages::kOk) {
            idle_.store(1);
            return false;
        }
        // The image is fetched first: an offer declined earlier never downloaded it.
        cachedAccepted_.store(true);
        event_.set();
        return true;
    }

    {
        std::lock_guard lock(timerMutex_);
        timerRunning_ = true;
        timerStartMs_ = services_.clock.tickMs();
    }
    event_.set();
    return true;
}

bool UpdateCheck::timerRunning() const {
    std::lock_guard lock(timerMutex_);
    return timerRunning_;
}

bool UpdateCheck::tick() {
    {
        std::lock_guard lock(timerMutex_);
        if (!timerRunning_) return false;
        if (services_.clock.tickMs() - timerStartMs_ < kTimeoutMs) return false;
        timerRunning_ = false;
        event_.reset();
        timedOut_.store(1);
        idle_.store(1);
    }
    X5K_LOG("update: the description did not arrive within two seconds");
    services_.messages.showInfoDialog(services_.host.texts().latest, BoxButtons::Ok);
    return true;
}

void UpdateCheck::launch() {
    if (worker_.joinable()) return;
    worker_ = std::thread([this] {
        while (serveOne()) {
        }
    });
}

void UpdateCheck::stop() {
    run_.store(0);
    event_.set();
}

bool UpdateCheck::cancelled() const {
    return run_.load() == 0;
}

bool UpdateCheck::serveOne() {
    if (run_.load() == 0) return false;
    event_.wait();
    if (run_.load() == 0) return false;
    event_.reset();
    if (cachedAccepted_.exchange(false)) {
        runCachedOffer();
    } else {
        runCheck();
    }
    return true;
}

void UpdateCheck::finish() {
    timedOut_.store(0);
    idle_.store(1);
}

bool UpdateCheck::prepareFolder() {
    const auto folder = descriptionFile().parent_path();
    const SysResult made = services_.files.createFolders(folder);
    if (!made.ok()) {
        X5K_LOG("update: cannot create ", folder.string(), ": ", made);
        return false;
    }
    // Only this user reads what was downloaded, or could plant a file in its place.
    std::error_code error;
    for (const auto& each : {folder.parent_path(), folder}) {
        std::filesystem::permissions(each, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace, error);
    }
    return true;
}

void UpdateCheck::runCheck() {
    const std::string url = settings_.server + std::string(kDescriptionPath);
    // A description the timeout gave up on is not waited for any longer.
    DownloadResult result = services_.downloader.get(
        url, kDescriptionCap, {}, [this] { return cancelled() || timedOut_.load() != 0; });

    bool abandoned = false;
    {
        std::lock_guard lock(timerMutex_);
        timerRunning_ = false;
        abandoned = timedOut_.load() != 0;
    }
    if (abandoned || cancelled()) {
        X5K_LOG("update: a late description was discarded");
        finish();
        return;
    }

    const UpdateTexts texts = services_.host.texts();
    if (result.ok()) {
        if (!prepareFolder()) {
            result.status = DownloadStatus::Failed;
        } else if (const FileResult written = services_.files.replace(
                       descriptionFile(),
                       {reinterpret_cast<const uint8_t*>(result.body.data()), result.body.size()});
                   !written.ok()) {
            X5K_LOG("update: cannot write ", descriptionFile().string(), ": ", written.cause);
            result.status = DownloadStatus::Failed;
        }
    }
    if (!result.ok()) {
        X5K_LOG("update: description download failed: ", result.detail);
        services_.messages.showInfoDialog(texts.latest, BoxButtons::Ok);
        finish();
        return;
    }

    CXmlReader reader;
    (void)reader.LoadBytes(result.body);
    const Description description = Describe(reader);
    {
        std::lock_guard lock(urlMutex_);
        newFirmwareUrl_ = description.newfile;
    }
    if (ParseVersion(description.current) > ParseVersion(services_.host.firmwareVersion())) {
        if (services_.messages.showInfoDialog(texts.offer, BoxButtons::OkCancel) ==
                UserMessages::kOk &&
            DownloadNewFirmware(description)) {
            StartFlasher();
        }
    } else {
        services_.messages.showInfoDialog(texts.latest, BoxButtons::Ok);
    }
    finish();
}

void UpdateCheck::runCachedOffer() {
    CXmlReader reader;
    (void)reader.LoadFile(descriptionFile());
    const Description description = Describe(reader);
    {
        std::lock_guard lock(urlMutex_);
        newFirmwareUrl_ = description.newfile;
    }
    if (DownloadNewFirmware(description)) StartFlasher();
    finish();
}

bool UpdateCheck::DownloadNewFirmware(const Description& description) {
    const UpdateTexts texts = services_.host.texts();
    UpdateProgress* progress = services_.progress;
    if (progress) progress->begin();
    const DownloadResult result = services_.downloader.get(
        description.newfile, kImageCap,
        [progress](uint64_t received, uint64_t total) {
            if (progress && total > 0) {
                progress->percent(
                    static_cast<int>(std::min<uint64_t>(100, received * 100 / total)));
            }
        },
        [this, progress] { return cancelled() || (progress && progress->cancelRequested()); });
    const bool userCancelled = progress && progress->cancelRequested();
    if (progress) progress->end();

    if (cancelled()) return false;
    if (userCancelled || result.status == DownloadStatus::Cancelled) {
        // The user's Cancel in the progress dialog is a declined offer: nothing is shown.
        X5K_LOG("update: the image download was cancelled");
        return false;
    }
    bool good = result.ok();
    if (!good) X5K_LOG("update: image download failed: ", result.detail);
    if (good && !description.size.empty()) {
        const auto size = ParseSize(description.size);
        good = size && *size == result.body.size();
        if (!good) X5K_LOG("update: the image's size does not match the description");
    }
    if (good && !description.sha256.empty()) {
        good = Lower(description.sha256) == Sha256Hex(result.body);
        if (!good) X5K_LOG("update: the image's sha256 does not match the description");
    }
    if (good && description.size.empty() && description.sha256.empty()) {
        X5K_LOG("update: the description names no sha256 or size; the image was not verified");
    }
    if (good && !prepareFolder()) good = false;
    if (good) {
        const FileResult written = services_.files.replace(
            imageFile(),
            {reinterpret_cast<const uint8_t*>(result.body.data()), result.body.size()});
        if (!written.ok()) {
            X5K_LOG("update: cannot write ", imageFile().string(), ": ", written.cause);
            good = false;
        }
    }
    if (!good) services_.messages.showInfoDialog(texts.imageFailed, BoxButtons::Ok);
    return good;
}

bool UpdateCheck::StartFlasher() {
    const auto flasher = flasherPath();
    const std::string argument = services_.host.chineseInterface() ? "1" : "0";
    if (services_.host.isExecutable(flasher) &&
        services_.shell.start(flasher.string(), {argument})) {
        services_.host.closeProgram();
        return true;
    }
    // Closing now would report an update that never happens: the program stays.
    X5K_LOG("update: no flasher at ", flasher.string());
    // A path does not fit the program's own box: it goes in the plain one that grows with
    // its text, as the profile files' messages do.
    const std::string path = imageFile().string();
    services_.messages.showInfoBox(
        FormatText(services_.host.texts().savedNoFlasher, {std::string_view(path)}));
    return false;
}

}  // namespace x5k::supportpage
