// The firmware update check through the virtual clock, a scripted downloader and real
// files in a test folder.

#include "pages/support/UpdateCheck.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <map>
#include <optional>

#include "common/Sha256.h"
#include "localisation/InterfaceStrings.h"
#include "platform/linux/PosixFileSystem.h"
#include "support/RecordingShell.h"
#include "support/RecordingUserMessages.h"
#include "support/TempFolder.h"
#include "support/VirtualClock.h"

namespace x5k::supportpage {
namespace {

using test::RecordingShell;
using test::RecordingUserMessages;
using test::TempFolder;
using test::VirtualClock;

constexpr const char* kServer = "https://updates.test";
constexpr const char* kDescriptionUrl = "https://updates.test/software/x5k/update.xml";
constexpr const char* kImageUrl = "https://updates.test/fw.bin";
const std::string kImage = "firmware image bytes";

std::string Description(std::string_view current, std::string_view extra = {}) {
    return "<update><firmware><current>" + std::string(current) + "</current><newfile>" +
           kImageUrl + "</newfile>" + std::string(extra) + "</firmware></update>";
}

class ScriptedDownloader final : public Downloader {
public:
    DownloadResult get(const std::string& url, size_t cap, const Progress& progress,
                       const Cancel& cancel) override {
        fetched.push_back(url);
        if (during) during(url, cancel);
        const auto found = bodies.find(url);
        if (found == bodies.end()) return {DownloadStatus::Failed, {}, "not served"};
        if (found->second.size() > cap) return {DownloadStatus::TooLarge, {}, "cap"};
        if (progress) progress(found->second.size(), found->second.size());
        if (cancel && cancel()) return {DownloadStatus::Cancelled, {}, "cancelled"};
        return {DownloadStatus::Ok, found->second, {}};
    }
    std::map<std::string, std::string> bodies;
    std::vector<std::string> fetched = {};
    std::function<void(const std::string&, const Cancel&)> during;
};

class FakeHost final : public UpdateHost {
public:
    std::string firmwareVersion() override { return version; }
    bool chineseInterface() override { return chinese; }
    UpdateTexts texts() override { return UpdateTextsFor(chinese, InterfaceStrings{}); }
    bool isExecutable(const std::filesystem::path&) override { return flasherInstalled; }
    void closeProgram() override { ++closed; }

    std::string version;
    bool chinese = false;
    bool flasherInstalled = true;
    int closed = 0;
};

class FakeProgress final : public UpdateProgress {
public:
    void begin() override { ++begun; }
    void percent(int value) override { last = value; }
    bool cancelRequested() override { return cancel; }
    void end() override { ++ended; }
    int begun = 0, ended = 0, last = -1;
    bool cancel = false;
};

struct Rig {
    TempFolder folder;
    VirtualClock clock;
    ScriptedDownloader downloader;
    RecordingUserMessages messages;
    PosixFileSystem files;
    RecordingShell shell;
    FakeHost host;
    FakeProgress progress;
    std::unique_ptr<UpdateCheck> check;

    explicit Rig(std::string server = kServer) {
        check = std::make_unique<UpdateCheck>(
            UpdateSettings{server, folder / "program", folder / "data", "FWUpdate/ZazareVA"},
            UpdateServices{clock, downloader, messages, files, shell, host, &progress});
    }
    void write(const std::filesystem::path& path, const std::string& text) {
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    std::optional<std::string> read(const std::filesystem::path& path) {
        if (!std::filesystem::exists(path)) return std::nullopt;
        const auto bytes = test::ReadBytes(path);
        return std::string(bytes.begin(), bytes.end());
    }
};

const UpdateTexts kTexts = UpdateTextsFor(false, InterfaceStrings{});

struct CheckCase {
    const char* name;
    std::string version;                               // the mouse's
    std::optional<std::string> cached = std::nullopt;  // a description left by an earlier check
    std::optional<std::string> served = std::nullopt;  // the server's description; none: fails
    std::optional<std::string> image = std::nullopt;   // the server's image; none: fails
    int answer = UserMessages::kOk;                    // to the offer
    bool late = false;                                 // the description arrives after 2.5 s
    bool flasherInstalled = true;
    bool cancelProgress = false;
    bool workerRuns = true;
    std::vector<std::string> shown = {};
    std::vector<std::string> fetched = {};
    bool flasherStarted = false;
    std::optional<std::string> imageAfter = std::nullopt;  // the image file afterwards
};

const std::string kSavedText =
    "The new firmware was saved at %s, but no firmware flasher is installed.";

TEST(UpdateCheckTable, EachCaseShowsTheRightMessagesAndTouchesTheRightFiles) {
    const std::string sha = Sha256Hex(kImage);
    const std::vector<CheckCase> cases = {
        {.name = "equal versions give latest",
         .version = "12",
         .served = Description("12"),
         .shown = {kTexts.latest},
         .fetched = {kDescriptionUrl}},
        {.name = "an empty version counts as 0",
         .version = "",
         .served = Description("1"),
         .image = kImage,
         .shown = {kTexts.offer},
         .fetched = {kDescriptionUrl, kImageUrl},
         .flasherStarted = true,
         .imageAfter = kImage},
        {.name = "12abc reads 12",
         .version = "11",
         .served = Description("12abc"),
         .answer = UserMessages::kCancel,
         .shown = {kTexts.offer},
         .fetched = {kDescriptionUrl}},
        {.name = "abc reads 0",
         .version = "",
         .served = Description("abc"),
         .shown = {kTexts.latest},
         .fetched = {kDescriptionUrl}},
        {.name = "no current reads 0",
         .version = "3",
         .served = "<u><firmware/></u>",
         .shown = {kTexts.latest},
         .fetched = {kDescriptionUrl}},
        {.name = "a late description gives exactly one message",
         .version = "1",
         .served = Description("9"),
         .image = kImage,
         .late = true,
         .shown = {kTexts.latest},
         .fetched = {kDescriptionUrl}},
        {.name = "an unreachable server gives latest",
         .version = "1",
         .shown = {kTexts.latest},
         .fetched = {kDescriptionUrl}},
        {.name = "a cached newer description offers without the network",
         .version = "10",
         .cached = Description("20"),
         .image = kImage,
         .shown = {kTexts.offer},
         .fetched = {kImageUrl},
         .flasherStarted = true,
         .imageAfter = kImage},
        {.name = "a declined cached offer asks nothing more",
         .version = "10",
         .cached = Description("20"),
         .answer = UserMessages::kCancel,
         .workerRuns = false,
         .shown = {kTexts.offer}},
        {.name = "a matching sha256 and size are accepted",
         .version = "1",
         .served = Description("2", "<sha256>" + sha + "</sha256><size>20</size>"),
         .image = kImage,
         .shown = {kTexts.offer},
         .fetched = {kDescriptionUrl, kImageUrl},
         .flasherStarted = true,
         .imageAfter = kImage},
        {.name = "a wrong sha256 discards the image",
         .version = "1",
         .served = Description("2", "<sha256>" + std::string(64, 'a') + "</sha256>"),
         .image = kImage,
         .shown = {kTexts.offer, kTexts.imageFailed},
         .fetched = {kDescriptionUrl, kImageUrl}},
        {.name = "a wrong size discards the image",
         .version = "1",
         .served = Description("2", "<size>21</size>"),
         .image = kImage,
         .shown = {kTexts.offer, kTexts.imageFailed},
         .fetched = {kDescriptionUrl, kImageUrl}},
        {.name = "a failed image download keeps the old file",
         .version = "1",
         .cached = std::nullopt,
         .served = Description("2"),
         .shown = {kTexts.offer, kTexts.imageFailed},
         .fetched = {kDescriptionUrl, kImageUrl},
         .imageAfter = "old image"},
        {.name = "a cancelled image download counts as declined",
         .version = "1",
         .served = Description("2"),
         .image = kImage,
         .cancelProgress = true,
         .shown = {kTexts.offer},
         .fetched = {kDescriptionUrl, kImageUrl},
         .imageAfter = "old image"},
        {.name = "without a flasher the program stays and says where the image is",
         .version = "1",
         .served = Description("2"),
         .image = kImage,
         .flasherInstalled = false,
         .shown = {kTexts.offer, "saved"},
         .fetched = {kDescriptionUrl, kImageUrl},
         .imageAfter = kImage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.host.version = c.version;
        rig.host.flasherInstalled = c.flasherInstalled;
        rig.messages.answer = c.answer;
        rig.progress.cancel = c.cancelProgress;
        if (c.cached) rig.write(rig.check->descriptionFile(), *c.cached);
        if (c.imageAfter == "old image") rig.write(rig.check->imageFile(), "old image");
        if (c.served) rig.downloader.bodies[kDescriptionUrl] = *c.served;
        if (c.image) rig.downloader.bodies[kImageUrl] = *c.image;
        if (c.late) {
            rig.downloader.during = [&](const std::string& url, const Downloader::Cancel&) {
                if (url != kDescriptionUrl) return;
                rig.clock.advance(std::chrono::milliseconds(1999));
                EXPECT_FALSE(rig.check->tick());
                rig.clock.advance(std::chrono::milliseconds(501));
                EXPECT_TRUE(rig.check->tick());
            };
        }

        rig.check->start();
        if (c.workerRuns) {
            ASSERT_TRUE(rig.check->serveOne());
        }

        std::vector<std::string> expected = c.shown;
        for (auto& text : expected) {
            if (text == "saved") {
                text = "The new firmware was saved at " + rig.check->imageFile().string() +
                       ", but no firmware flasher is installed.";
            }
        }
        EXPECT_EQ(rig.messages.texts(), expected);
        EXPECT_EQ(rig.downloader.fetched, c.fetched);
        EXPECT_TRUE(rig.check->idle());
        EXPECT_FALSE(rig.check->timedOut());
        EXPECT_FALSE(rig.check->timerRunning());
        const std::string flasher = (rig.folder / "program/FWUpdate/ZazareVA").string();
        EXPECT_EQ(rig.shell.started(), c.flasherStarted ? std::vector<std::string>{flasher + " 0"}
                                                        : std::vector<std::string>{});
        EXPECT_EQ(rig.host.closed, c.flasherStarted ? 1 : 0);
        EXPECT_EQ(rig.read(rig.check->imageFile()), c.imageAfter);
        // Whatever the server sent is kept for the next press, offer declined or not.
        if (c.served && !c.late) {
            EXPECT_EQ(rig.read(rig.check->descriptionFile()), c.served);
        }
    }
}

TEST(UpdateCheck, ASecondPressWhileCheckingIsIgnored) {
    Rig rig;
    rig.host.version = "5";
    rig.downloader.bodies[kDescriptionUrl] = Description("5");
    EXPECT_TRUE(rig.check->start());
    EXPECT_FALSE(rig.check->start());
    EXPECT_TRUE(rig.check->serveOne());
    EXPECT_EQ(rig.downloader.fetched.size(), 1u);
    EXPECT_EQ(rig.messages.texts(), std::vector<std::string>{kTexts.latest});
    // Once idle again the button works.
    EXPECT_TRUE(rig.check->start());
}

TEST(UpdateCheck, AfterATimeoutTheLateDownloadIsAbortedAndAPressWaitsForIt) {
    Rig rig;
    rig.host.version = "1";
    rig.downloader.bodies[kDescriptionUrl] = Description("9");
    bool pressDuringLateDownload = true;
    bool abortedByTimeout = false;
    rig.downloader.during = [&](const std::string&, const Downloader::Cancel& cancel) {
        EXPECT_FALSE(cancel());
        rig.clock.advance(std::chrono::milliseconds(2000));
        EXPECT_TRUE(rig.check->tick());
        abortedByTimeout = cancel();
        pressDuringLateDownload = rig.check->start();
    };
    ASSERT_TRUE(rig.check->start());
    ASSERT_TRUE(rig.check->serveOne());
    EXPECT_TRUE(abortedByTimeout);
    EXPECT_FALSE(pressDuringLateDownload);
    EXPECT_EQ(rig.messages.texts(), std::vector<std::string>{kTexts.latest});
    EXPECT_TRUE(rig.check->idle());
    EXPECT_FALSE(rig.check->timedOut());
}

TEST(UpdateCheck, DecliningKeepsTheDescriptionForTheNextPress) {
    Rig rig;
    rig.host.version = "5";
    rig.messages.answer = UserMessages::kCancel;
    rig.downloader.bodies[kDescriptionUrl] = Description("6");
    rig.check->start();
    rig.check->serveOne();
    EXPECT_EQ(rig.check->newFirmwareUrl(), kImageUrl);
    // The next press offers from the kept file at once, without contacting the server.
    EXPECT_FALSE(rig.check->start());
    EXPECT_EQ(rig.downloader.fetched, std::vector<std::string>{kDescriptionUrl});
    EXPECT_EQ(rig.messages.texts(), (std::vector<std::string>{kTexts.offer, kTexts.offer}));
}

TEST(UpdateCheck, WithoutAServerThePressOnlySaysSo) {
    Rig rig("");
    EXPECT_FALSE(rig.check->start());
    EXPECT_EQ(rig.messages.texts(), std::vector<std::string>{kTexts.noServer});
    EXPECT_TRUE(rig.downloader.fetched.empty());
    EXPECT_FALSE(std::filesystem::exists(rig.folder / "data"));
    EXPECT_TRUE(rig.check->idle());
}

TEST(UpdateCheck, DownloadsGoToAPrivateFolderAndTheFlasherGetsTheLanguage) {
    Rig rig;
    rig.host.version = "1";
    rig.host.chinese = true;
    rig.downloader.bodies[kDescriptionUrl] = Description("2");
    rig.downloader.bodies[kImageUrl] = kImage;
    rig.check->start();
    rig.check->serveOne();
    struct stat info {};
    ASSERT_EQ(::stat(rig.check->imageFile().parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(rig.shell.started().size(), 1u);
    EXPECT_EQ(rig.shell.started()[0].back(), '1');
    EXPECT_EQ(rig.progress.begun, 1);
    EXPECT_EQ(rig.progress.ended, 1);
    EXPECT_EQ(rig.progress.last, 100);
    // Nothing was written outside the data folder.
    EXPECT_FALSE(std::filesystem::exists(rig.folder / "program"));
}

TEST(UpdateCheck, StopAbortsARunningDownloadAndEndsTheWorker) {
    Rig rig;
    std::atomic<bool> inside{false};
    rig.downloader.during = [&](const std::string&, const Downloader::Cancel& cancel) {
        inside = true;
        while (!cancel()) std::this_thread::yield();
    };
    rig.check->launch();
    rig.check->start();
    while (!inside) std::this_thread::yield();
    rig.check->stop();
    rig.check.reset();  // joins: returns only because the download saw the run flag
    EXPECT_TRUE(rig.messages.texts().empty());
}

TEST(UpdateCheck, TextsFollowTheInterfaceLanguage) {
    InterfaceStrings german;
    ASSERT_TRUE(german.set(kNoServerKey, "Kein Update-Server"));
    ASSERT_TRUE(german.set(kSavedNoFlasherKey, "Gespeichert unter %s"));
    struct Row {
        bool chinese;
        const InterfaceStrings* strings;
        std::string latest, noServer, saved;
    };
    const InterfaceStrings none;
    const std::vector<Row> rows = {
        {false, &none, "Firmware is the latest version.",
         "This build of the program has no update server; firmware updates are not available.",
         "The new firmware was saved at %s, but no firmware flasher is installed."},
        {false, &german, "Firmware is the latest version.", "Kein Update-Server",
         "Gespeichert unter %s"},
        {true, &german, "\u56FA\u4EF6\u5DF2\u7ECF\u662F\u6700\u65B0\u7248\u672C.",
         "Kein Update-Server", "Gespeichert unter %s"},
    };
    for (const auto& row : rows) {
        const UpdateTexts texts = UpdateTextsFor(row.chinese, *row.strings);
        EXPECT_EQ(texts.latest, row.latest);
        EXPECT_EQ(texts.noServer, row.noServer);
        EXPECT_EQ(texts.savedNoFlasher, row.saved);
        EXPECT_EQ(texts.imageFailed, "New-version firmware download failed.");
    }
}

TEST(UpdateCheck, TheBuildsSettingsKeepTheGivenFolders) {
    const UpdateSettings settings = BuiltInUpdateSettings("/opt/x5k", "/home/u/.local/share/x5k");
    EXPECT_EQ(settings.programFolder, "/opt/x5k");
    EXPECT_EQ(settings.dataFolder, "/home/u/.local/share/x5k");
    EXPECT_FALSE(settings.flasher.empty());
}

TEST(UpdateCheck, VersionTextsReadAsTheCLibraryReadsThem) {
    const std::vector<std::pair<std::string_view, uint32_t>> cases = {
        {"", 0},
        {"12", 12},
        {"12abc", 12},
        {"abc", 0},
        {"  7", 7},
        {"+5", 5},
        {"\t\n42x", 42},
        {"-1", 0xFFFFFFFFu},
        {"0012", 12},
        {"9999999999", 0x7FFFFFFFu},
        {"-9999999999", 0x80000000u},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(ParseVersion(text), value) << text;
}

TEST(Sha256, KnownDigests) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& [input, digest] : cases) EXPECT_EQ(Sha256Hex(input), digest) << input.size();
}

}  // namespace
}  // namespace x5k::supportpage
