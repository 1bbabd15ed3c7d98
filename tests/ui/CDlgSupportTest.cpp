// The support page in the main window: the versions it draws, import and export through a
// faked file dialog, the web button and the defaults question.

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

#include <optional>
#include <string>
#include <vector>

#include "gui/CT7QDriverDlg.h"
#include "pages/lighting/CDlgLEDSet.h"
#include "pages/lighting/LightingModel.h"
#include "pages/mainset/CDlgMainSet.h"
#include "pages/support/CDlgSupport.h"
#include "support/DriverRig.h"
#include "support/UiTest.h"
#include "ui/CGDIBitmapBtn.h"
#include "ui/CPngHSliderBar.h"

using namespace x5k;
using namespace x5k::uitest;
using Button = pages::CDlgSupport::Button;

namespace {

void Settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// The support page, shown, with a file dialog that answers `path` (nothing: cancelled).
pages::CDlgSupport* ShowPage(Rig& rig, std::optional<std::string>* path,
                             std::vector<pages::ProfileDialog>* asked = nullptr) {
    rig.window->selectPage(5);
    Settle();
    pages::CDlgSupport* page = rig.window->supportPage();
    page->setPathDialog([path, asked](QWidget*, pages::ProfileDialog dialog) {
        if (asked) asked->push_back(dialog);
        return *path;
    });
    return page;
}

std::vector<uint8_t> Bytes(const ProfileImage& image) {
    return {image.bytes().begin(), image.bytes().end()};
}

}  // namespace

class CDlgSupportTest : public QObject {
    Q_OBJECT

private slots:
    void theFirmwareVersionFollowsTheFieldAtThePaint() {
        Rig rig;
        std::optional<std::string> none;
        pages::CDlgSupport* page = ShowPage(rig, &none);
        QVERIFY(page->built());
        const struct {
            const char* digits;
            const char* text;
        } cases[] = {{"", "Unknown"}, {"7", "V 0.0.7"}, {"12", "V 0.1.2"}, {"1234", "V 12.3.4"}};
        for (const auto& c : cases) {
            page->m_strFirmwareVersion = QString::fromLatin1(c.digits);
            page->repaint();
            QCOMPARE(page->firmwareVersionText(), QString::fromLatin1(c.text));
            QVERIFY2(page->button(Button::FirmwareVersion)
                         ->accessibleName()
                         .endsWith(QString::fromLatin1(c.text)),
                     c.digits);
        }
        QVERIFY(page->button(Button::ProgramVersion)->accessibleName().endsWith("V1.0.2"));
    }

    void importReplacesTheProfileAndRefreshesThePages() {
        struct Case {
            const char* name;
            bool magic;
            bool cancelled;
            int refreshes;
            const char* message;  // after the path; empty for none
        };
        const Case cases[] = {
            {"good.cfg", true, false, 1, " import success!"},
            {"wrong.cfg", false, false, 0, " is an invaild Profile!"},
            {"cancel.cfg", true, true, 0, ""},
            {"missing.cfg", true, false, 0, " is an invaild Profile!"},
        };
        for (const Case& c : cases) {
            Rig rig;
            // A profile with another pointer speed and lighting colour than the working one.
            ProfileImage imported = rig.window->store().image();
            const int32_t speed = imported.get(profile::kPointerSpeed) == 3 ? 17 : 3;
            imported.set(profile::kPointerSpeed, speed);
            imported.set(profile::kLightingMode, 1);
            imported.set(profile::kColourSource, 1);
            imported.set(profile::kLightingColour, 0x123456);
            if (!c.magic) imported.set(profile::kMagic, 0x1234);
            const auto path = rig.data / c.name;
            if (std::string(c.name) != "missing.cfg") test::WriteBytes(path, Bytes(imported));
            const ProfileImage before = rig.window->store().image();
            const std::vector<uint8_t> profileFile =
                test::ReadBytes(rig.dataFile("Profile/Profile1.cfg"));

            std::optional<std::string> answer;
            if (!c.cancelled) answer = path.string();
            std::vector<pages::ProfileDialog> asked;
            pages::CDlgSupport* page = ShowPage(rig, &answer, &asked);
            QSignalSpy settings(rig.window->settingsPage(), &pages::CDlgMainSet::refreshed);
            QSignalSpy lighting(rig.window->lightingPage(), &pages::CDlgLEDSet::refreshed);
            clickAt(page->button(Button::Import), {5, 5});
            Settle();

            QCOMPARE(asked, std::vector{pages::ProfileDialog::Import});
            QCOMPARE(settings.count(), c.refreshes);
            QCOMPARE(lighting.count(), c.refreshes);
            const std::string message = c.message;
            if (message.empty()) {
                QVERIFY(rig.messages.shown().empty());
            } else {
                QCOMPARE(rig.messages.shown(),
                         (std::vector<test::ShownMessage>{
                             {test::BoxKind::InfoBox, path.string() + message}}));
            }
            const ProfileImage& now = rig.window->store().image();
            QCOMPARE(now == imported, c.refreshes == 1);
            QCOMPARE(now == before, c.refreshes == 0);
            // Nothing is written and nothing reaches the mouse.
            QCOMPARE(test::ReadBytes(rig.dataFile("Profile/Profile1.cfg")), profileFile);
            QVERIFY(rig.mouse.reports().empty());
            if (c.refreshes == 0) continue;
            // The pages show the imported values at once.
            rig.window->selectPage(1);
            Settle();
            QCOMPARE(rig.window->settingsPage()->speedSlider()->GetPos(), speed);
            rig.window->selectPage(3);
            Settle();
            QCOMPARE(rig.window->lightingPage()->model()->view().displayColour, 0x123456u);
        }
    }

    void exportWritesTheWorkingProfileOrSaysItFailed() {
        struct Case {
            const char* name;
            bool writeProtected;
            bool cancelled;
            const char* message;
        };
        const Case cases[] = {
            {"out.cfg", false, false, " export success!"},
            {"protected.cfg", true, false, " export failed!"},
            {"cancel.cfg", false, true, ""},
        };
        for (const Case& c : cases) {
            Rig rig;
            const auto path = rig.data / c.name;
            if (c.writeProtected) rig.files.failWrites(path, FileError::AccessDenied);
            std::optional<std::string> answer;
            if (!c.cancelled) answer = path.string();
            std::vector<pages::ProfileDialog> asked;
            pages::CDlgSupport* page = ShowPage(rig, &answer, &asked);
            rig.window->store().image().set(profile::kLightingColour, 0x654321);
            clickAt(page->button(Button::Export), {5, 5});
            Settle();
            QCOMPARE(asked, std::vector{pages::ProfileDialog::Export});
            const std::string message = c.message;
            QCOMPARE(rig.messages.texts().empty(), message.empty());
            if (!message.empty()) QCOMPARE(rig.messages.texts().front(), path.string() + message);
            const bool written = !c.writeProtected && !c.cancelled;
            QCOMPARE(std::filesystem::exists(path), written);
            if (written) QCOMPARE(test::ReadBytes(path), Bytes(rig.window->store().image()));
        }
    }

    void theDefaultsButtonAsksFirst() {
        for (const int answer : {UserMessages::kCancel, UserMessages::kOk}) {
            Rig rig;
            std::optional<std::string> none;
            pages::CDlgSupport* page = ShowPage(rig, &none);
            rig.window->store().image().set(profile::kLightingColour, 0x123456);
            rig.messages.recorded.answer = answer;
            clickAt(page->button(Button::Defaults), {5, 5});
            Settle();
            QCOMPARE(rig.messages.shown().front(),
                     (test::ShownMessage{test::BoxKind::InfoDialogWithCancel,
                                         "Do you want to restore the default setting?"}));
            const bool restored =
                rig.window->store().image().get(profile::kLightingColour) != 0x123456;
            QCOMPARE(restored, answer == UserMessages::kOk);
        }
    }

    void theWebButtonOpensTheConfiguredPageOnly() {
        for (const std::string address : {"", "https://example.com/x5k"}) {
            Rig rig;
            std::optional<std::string> none;
            pages::CDlgSupport* page = ShowPage(rig, &none);
            page->setWebAddress(address);
            ui::CGDIBitmapBtn* web = page->button(Button::Web);
            QCOMPARE(web->isEnabled(), !address.empty());
            QCOMPARE(web->accessibleName(), QString::fromStdString(rig.string("str_zintuWeb")));
            QCOMPARE(web->accessibleDescription().isEmpty(), !address.empty());
            clickAt(web, {5, 5});
            Settle();
            QCOMPARE(rig.shell.opened(),
                     address.empty() ? std::vector<std::string>{} : std::vector{address});
        }
    }

    void theUpdateButtonAsksTheMainWindowAndTheHintsReachAPixelFurther() {
        Rig rig;
        std::optional<std::string> none;
        pages::CDlgSupport* page = ShowPage(rig, &none);
        QSignalSpy update(page, &pages::CDlgSupport::updateRequested);
        clickAt(page->button(Button::Update), {5, 5});
        QCOMPARE(update.count(), 1);
        const struct {
            QPoint point;
            int hint;
        } cases[] = {{{405, 264}, 56}, {{404, 263}, 56}, {{403, 264}, 0},  {{826, 293}, 57},
                     {{179, 400}, 58}, {{300, 420}, 59}, {{873, 417}, 60}, {{874, 418}, 0},
                     {{77, 110}, 89},  {{559, 140}, 90}, {{600, 200}, 0}};
        for (const auto& c : cases) QCOMPARE(page->hintAt(c.point), c.hint);
    }
};

X5K_UI_TEST_CLASS(CDlgSupportTest);
#include "CDlgSupportTest.moc"
