#include "pages/lighting/CDlgLEDSet.h"

#include <QMouseEvent>

#include <algorithm>
#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "localisation/Languages.h"
#include "ui/Accessibility.h"
#include "ui/CBitmapEdit.h"
#include "ui/CColorBtn.h"
#include "ui/CGDIBitmapBtn.h"
#include "ui/CPngHSliderBar.h"
#include "ui/Skin.h"

namespace x5k::pages {
namespace {

using namespace x5k::lightingpage;

// The layout names of the mode buttons, modes 1..5.
constexpr std::array<std::string_view, kModeCount> kModeNames = {"mode1", "mode2", "mode3", "mode4",
                                                                 "off"};
// The interface strings naming the modes, modes 1..5.
constexpr std::array<std::string_view, kModeCount> kModeKeys = {
    "str_led_brealways", "str_led_norbre", "str_led_apmbre", "str_ledspe", "str_led_off"};
constexpr std::array<std::string_view, 3> kComponentNames = {"red", "green", "blue"};
constexpr std::array<std::string_view, 3> kValueNames = {"red.value", "green.value", "blue.value"};
// The components as the colour world names them in every language.
constexpr std::array<const char*, 3> kComponentLetters = {"R", "G", "B"};

const layout::Control& ControlNamed(const layout::PageLayout& page, std::string_view name) {
    return *layout::findControl(page, name);
}

// The layout's own picture of the page in one look.
QString ResourceFile(layout::State state, bool chinese) {
    const layout::ResourcePicture* picture = layout::pageResource("lighting", state, chinese);
    return picture ? ui::resourcePath(picture->id) : QString();
}

uint32_t ColorrefOfPixel(QRgb pixel) {
    return ColorrefOf({qRed(pixel), qGreen(pixel), qBlue(pixel)});
}

}  // namespace

CDlgLEDSet::CDlgLEDSet(const PageContext& context) : PageWindow(context, "lighting") {
    // The pictures are read and the buttons' pieces cut on a worker from the start, so the
    // page's first show finds them. The layout's own pictures draw the whole page as that
    // layout shows it: its buttons, title strips and slider tracks at its places.
    const layout::PageLayout& page = pageLayout();
    const bool chinese = chineseLayout();
    std::vector<std::pair<std::string, QRect>> cuts;
    for (const std::string_view name : kModeNames) {
        cuts.emplace_back(name, ui::edges(ControlNamed(page, name).rectFor(chinese)));
    }
    for (const std::string_view name : {"ledOn", "ledOff"}) {
        cuts.emplace_back(name, ui::edges(ControlNamed(page, name).rectFor(chinese)));
    }
    // The whole normal picture, the page's background, is read only at the first show: held
    // from the start it would cost its megabytes for as long as the page is not looked at.
    const std::array<QString, 2> files = {ResourceFile(layout::State::Over, chinese),
                                          ResourceFile(layout::State::Down, chinese)};
    pictures_ = std::async(std::launch::async, [files, cuts = std::move(cuts)] {
        PagePictures pictures;
        for (size_t look = 0; look < 2; ++look) {
            const QImage whole = ui::loadImage(files[look]);
            for (const auto& [name, rect] : cuts)
                pictures.looks[name][look] = ui::piece(whole, rect);
        }
        return pictures;
    });
}

CDlgLEDSet::~CDlgLEDSet() = default;

void CDlgLEDSet::connectServices(ProfileImage& profile) {
    model_ = std::make_unique<LightingModel>(profile);
    if (built_) showView();
}

void CDlgLEDSet::showEvent(QShowEvent* event) {
    if (!built_ && model_) {
        const PagePictures pictures = pictures_.get();
        const QImage normal = ui::loadImage(ResourceFile(layout::State::Normal, chineseLayout()));
        if (!normal.isNull()) setBackground(QPixmap::fromImage(normal));
        if (background().isNull()) {
            setBackground(ui::loadPicture(ui::programFolder() + QLatin1Char('/') +
                                          ui::fromUtf8(pageLayout().normal)));
        }
        build(pictures, normal);
    }
    PageWindow::showEvent(event);
}

void CDlgLEDSet::build(const PagePictures& pictures, const QImage& normal) {
    built_ = true;
    // Without the layout's picture the page keeps the shared skin PageWindow reads.
    const QImage ground = normal.isNull() ? background().toImage() : normal;
    // Only the pieces stay: each control cuts its own, and the wheel keeps its area.
    wheel_ = ui::piece(ground, wheelRect());
    makeButtons(pictures);
    makeColourControls(ground);
    applyTooltips();
    showView();
}

void CDlgLEDSet::makeButtons(const PagePictures& pictures) {
    const layout::PageLayout& page = pageLayout();
    const auto make = [&](std::string_view name, QAccessible::Role role) {
        const QRect rect = ui::edges(ControlNamed(page, name).rectFor(chineseLayout()));
        auto* button = new ui::CGDIBitmapBtn(this, rect);
        const auto found = pictures.looks.find(name);
        const std::array<QImage, 2> looks =
            found == pictures.looks.end() ? std::array<QImage, 2>{} : found->second;
        const QPixmap normal = ui::piece(background(), rect);
        button->ReplaceImages(normal, QPixmap::fromImage(looks[0]), QPixmap::fromImage(looks[1]),
                              normal);
        button->SetCheckMode(true, false);
        ui::setAccessibleRole(button, role);
        return button;
    };
    for (int mode = 1; mode <= kModeCount; ++mode) {
        ui::CGDIBitmapBtn* button =
            make(kModeNames[static_cast<size_t>(mode - 1)], QAccessible::RadioButton);
        connect(button, &QAbstractButton::clicked, this, [this, mode] {
            model_->clickMode(mode);
            showView();
        });
        modes_[static_cast<size_t>(mode - 1)] = button;
    }
    ledOn_ = make("ledOn", QAccessible::RadioButton);
    ledOff_ = make("ledOff", QAccessible::RadioButton);
    connect(ledOn_, &QAbstractButton::clicked, this, [this] {
        model_->clickLed(true);
        showView();
    });
    connect(ledOff_, &QAbstractButton::clicked, this, [this] {
        model_->clickLed(false);
        showView();
    });
}

void CDlgLEDSet::makeColourControls(const QImage& ground) {
    const layout::PageLayout& page = pageLayout();
    const auto rectOf = [&](std::string_view name) {
        return ui::edges(ControlNamed(page, name).rectFor(chineseLayout()));
    };
    display_ = new ui::CColorBtn(this, rectOf("colour"));
    display_->SetBorder(true);
    ui::setAccessibleRole(display_, QAccessible::StaticText);
    for (int index = 0; index < kSwatchCount; ++index) {
        auto* swatch = new ui::CColorBtn(this, rectOf("swatch" + std::to_string(index)));
        swatch->SetColour(kSwatchColours[static_cast<size_t>(index)]);
        ui::setAccessibleRole(swatch, QAccessible::RadioButton);
        connect(swatch, &QAbstractButton::clicked, this, [this, index] {
            model_->clickSwatch(index);
            showView();
        });
        swatches_[static_cast<size_t>(index)] = swatch;
    }

    const QString thumb = ui::skinPath(QStringLiteral("Slider.png"));
    // The layout's picture draws each slider's track at its place.
    const auto slider = [&](std::string_view name, controls::SliderRange range) {
        const layout::Control& control = ControlNamed(page, name);
        const layout::Rect& r = control.rectFor(chineseLayout());
        auto* bar = new ui::CPngHSliderBar(this);
        bar->Init(thumb, r.left, r.top, r.right, r.bottom, this, control.id);
        bar->SetBackground(r.left, r.top, r.width(), r.height(), ground);
        bar->SetRange(range.minimum, range.maximum);
        connect(bar, &ui::CPngHSliderBar::positionChanged, this, [this, bar](int value) {
            model_->moveSlider(bar->controlId(), value);
            showView();
        });
        return bar;
    };
    levels_[0] = slider("level1", kLevel1Range);
    levels_[1] = slider("level2", kLevel2Range);
    for (size_t c = 0; c < components_.size(); ++c) {
        components_[c] = slider(kComponentNames[c], kComponentRange);
        const layout::Control& field = ControlNamed(page, kValueNames[c]);
        const layout::Rect& r = field.rectFor(chineseLayout());
        auto* edit = new ui::CBitmapEdit(this, ui::edges(r));
        edit->SetBackground(r.left, r.top, r.width(), r.height(), ground);
        edit->setAlignment(Qt::AlignCenter);
        edit->setReadOnly(true);
        // The fields only show the components.
        edit->setEnabled(false);
        values_[c] = edit;
    }
}

void CDlgLEDSet::applyTooltips() {
    if (!built_) return;
    const auto text = [this](std::string_view key) { return ui::fromUtf8(strings().get(key)); };
    const auto title = [this](std::string_view key) {
        return ui::fromUtf8(SectionTitle(strings().get(key)));
    };
    const auto hintText = [&](std::string_view name) {
        return text(HintOf(ControlNamed(pageLayout(), name).hint).key);
    };
    for (int mode = 1; mode <= kModeCount; ++mode) {
        ui::CGDIBitmapBtn* button = modes_[static_cast<size_t>(mode - 1)];
        const std::string_view key = kModeKeys[static_cast<size_t>(mode - 1)];
        button->SetTooltip(text(key), true);
        button->setAccessibleName(title(key));
        button->setAccessibleDescription(text(key));
    }
    ledOn_->SetTooltip(text("str_led_body_on"), true);
    ledOn_->setAccessibleName(text("str_led_body_on"));
    ledOff_->SetTooltip(text("str_led_body_off"), true);
    ledOff_->setAccessibleName(text("str_led_body_off"));
    display_->SetTooltip(text("str_preset_color"), true);
    display_->setAccessibleName(title("str_cur_color"));
    const QString preset = title("str_preset_color");
    for (int index = 0; index < kSwatchCount; ++index) {
        ui::CColorBtn* swatch = swatches_[static_cast<size_t>(index)];
        swatch->setAccessibleName(QStringLiteral("%1 %2").arg(preset).arg(index + 1));
        swatch->setAccessibleDescription(
            ui::CColorBtn::fromColorref(kSwatchColours[static_cast<size_t>(index)]).name());
    }
    levels_[0]->setToolTip(hintText("level1"));
    levels_[0]->setAccessibleName(hintText("level1"));
    levels_[1]->setToolTip(hintText("level2"));
    levels_[1]->setAccessibleName(hintText("level2"));
    const QString custom = title("str_custom_color");
    for (size_t c = 0; c < components_.size(); ++c) {
        const QString name = QStringLiteral("%1 %2").arg(custom, kComponentLetters[c]);
        components_[c]->setToolTip(text("str_led_custom"));
        components_[c]->setAccessibleName(name);
        values_[c]->setAccessibleName(name);
    }
    for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        ui::tellNameChanged(control);
    }
}

void CDlgLEDSet::RefreshLighting() {
    if (model_) {
        model_->RefreshLighting();
        if (built_) showView();
    }
    update();
    emit refreshed();
}

void CDlgLEDSet::showView() {
    if (!built_ || !model_) return;
    const ViewState& view = model_->view();
    for (int mode = 1; mode <= kModeCount; ++mode) {
        modes_[static_cast<size_t>(mode - 1)]->SetChecked(view.pressedMode == mode);
    }
    ledOn_->SetChecked(view.ledOn);
    ledOff_->SetChecked(!view.ledOn);
    const std::array<int, 2> levels = {view.level1, view.level2};
    const std::array<bool, 2> levelsEnabled = {view.level1Enabled, view.level2Enabled};
    for (size_t l = 0; l < levels_.size(); ++l) {
        levels_[l]->setEnabled(levelsEnabled[l]);
        if (levels_[l]->GetPos() != levels[l]) levels_[l]->SetPos(levels[l]);
    }
    for (size_t c = 0; c < components_.size(); ++c) {
        components_[c]->setEnabled(view.colourEnabled);
        if (components_[c]->GetPos() != view.components[c]) {
            components_[c]->SetPos(view.components[c]);
        }
        const QString number = QString::number(view.components[c]);
        if (values_[c]->text() != number) values_[c]->setText(number);
    }
    for (int index = 0; index < kSwatchCount; ++index) {
        ui::CColorBtn* swatch = swatches_[static_cast<size_t>(index)];
        swatch->setEnabled(view.colourEnabled);
        swatch->SetSelected(view.swatch == index);
    }
    if (display_->Colour() != view.displayColour) {
        display_->SetColour(view.displayColour);
        display_->setAccessibleDescription(ui::CColorBtn::fromColorref(view.displayColour).name());
        ui::tellNameChanged(display_);
    }
    if (!view.picking) unsetCursor();
}

int CDlgLEDSet::hintAt(QPoint point) const {
    return HintAt({point.x(), point.y()}, chineseLayout());
}

QRect CDlgLEDSet::wheelRect() const {
    return ui::edges(ControlNamed(pageLayout(), "wheel").rectFor(chineseLayout()));
}

void CDlgLEDSet::clickWheel(QPoint point) {
    if (!built_ || !model_) return;
    const QPoint inPicture = point - wheelRect().topLeft();
    if (!wheel_.valid(inPicture)) return;
    if (model_->clickWheel({point.x(), point.y()}, ColorrefOfPixel(wheel_.pixel(inPicture)))) {
        showView();
    }
}

void CDlgLEDSet::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) clickWheel(event->position().toPoint());
    followPointer(event->position().toPoint());
    PageWindow::mousePressEvent(event);
}

void CDlgLEDSet::mouseMoveEvent(QMouseEvent* event) {
    followPointer(event->position().toPoint());
    PageWindow::mouseMoveEvent(event);
}

void CDlgLEDSet::followPointer(QPoint position) {
    // The cross over the wheel while it takes clicks.
    const bool cross =
        model_ && model_->view().picking && InsideWheel({position.x(), position.y()});
    if (cross) {
        setCursor(Qt::CrossCursor);
    } else {
        unsetCursor();
    }
}

bool CDlgLEDSet::picturesRead() const {
    return !pictures_.valid() ||
           pictures_.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

ui::CGDIBitmapBtn* CDlgLEDSet::modeButton(int mode) const {
    return mode >= 1 && mode <= kModeCount ? modes_[static_cast<size_t>(mode - 1)] : nullptr;
}

ui::CColorBtn* CDlgLEDSet::swatch(int index) const {
    return index >= 0 && index < kSwatchCount ? swatches_[static_cast<size_t>(index)] : nullptr;
}

ui::CPngHSliderBar* CDlgLEDSet::levelSlider(int mode) const {
    return mode == 1 || mode == 2 ? levels_[static_cast<size_t>(mode - 1)] : nullptr;
}

ui::CPngHSliderBar* CDlgLEDSet::componentSlider(int component) const {
    return component >= 0 && component < 3 ? components_[static_cast<size_t>(component)] : nullptr;
}

ui::CBitmapEdit* CDlgLEDSet::valueField(int component) const {
    return component >= 0 && component < 3 ? values_[static_cast<size_t>(component)] : nullptr;
}

}  // namespace x5k::pages
