// The support page's update button through the main window: the check on its own worker,
// the real downloader against a server on this machine, the boxes, the download's
// progress window with its Cancel, the two-second timeout and the hand-over.

#include <QCoreApplication>
#include <QTest>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "common/Sha256.h"
#include "common/TextFormat.h"
#include "gui/CT7QDriverDlg.h"
#include "pages/support/CDlgSupport.h"
#include "pages/support/UpdateCheck.h"
#include "platform/linux/CurlDownloader.h"
#include "support/DriverRig.h"
#include "support/LoopbackHttpServer.h"
#include "support/UiTest.h"
#include "ui/CDlgProgress.h"
#include "ui/CGDIBitmapBtn.h"
#include "ui/DownloadProgress.h"

using namespace x5k;
using namespace x5k::uitest;
using test::HttpReply;
using Button = pages::CDlgSupport::Button;

namespace {

constexpr char kImagePath[] = "/fw.bin";
const std::string kImage(3000, 'F');

// Turns the loop until `done` holds; the worker thread runs meanwhile. Gives up after
// five seconds, so a hang fails instead of blocking the run.
bool Until(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    return true;
}

std::string Description(const std::string& current, const std::string& image,
                        const std::string& sha256) {
    return "<update><firmware><current>" + current + "</current><newfile>" + image +
           "</newfile><sha256>" + sha256 + "</sha256></firmware></update>";
}

void PressUpdate(Rig& rig) {
    rig.window->selectPage(5);
    QCoreApplication::sendPostedEvents();
    clickAt(rig.window->supportPage()->button(Button::Update), {5, 5});
}

}  // namespace

class CT7QDriverDlgUpdateTest : public QObject {
    Q_OBJECT

private slots:
    void theUpdateButtonRunsTheCheck_data() {
        QTest::addColumn<QString>("current");   // the description's version; empty: no server
        QTest::addColumn<QString>("image");     // the image's reply: "good", "bad", "hang"
        QTest::addColumn<bool>("flasher");      // an executable flasher is installed
        QTest::addColumn<bool>("answerOk");     // the answer to the offer
        QTest::addColumn<QString>("last");      // the last box: a text key, "saved" or none
        QTest::addColumn<bool>("imageKept");
        QTest::addColumn<bool>("closes");
        QTest::newRow("no server") << "" << "good" << true << true << "str_update_noserver"
                                   << false << false;
        QTest::newRow("same version") << "same" << "good" << true << true << "latest" << false
                                      << false;
        QTest::newRow("declined") << "99999" << "good" << true << false << "offer" << false
                                  << false;
        QTest::newRow("flasher takes over") << "99999" << "good" << true << true << "offer"
                                            << true << true;
        QTest::newRow("no flasher: stays and tells where") << "99999" << "good" << false << true
                                                           << "saved" << true << false;
        QTest::newRow("wrong sha256") << "99999" << "bad" << true << true << "imageFailed"
                                      << false << false;
        QTest::newRow("cancelled download") << "99999" << "hang" << true << true << "offer"
                                            << false << false;
    }
    void theUpdateButtonRunsTheCheck() {
        QFETCH(QString, current);
        QFETCH(QString, image);
        QFETCH(bool, flasher);
        QFETCH(bool, answerOk);
        QFETCH(QString, last);
        QFETCH(bool, imageKept);
        QFETCH(bool, closes);

        test::LoopbackHttpServer server({});
        HttpReply imageReply{kImage};
        if (image == QLatin1String("hang")) imageReply.mode = HttpReply::Mode::Hang;
        server.setRoute(kImagePath, imageReply);
        CurlDownloader downloader;
        test::TempFolder program;
        const std::filesystem::path flasherFile = program.path() / "flasher";
        if (flasher) {
            std::ofstream(flasherFile) << "#!/bin/sh\n";
            std::filesystem::permissions(flasherFile, std::filesystem::perms::owner_all);
        }
        Setup setup;
        setup.beforeStart = [&](Rig& rig) {
            if (current.isEmpty()) return;  // no downloader: the program has no server
            rig.services.downloader = &downloader;
            rig.services.updateSettings = supportpage::UpdateSettings{
                server.base(), rig.services.programFolder, rig.services.dataFolder, flasherFile};
        };
        Rig rig(setup);
        rig.messages.recorded.answer = answerOk ? UserMessages::kOk : UserMessages::kCancel;
        supportpage::UpdateCheck* check = rig.window->updateCheck();
        QVERIFY(check);
        const std::string version = rig.window->supportPage()->m_strFirmwareVersion.toStdString();
        QVERIFY(!version.empty());
        const std::string sha =
            image == QLatin1String("bad") ? std::string(64, '0') : Sha256Hex(kImage);
        server.setRoute(std::string(supportpage::UpdateCheck::kDescriptionPath),
                        {Description(current == QLatin1String("same") ? version
                                                                       : current.toStdString(),
                                     server.url(kImagePath), sha)});

        PressUpdate(rig);
        ui::CDlgProgress* progress = rig.window->downloadProgress()->dialog();
        if (image == QLatin1String("hang") && answerOk) {
            // The download shows its window; its Cancel ends the download as a decline.
            QVERIFY(Until([&] { return progress->IsRunning(); }));
            QVERIFY(progress->CancelButton()->isVisible());
            clickAt(progress->CancelButton(), {5, 5});
        }
        QVERIFY(Until([&] { return check->idle(); }));
        QVERIFY(Until([&] { return !progress->IsRunning(); }));

        const supportpage::UpdateTexts texts =
            supportpage::UpdateTextsFor(false, rig.localisation.strings());
        const std::filesystem::path saved =
            rig.services.dataFolder / "FWUpdate" / "new_version" / "ZintuGameDevice.bin";
        std::string expected;
        if (last == QLatin1String("latest")) expected = texts.latest;
        if (last == QLatin1String("offer")) expected = texts.offer;
        if (last == QLatin1String("imageFailed")) expected = texts.imageFailed;
        if (last == QLatin1String("saved")) {
            expected = FormatText(texts.savedNoFlasher, {std::string_view(saved.string())});
        }
        if (last.startsWith(QLatin1String("str_"))) expected = rig.string(last.toStdString());
        QVERIFY(!expected.empty());
        QVERIFY(!rig.messages.texts().empty());
        QCOMPARE(rig.messages.texts().back(), expected);
        QCOMPARE(std::filesystem::exists(saved), imageKept);
        if (imageKept) QCOMPARE(test::ReadBytes(saved).size(), kImage.size());
        // The flasher is told the interface's language, and the program closes for it.
        QCOMPARE(rig.shell.started().size(), closes ? 1u : 0u);
        if (closes) QCOMPARE(rig.shell.started()[0], flasherFile.string() + " 0");
        QVERIFY(Until([&] { return rig.window->closing() == closes; }));
        if (current.isEmpty()) QVERIFY(server.requests().empty());
    }

    // A description that does not come within two seconds: the timeout tells the latest
    // message once, the late reply is dropped, and the next press checks again.
    void theTimeoutAnswersOnce() {
        test::LoopbackHttpServer server({});
        server.setRoute(std::string(supportpage::UpdateCheck::kDescriptionPath),
                        {{}, "200 OK", {}, HttpReply::Mode::Hang});
        CurlDownloader downloader;
        Setup setup;
        setup.beforeStart = [&](Rig& rig) {
            rig.services.downloader = &downloader;
            rig.services.updateSettings = supportpage::UpdateSettings{
                server.base(), rig.services.programFolder, rig.services.dataFolder, "none"};
        };
        Rig rig(setup);
        supportpage::UpdateCheck* check = rig.window->updateCheck();
        PressUpdate(rig);
        QVERIFY(rig.window->updateTimer()->isActive());
        QVERIFY(Until([&] { return server.requests().size() == 1; }));
        // A second press while the check runs is ignored.
        PressUpdate(rig);
        rig.clock.advance(std::chrono::milliseconds(supportpage::UpdateCheck::kTimeoutMs));
        rig.window->updateTimer()->setInterval(0);
        QVERIFY(Until([&] { return !rig.window->updateTimer()->isActive(); }));
        const std::string latest =
            supportpage::UpdateTextsFor(false, rig.localisation.strings()).latest;
        QCOMPARE(rig.messages.texts(), std::vector<std::string>{latest});
        QVERIFY(Until([&] { return check->idle() && !check->timedOut(); }));
        QCOMPARE(rig.messages.texts().size(), 1u);
        QCOMPARE(server.requests().size(), 1u);
    }
};

X5K_UI_TEST_CLASS(CT7QDriverDlgUpdateTest);
#include "CT7QDriverDlgUpdateTest.moc"
