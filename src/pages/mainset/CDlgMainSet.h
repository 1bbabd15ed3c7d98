#pragma once
// The main settings page: the buttons' functions, resolution levels, pointer speed and
// precision, report rate and wheel scroll lines of the working profile. What a click does
// to the profile and what the page shows for it are mainset::MainSetModel's rules
// (MainSetModel.h); the widgets only draw its view state and pass clicks on to it.

#include <QImage>
#include <QPixmap>
#include <QTimer>

#include <array>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>

#include "pages/PageWindow.h"
#include "pages/assign/CSettingDlg.h"
#include "pages/mainset/MainSetModel.h"

namespace x5k::ui {
class CBitmapEdit;
class CGDIBitmapBtn;
class CIrrButton;
class CPngHSliderBar;
}  // namespace x5k::ui

namespace x5k::pages {

// What the page edits and what its assignment pop-up needs, owned by the main window.
struct SettingsServices {
    ProfileImage& profile;
    std::array<int32_t, kButtonCount>& workingMacroIds;
    UserMessages& messages;
    MacroNameLookup macroName;
    // The pop-up's services; its language and key path are asked anew at each opening.
    AssignmentServices popup;
    std::function<bool()> chineseInterface;
    std::function<bool()> hooksReadKeyboard;
};

// Opens the assignment pop-up of `button` showing `currentName` and returns how it ended.
using PopupRunner =
    std::function<assign::DialogOutcome(QWidget* parent, int button, const std::string& name)>;

class CDlgMainSet : public PageWindow {
    Q_OBJECT

public:
    explicit CDlgMainSet(const PageContext& context);
    ~CDlgMainSet() override;

    // The profile and the services, given once the main window has them. The page's rules
    // work from then on; its controls are made when it is first shown.
    void connectServices(const SettingsServices& services);

    // Shows the working profile's values.
    void RefreshFromProfile();
    // Brings the wheel scroll lines into their range.
    void ValidateScrollLines();

    void showProfile() override { RefreshFromProfile(); }
    // Before an apply the scroll lines are brought into range, unless they are "one screen".
    void commitEdits(const ProfileImage& profile) override;
    void applyTooltips() override;
    int hintAt(QPoint point) const override;

    // Replaces the pop-up (tests answer for it).
    void setPopupRunner(PopupRunner runner) { runPopup_ = std::move(runner); }

    // What tests and the snapshots look at.
    bool built() const { return built_; }
    // The worker has read the page's pictures (or they were taken already).
    bool picturesRead() const;
    const mainset::MainSetModel* model() const { return model_.get(); }
    ui::CGDIBitmapBtn* resolutionBox(int box) const;
    ui::CGDIBitmapBtn* precisionBox() const { return precision_; }
    ui::CGDIBitmapBtn* rateRadio(int radio) const;
    ui::CGDIBitmapBtn* linesRadio() const { return linesRadio_; }
    ui::CGDIBitmapBtn* screenRadio() const { return screenRadio_; }
    ui::CBitmapEdit* linesEdit() const { return linesEdit_; }
    ui::CGDIBitmapBtn* linesUp() const { return linesUp_; }
    ui::CGDIBitmapBtn* linesDown() const { return linesDown_; }
    ui::CPngHSliderBar* speedSlider() const { return speed_; }
    ui::CPngHSliderBar* heightSlider() const { return height_; }
    ui::CIrrButton* buttonTab(int button) const;
    bool indicatorLit(int button) const;
    QTimer& validateTimer() { return validateTimer_; }
    // Opens the pop-up of the tab, as its click does.
    void openTab(int button);

signals:
    void refreshed();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void childMouseMoved(QWidget* child, QPoint position) override;
    void leaveEvent(QEvent* event) override;

private:
    // The page's pictures: its skin's three looks and the three page-sized resources of
    // its layout (tabs, slider and edit grounds).
    struct PagePictures {
        QImage skinNormal, skinOver, skinDown;
        QImage normal, over, down;
    };
    struct Looks {
        QPixmap normal, over, down;
    };

    void build(const PagePictures& pictures);
    void makeChecks(const QPixmap& normal, const QPixmap& over, const QPixmap& down);
    void makeSliders(const QImage& ground);
    void makeScrollControls(const Looks& skin, const Looks& resources, const QImage& ground);
    void makeTabs(const Looks& looks);
    // Shows the model's view state in the controls.
    void showView();
    void showTabs();
    void showLinesText(int caret);
    void followPointer(QPoint position);
    QRect indicatorRect(int button) const;
    void onLinesEdited(const QString& text);
    void onValidateTimer();
    // The interface's built-in language now (names of default functions, the pop-up).
    bool chineseInterface() const;

    std::future<PagePictures> pictures_;
    std::optional<SettingsServices> services_;
    std::unique_ptr<mainset::MainSetModel> model_;
    PopupRunner runPopup_;
    bool built_ = false;

    std::array<ui::CGDIBitmapBtn*, mainset::kResolutionBoxes> dpi_{};
    ui::CGDIBitmapBtn* precision_ = nullptr;
    std::array<ui::CGDIBitmapBtn*, mainset::kRateRadios> rate_{};
    ui::CGDIBitmapBtn* linesRadio_ = nullptr;
    ui::CGDIBitmapBtn* screenRadio_ = nullptr;
    ui::CBitmapEdit* linesEdit_ = nullptr;
    ui::CGDIBitmapBtn* linesUp_ = nullptr;
    ui::CGDIBitmapBtn* linesDown_ = nullptr;
    ui::CPngHSliderBar* speed_ = nullptr;
    ui::CPngHSliderBar* height_ = nullptr;
    std::array<ui::CIrrButton*, kButtonCount> tabs_{};
    mainset::Indicators lit_{};
    // The lit lamps: pieces of the page's hover picture.
    std::array<QPixmap, kButtonCount> litPieces_{};
    QTimer validateTimer_;
};

}  // namespace x5k::pages
