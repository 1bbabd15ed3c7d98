#pragma once
// The lighting page: the lighting mode, colour, levels and LED switch of the working
// profile. What a click does and what the page shows are lightingpage::LightingModel's
// rules (LightingModel.h); the widgets draw its view state and pass clicks on to it.

#include <QImage>

#include <array>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <string>

#include "pages/PageWindow.h"
#include "pages/lighting/LightingModel.h"

namespace x5k::ui {
class CBitmapEdit;
class CColorBtn;
class CGDIBitmapBtn;
class CPngHSliderBar;
}  // namespace x5k::ui

namespace x5k::pages {

class CDlgLEDSet : public PageWindow {
    Q_OBJECT

public:
    explicit CDlgLEDSet(const PageContext& context);
    ~CDlgLEDSet() override;

    // The working profile, given once the main window has it. The page's rules work from
    // then on; its controls are made when it is first shown.
    void connectServices(ProfileImage& profile);

    // Shows the working profile's lighting.
    void RefreshLighting();

    void showProfile() override { RefreshLighting(); }
    void applyTooltips() override;
    int hintAt(QPoint point) const override;

    // A left press at a page point on the colour wheel, as the mouse gives it.
    void clickWheel(QPoint point);

    // What tests and the snapshots look at.
    bool built() const { return built_; }
    bool picturesRead() const;
    const lightingpage::LightingModel* model() const { return model_.get(); }
    ui::CGDIBitmapBtn* modeButton(int mode) const;  // 1..5
    ui::CGDIBitmapBtn* ledOnButton() const { return ledOn_; }
    ui::CGDIBitmapBtn* ledOffButton() const { return ledOff_; }
    ui::CColorBtn* colourDisplay() const { return display_; }
    ui::CColorBtn* swatch(int index) const;                    // 0..25
    ui::CPngHSliderBar* levelSlider(int mode) const;           // 1 or 2
    ui::CPngHSliderBar* componentSlider(int component) const;  // 0 red, 1 green, 2 blue
    ui::CBitmapEdit* valueField(int component) const;
    // The wheel as the page's picture shows it, at the wheel's rectangle.
    const QImage& wheelPicture() const { return wheel_; }
    QRect wheelRect() const;

signals:
    void refreshed();

protected:
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // The layout's page picture, which becomes the background, and the buttons' hover and
    // pressed pieces by control name; the whole hover and pressed pictures stay on the worker.
    struct PagePictures {
        std::map<std::string, std::array<QImage, 2>, std::less<>> looks;
    };

    // `normal` is the layout's normal picture, null where it is missing.
    void build(const PagePictures& pictures, const QImage& normal);
    void makeButtons(const PagePictures& pictures);
    void makeColourControls(const QImage& ground);
    void showView();
    void followPointer(QPoint position);

    std::future<PagePictures> pictures_;
    std::unique_ptr<lightingpage::LightingModel> model_;
    bool built_ = false;

    std::array<ui::CGDIBitmapBtn*, lightingpage::kModeCount> modes_{};
    ui::CGDIBitmapBtn* ledOn_ = nullptr;
    ui::CGDIBitmapBtn* ledOff_ = nullptr;
    ui::CColorBtn* display_ = nullptr;
    std::array<ui::CColorBtn*, lightingpage::kSwatchCount> swatches_{};
    std::array<ui::CPngHSliderBar*, 2> levels_{};
    std::array<ui::CPngHSliderBar*, 3> components_{};
    std::array<ui::CBitmapEdit*, 3> values_{};
    QImage wheel_;
};

}  // namespace x5k::pages
