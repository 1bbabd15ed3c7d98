#pragma once
// The support page: versions, the web page, profile import and export, restore defaults.
// What the commands do and the texts they show are support::SupportModel's rules
// (SupportModel.h); the window draws the versions and runs the commands.

#include <QImage>
#include <QString>

#include <array>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>

#include "pages/PageWindow.h"
#include "pages/support/SupportModel.h"
#include "platform/Shell.h"
#include "platform/UserMessages.h"

namespace x5k::ui {
class CGDIBitmapBtn;
}  // namespace x5k::ui

namespace x5k::pages {

// What the page works with, owned by the main window.
struct SupportServices {
    UserMessages& messages;
    Shell& shell;
    ProfileImage& profile;
    // The interface's built-in language now (the defaults question).
    std::function<bool()> chineseInterface;
};

enum class ProfileDialog { Import, Export };

// Asks the user for a profile file to read or to write; nothing when cancelled.
using ProfilePathDialog =
    std::function<std::optional<std::string>(QWidget* parent, ProfileDialog dialog)>;

// The desktop's file dialog (its portal where there is one), filtered to "*.cfg". For
// tests only: when the environment variable X5K_PROFILE_FILE is set and not empty, no
// dialog opens and both import and export take that path.
inline constexpr char kProfileFileVariable[] = "X5K_PROFILE_FILE";
std::optional<std::string> OpenProfileDialog(QWidget* parent, ProfileDialog dialog);

class CDlgSupport : public PageWindow {
    Q_OBJECT

public:
    // The page's buttons, in the order of the layout.
    enum class Button { Update, Web, Import, Export, Defaults, ProgramVersion, FirmwareVersion };
    static constexpr int kButtonCount = 7;

    explicit CDlgSupport(const PageContext& context);
    ~CDlgSupport() override;

    // The services, given once the main window has them; the commands work from then on.
    void connectServices(const SupportServices& services);

    // The dialog import and export open; tests put a fake in place of the desktop's.
    void setPathDialog(ProfilePathDialog dialog) { pathDialog_ = std::move(dialog); }
    // The maker's web page; the build's address unless a test sets another. Empty disables
    // the web button.
    void setWebAddress(std::string address);

    // The commands of the buttons.
    void importProfile();
    void exportProfile();
    void openWebPage();
    void restoreDefaults();

    // The firmware version as drawn now.
    QString firmwareVersionText() const;

    void applyTooltips() override;
    int hintAt(QPoint point) const override;

    // What tests and the snapshots look at.
    bool built() const { return built_; }
    bool picturesRead() const;
    ui::CGDIBitmapBtn* button(Button which) const { return buttons_[static_cast<size_t>(which)]; }

    // The mouse's firmware version as decimal text; empty when unknown.
    QString m_strFirmwareVersion;
    // The firmware image's address from the last update description; empty until one.
    QString m_strNewFirmwareUrl;

signals:
    // The update button was pressed: the main window runs the firmware update check.
    void updateRequested();
    // An import replaced the working profile: the pages show it again.
    void profileImported();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    // The buttons' hover and pressed pieces, cut on a worker.
    struct PagePieces {
        std::array<std::array<QImage, 2>, kButtonCount> looks;
    };

    void build(const PagePieces& pieces);
    bool chineseInterface() const;
    // The version areas' accessible names: the area's title and the version it shows.
    void nameVersionAreas();

    FileSystem& files_;
    std::optional<SupportServices> services_;
    std::unique_ptr<support::SupportModel> model_;
    ProfilePathDialog pathDialog_ = OpenProfileDialog;
    std::string webAddress_;
    std::future<PagePieces> pieces_;
    bool built_ = false;
    std::array<ui::CGDIBitmapBtn*, kButtonCount> buttons_{};
    QString namedFirmware_;
};

}  // namespace x5k::pages
