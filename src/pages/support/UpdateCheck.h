#pragma once
// The firmware update check: the update-check worker, its three flags and wake-up
// event, the support page's two-second timeout (timer 5), the download of the update
// description and of the firmware image, and the hand-over to the flasher. No window
// and no network code: the page calls start() and tick(), the program supplies the
// downloader, the message boxes and the rest through the interfaces below.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "common/ManualResetEvent.h"
#include "platform/Clock.h"
#include "platform/Downloader.h"
#include "platform/FileSystem.h"
#include "platform/Shell.h"
#include "platform/UserMessages.h"

namespace x5k {
class CXmlReader;
class InterfaceStrings;
}  // namespace x5k

namespace x5k::supportpage {

// The texts the check shows, in the interface language of the moment.
struct UpdateTexts {
    std::string offer;           // OK and Cancel
    std::string latest;          // OK
    std::string imageFailed;     // OK
    std::string noServer;        // OK: this build names no update server
    std::string savedNoFlasher;  // the plain "Info" box; "%s" is the image's path
};

// The interface keys of the two texts the language files carry for the update.
inline constexpr std::string_view kNoServerKey = "str_update_noserver";
inline constexpr std::string_view kSavedNoFlasherKey = "str_update_saved";

// The fixed texts (English, or Chinese while the Chinese-interface flag is set) and the
// two language-file texts, each with an English fallback when the file lacks it.
UpdateTexts UpdateTextsFor(bool chinese, const InterfaceStrings& strings);

// What the program supplies around the check. Called from the worker thread too.
class UpdateHost {
public:
    virtual ~UpdateHost() = default;
    // The mouse's firmware version as decimal text; empty when unknown.
    virtual std::string firmwareVersion() = 0;
    virtual bool chineseInterface() = 0;
    virtual UpdateTexts texts() = 0;
    // True when `program` exists and may be executed by this user.
    virtual bool isExecutable(const std::filesystem::path& program) = 0;
    // Asks the main window to close, as the notification icon's Exit does.
    virtual void closeProgram() = 0;
};

// The host the program runs with: what the worker asks for is kept here by the user
// interface thread (the firmware version when the mouse tells it, the texts at each change
// of language), so the worker reads a copy under a lock and never a window.
class SharedUpdateHost final : public UpdateHost {
public:
    SharedUpdateHost(const std::atomic<bool>& chinese, std::function<void()> closeProgram,
                     std::function<bool(const std::filesystem::path&)> isExecutable);

    void setFirmwareVersion(std::string version);
    void setTexts(UpdateTexts texts);

    std::string firmwareVersion() override;
    bool chineseInterface() override { return chinese_.load(); }
    UpdateTexts texts() override;
    bool isExecutable(const std::filesystem::path& program) override {
        return isExecutable_(program);
    }
    void closeProgram() override { closeProgram_(); }

private:
    const std::atomic<bool>& chinese_;
    std::function<void()> closeProgram_;
    std::function<bool(const std::filesystem::path&)> isExecutable_;
    std::mutex mutex_;
    std::string firmwareVersion_;
    UpdateTexts texts_;
};

// The progress dialog of the image download.
class UpdateProgress {
public:
    virtual ~UpdateProgress() = default;
    virtual void begin() = 0;
    virtual void percent(int value) = 0;
    // True once the user pressed the dialog's Cancel.
    virtual bool cancelRequested() = 0;
    virtual void end() = 0;
};

struct UpdateSettings {
    std::string server;  // scheme and host, e.g. "https://updates.example.org"; empty: none
    std::filesystem::path programFolder;
    std::filesystem::path dataFolder;
    // The flasher: relative names are below the program folder.
    std::filesystem::path flasher = "FWUpdate/ZazareVA";
};

// The server and flasher this build was configured with, for the given folders.
UpdateSettings BuiltInUpdateSettings(const std::filesystem::path& programFolder,
                                     const std::filesystem::path& dataFolder);

struct UpdateServices {
    Clock& clock;
    Downloader& downloader;
    UserMessages& messages;
    FileSystem& files;
    Shell& shell;
    UpdateHost& host;
    UpdateProgress* progress = nullptr;  // none: the image downloads without a dialog
};

// A version text read as the C library's wide-text-to-integer conversion reads it
// (leading blanks, an optional sign, the digits up to the first other character,
// clamped to 32 bits), then taken as unsigned 32 bits.
uint32_t ParseVersion(std::string_view text);

class UpdateCheck {
public:
    static constexpr std::string_view kDescriptionPath = "/software/x5k/update.xml";
    static constexpr size_t kDescriptionCap = 64 * 1024;
    static constexpr size_t kImageCap = 4 * 1024 * 1024;
    static constexpr uint32_t kTimeoutMs = 2000;

    UpdateCheck(UpdateSettings settings, UpdateServices services);
    ~UpdateCheck();
    UpdateCheck(const UpdateCheck&) = delete;
    UpdateCheck& operator=(const UpdateCheck&) = delete;

    // The update button (user interface thread), CDlgSupport::CheckForUpdate's whole
    // work. False when the press was ignored or the user declined a cached offer; the
    // caller ignores the result.
    bool start();
    // The page's timer 5 handler: once the check has run for two seconds, it is
    // abandoned and the latest message is shown. Returns true when it fired.
    bool tick();
    bool timerRunning() const;

    // The worker: starts the thread once; stop() clears the run flag, wakes it and
    // aborts a running download; the destructor stops and joins.
    void launch();
    void stop();
    // One turn of the worker: waits for the event, then runs one check. False when the
    // run flag was cleared. Tests call it on their own thread.
    bool serveOne();

    bool idle() const { return idle_.load() != 0; }
    bool timedOut() const { return timedOut_.load() != 0; }
    std::filesystem::path descriptionFile() const;
    std::filesystem::path imageFile() const;
    std::filesystem::path flasherPath() const;
    // The `newfile` value of the last description downloaded.
    std::string newFirmwareUrl() const;

private:
    struct Description {
        std::string current;
        std::string newfile;
        std::string sha256;
        std::string size;
    };
    static Description Describe(CXmlReader& reader);

    void runCheck();
    void runCachedOffer();
    void finish();
    bool prepareFolder();
    bool DownloadNewFirmware(const Description& description);
    bool StartFlasher();
    bool cancelled() const;

    UpdateSettings settings_;
    UpdateServices services_;
    ManualResetEvent event_;
    std::atomic<int> run_{1};
    std::atomic<int> idle_{1};
    std::atomic<int> timedOut_{0};
    // A cached offer the user accepted: the worker fetches the image and hands over.
    std::atomic<bool> cachedAccepted_{false};

    mutable std::mutex timerMutex_;
    bool timerRunning_ = false;
    uint32_t timerStartMs_ = 0;

    mutable std::mutex urlMutex_;
    std::string newFirmwareUrl_;

    std::thread worker_;
};

}  // namespace x5k::supportpage
