// The update's downloads against a loopback HTTP server started by each test.

#include "platform/linux/CurlDownloader.h"

#include <gtest/gtest.h>

#include <fstream>

#include "common/Sha256.h"
#include "localisation/InterfaceStrings.h"
#include "pages/support/UpdateCheck.h"
#include "platform/linux/PosixFileSystem.h"
#include "support/LoopbackHttpServer.h"
#include "support/RecordingShell.h"
#include "support/RecordingUserMessages.h"
#include "support/TempFolder.h"
#include "support/VirtualClock.h"

namespace x5k {
namespace {

using test::HttpReply;
using test::LoopbackHttpServer;
using Mode = test::HttpReply::Mode;

// A hanging server is given up on after 150 ms; every other transfer has room to spare
// on a loaded machine or under the sanitizers.
constexpr CurlDownloader::Limits kShort{.connectMs = 2000, .transferMs = 150, .redirects = 3};
constexpr CurlDownloader::Limits kRoomy{.connectMs = 2000, .transferMs = 10000, .redirects = 3};
constexpr size_t kDescriptionCap = supportpage::UpdateCheck::kDescriptionCap;
constexpr size_t kImageCap = supportpage::UpdateCheck::kImageCap;

HttpReply Redirect(const std::string& to, std::string extra = {}) {
    return {.status = "302 Found", .headers = "Location: " + to + "\r\n" + extra};
}

TEST(CurlDownloaderUrls, OnlyHttpsOrLoopbackHttp) {
    const std::vector<std::tuple<std::string_view, bool, bool>> cases = {
        {"https://updates.example.org/x.xml", false, true},
        {"https://updates.example.org/x.xml", true, true},
        {"http://127.0.0.1:8080/x.xml", false, true},
        {"http://127.4.5.6/x.xml", false, true},
        {"http://[::1]:80/x.xml", false, true},
        {"http://localhost/x.xml", false, true},
        {"http://127.0.0.1/x.xml", true, false},  // never down from https
        {"http://192.0.2.1/x.xml", false, false},
        {"http://updates.example.org/x.xml", false, false},
        {"http://127.0.0.1.example.org/x.xml", false, false},
        {"ftp://127.0.0.1/x.xml", false, false},
        {"file:///etc/passwd", false, false},
        {"not a url", false, false},
    };
    for (const auto& [url, fromHttps, allowed] : cases) {
        EXPECT_EQ(DownloadUrlAllowed(url, fromHttps), allowed) << url << " " << fromHttps;
    }
}

TEST(CurlDownloader, EachReplyGivesItsStatus) {
    const std::string description = "<u><firmware><current>3</current></firmware></u>";
    LoopbackHttpServer server({
        {"/good.xml", {.body = description}},
        {"/big.xml", {.body = std::string(100 * 1024, 'x')}},
        {"/big-unannounced.xml", {.body = std::string(100 * 1024, 'x'), .mode = Mode::NoLength}},
        {"/slow.xml", {.mode = Mode::Hang}},
        {"/dropped.bin", {.body = std::string(4000, 'y'), .mode = Mode::DropHalf}},
        {"/away.xml", Redirect("http://192.0.2.1/update.xml")},
        {"/r1", Redirect("/r2")},
        {"/r2", Redirect("/r3")},
        {"/r3", Redirect("/good.xml")},
        {"/r0", Redirect("/r1")},
    });
    const std::vector<std::tuple<std::string, DownloadStatus, std::string>> cases = {
        {"/good.xml", DownloadStatus::Ok, description},
        {"/big.xml", DownloadStatus::TooLarge, ""},
        {"/big-unannounced.xml", DownloadStatus::TooLarge, ""},
        {"/slow.xml", DownloadStatus::Failed, ""},
        {"/dropped.bin", DownloadStatus::Failed, ""},
        {"/away.xml", DownloadStatus::Refused, ""},
        {"/r1", DownloadStatus::Ok, description},  // three redirects
        {"/r0", DownloadStatus::Refused, ""},      // four
        {"/missing", DownloadStatus::Failed, ""},
    };
    for (const auto& [path, status, body] : cases) {
        CurlDownloader downloader(path == "/slow.xml" ? kShort : kRoomy);
        const DownloadResult result = downloader.get(server.url(path), kDescriptionCap, {}, {});
        EXPECT_EQ(result.status, status) << path << ": " << result.detail;
        EXPECT_EQ(result.body, body) << path;
    }
    // The refused redirect was never followed to the outside address.
    for (const auto& request : server.requests())
        EXPECT_EQ(request.find("192.0.2.1"), std::string::npos);
}

TEST(CurlDownloader, NamesItselfKeepsNoCookiesAndReportsProgress) {
    LoopbackHttpServer server({
        {"/start", Redirect("/image.bin", "Set-Cookie: session=1\r\n")},
        {"/image.bin", {.body = std::string(300000, 'z')}},
    });
    CurlDownloader downloader(kRoomy);
    uint64_t lastReceived = 0, lastTotal = 0;
    const auto result = downloader.get(
        server.url("/start"), kImageCap,
        [&](uint64_t received, uint64_t total) {
            lastReceived = received;
            lastTotal = total;
        },
        [] { return false; });
    ASSERT_TRUE(result.ok()) << result.detail;
    EXPECT_EQ(lastReceived, 300000u);
    EXPECT_EQ(lastTotal, 300000u);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    for (const auto& request : requests) {
        EXPECT_NE(request.find("User-Agent: x5k-driver/"), std::string::npos) << request;
        EXPECT_EQ(request.find("Cookie:"), std::string::npos) << request;
    }
}

TEST(CurlDownloader, ACancelAbortsAHangingTransfer) {
    LoopbackHttpServer server({{"/slow.xml", {.mode = Mode::Hang}}});
    CurlDownloader downloader({.connectMs = 500, .transferMs = 60000, .redirects = 3});
    int asked = 0;
    const auto result =
        downloader.get(server.url("/slow.xml"), kDescriptionCap, {}, [&] { return ++asked > 1; });
    EXPECT_EQ(result.status, DownloadStatus::Cancelled);
}

// The whole update path against the local server: description, image, files, messages.
class FlasherHost final : public supportpage::UpdateHost {
public:
    std::string firmwareVersion() override { return "1"; }
    bool chineseInterface() override { return false; }
    supportpage::UpdateTexts texts() override {
        return supportpage::UpdateTextsFor(false, InterfaceStrings{});
    }
    bool isExecutable(const std::filesystem::path&) override { return true; }
    void closeProgram() override { ++closed; }
    int closed = 0;
};

TEST(UpdateAgainstLoopbackServer, EachServerCaseEndsAsTheUserExpects) {
    const std::string image = std::string(100000, 'i');
    const std::string sha = Sha256Hex(image);
    const auto texts = supportpage::UpdateTextsFor(false, InterfaceStrings{});
    struct Case {
        const char* name;
        std::string description;  // "%s" is the server's base address
        HttpReply imageReply;
        Mode descriptionMode = Mode::Whole;
        std::vector<std::string> shown = {};
        bool flasher = false;
    };
    const auto desc = [](std::string_view inner) {
        return "<update><firmware><current>2</current><newfile>%s/fw.bin</newfile>" +
               std::string(inner) + "</firmware></update>";
    };
    const std::vector<Case> cases = {
        {"a good description and image",
         desc("<sha256>" + sha + "</sha256>"),
         {.body = image},
         Mode::Whole,
         {texts.offer},
         true},
        {"a description without current",
         "<update><firmware/></update>",
         {.body = image},
         Mode::Whole,
         {texts.latest}},
        {"a 100 KiB description is cut off",
         desc(std::string(100 * 1024, ' ')),
         {.body = image},
         Mode::Whole,
         {texts.latest}},
        {"a slow server", desc(""), {.body = image}, Mode::Hang, {texts.latest}},
        {"the wrong sha256",
         desc("<sha256>" + std::string(64, '0') + "</sha256>"),
         {.body = image},
         Mode::Whole,
         {texts.offer, texts.imageFailed}},
        {"a 5 MiB image is cut off",
         desc(""),
         {.body = std::string(5 * 1024 * 1024, 'b'), .mode = Mode::NoLength},
         Mode::Whole,
         {texts.offer, texts.imageFailed}},
        {"a connection dropped half-way",
         desc(""),
         {.body = image, .mode = Mode::DropHalf},
         Mode::Whole,
         {texts.offer, texts.imageFailed}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // The description names the server's own address, known only once it runs.
        std::map<std::string, HttpReply> routes = {{"/fw.bin", c.imageReply}};
        LoopbackHttpServer server(routes);
        std::string text = c.description;
        if (const auto at = text.find("%s"); at != std::string::npos)
            text.replace(at, 2, server.base());
        LoopbackHttpServer described(
            {{"/software/x5k/update.xml", {.body = text, .mode = c.descriptionMode}}});

        test::TempFolder folder;
        test::VirtualClock clock;
        CurlDownloader downloader(c.descriptionMode == Mode::Hang ? kShort : kRoomy);
        test::RecordingUserMessages messages;
        PosixFileSystem files;
        test::RecordingShell shell;
        FlasherHost host;
        supportpage::UpdateCheck check(
            {described.base(), folder / "program", folder / "data", "FWUpdate/ZazareVA"},
            {clock, downloader, messages, files, shell, host, nullptr});
        std::filesystem::create_directories(check.imageFile().parent_path());
        std::ofstream(check.imageFile()) << "old image";

        check.start();
        ASSERT_TRUE(check.serveOne());
        EXPECT_EQ(messages.texts(), c.shown);
        EXPECT_EQ(shell.started().size(), c.flasher ? 1u : 0u);
        const auto kept = test::ReadBytes(check.imageFile());
        EXPECT_EQ(std::string(kept.begin(), kept.end()), c.flasher ? image : "old image");
        // No temporary file is left beside the kept ones.
        size_t files_in_folder = 0;
        for (const auto& entry :
             std::filesystem::directory_iterator(check.imageFile().parent_path())) {
            (void)entry;
            ++files_in_folder;
        }
        EXPECT_LE(files_in_folder, 2u);
    }
}

}  // namespace
}  // namespace x5k
