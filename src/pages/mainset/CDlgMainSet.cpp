#include "pages/mainset/CDlgMainSet.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QRegularExpressionValidator>

#include <algorithm>
#include <chrono>

#include "localisation/Languages.h"
#include "ui/Accessibility.h"
#include "ui/CBitmapEdit.h"
#include "ui/CGDIBitmapBtn.h"
#include "ui/CIrrButton.h"
#include "ui/CPngHSliderBar.h"
#include "ui/Skin.h"

namespace x5k::pages {
namespace {

using namespace x5k::mainset;

// The lines box validates four seconds after the user last changed it.
constexpr int kValidateDelayMs = 4000;

const layout::Control& ControlNamed(const layout::PageLayout& page, std::string_view name) {
    return *layout::findControl(page, name);
}

std::string Numbered(std::string_view stem, int n) {
    return std::string(stem) + std::to_string(n);
}

QString ResourceFile(layout::State state, bool chinese) {
    const layout::ResourcePicture* picture = layout::pageResource("settings", state, chinese);
    return picture ? ui::resourcePath(picture->id) : QString();
}

}  // namespace

CDlgMainSet::CDlgMainSet(const PageContext& context) : PageWindow(context, "settings") {
    // The page's pictures are read on a worker from the start, so the page's first show,
    // which for this page comes with the program's window, finds them read.
    const layout::PageLayout& page = pageLayout();
    const QString folder = ui::programFolder() + QLatin1Char('/');
    const std::array<QString, 6> files = {folder + ui::fromUtf8(page.normal),
                                          folder + ui::fromUtf8(page.over),
                                          folder + ui::fromUtf8(page.down),
                                          ResourceFile(layout::State::Normal, chineseLayout()),
                                          ResourceFile(layout::State::Over, chineseLayout()),
                                          ResourceFile(layout::State::Down, chineseLayout())};
    pictures_ = std::async(std::launch::async, [files] {
        return PagePictures{ui::loadImage(files[0]), ui::loadImage(files[1]),
                            ui::loadImage(files[2]), ui::loadImage(files[3]),
                            ui::loadImage(files[4]), ui::loadImage(files[5])};
    });
    validateTimer_.setSingleShot(true);
    validateTimer_.setInterval(kValidateDelayMs);
    connect(&validateTimer_, &QTimer::timeout, this, &CDlgMainSet::onValidateTimer);
    runPopup_ = [this](QWidget* parent, int button, const std::string& name) {
        AssignmentServices popup = services_->popup;
        popup.chinese = chineseInterface();
        if (services_->hooksReadKeyboard) popup.hooksReadKeyboard = services_->hooksReadKeyboard();
        CSettingDlg dialog(parent, button, name, popup);
        return dialog.run();
    };
}

CDlgMainSet::~CDlgMainSet() = default;

void CDlgMainSet::connectServices(const SettingsServices& services) {
    services_.emplace(services);
    model_ = std::make_unique<MainSetModel>(services_->profile);
    if (built_) showView();
}

void CDlgMainSet::showEvent(QShowEvent* event) {
    if (!built_ && model_) {
        PagePictures pictures = pictures_.get();
        if (!pictures.skinNormal.isNull()) {
            setBackground(QPixmap::fromImage(std::move(pictures.skinNormal)));
        }
        build(pictures);
    }
    PageWindow::showEvent(event);
}

void CDlgMainSet::build(const PagePictures& pictures) {
    built_ = true;
    const QPixmap over = QPixmap::fromImage(pictures.skinOver);
    const QPixmap down = QPixmap::fromImage(pictures.skinDown);
    for (int button = 0; button < kButtonCount; ++button) {
        litPieces_[static_cast<size_t>(button)] = ui::piece(over, indicatorRect(button));
    }
    makeChecks(background(), over, down);
    makeSliders(pictures.down);
    const Looks resources{QPixmap::fromImage(pictures.normal), QPixmap::fromImage(pictures.over),
                          QPixmap::fromImage(pictures.down)};
    makeScrollControls(Looks{background(), over, down}, resources, pictures.down);
    makeTabs(resources);
    applyTooltips();
    showView();
}

void CDlgMainSet::makeChecks(const QPixmap& normal, const QPixmap& over, const QPixmap& down) {
    const layout::PageLayout& page = pageLayout();
    const auto make = [&](std::string_view name, QAccessible::Role role) {
        const QRect rect = ui::edges(ControlNamed(page, name).rectFor(chineseLayout()));
        auto* button = new ui::CGDIBitmapBtn(this, rect);
        button->SetImages(rect, normal, over, down, normal);
        button->SetCheckMode(true, false);
        ui::setAccessibleRole(button, role);
        return button;
    };
    for (int box = 0; box < kResolutionBoxes; ++box) {
        dpi_[static_cast<size_t>(box)] = make(Numbered("dpi", box), QAccessible::CheckBox);
        connect(dpi_[static_cast<size_t>(box)], &QAbstractButton::clicked, this, [this, box] {
            model_->clickResolutionBox(box);
            showView();
        });
    }
    precision_ = make("precision", QAccessible::CheckBox);
    connect(precision_, &QAbstractButton::clicked, this, [this] {
        model_->clickPrecision();
        showView();
    });
    static constexpr std::array<std::string_view, kRateRadios> kRateNames = {"rate125", "rate500",
                                                                             "rate1000"};
    for (int radio = 0; radio < kRateRadios; ++radio) {
        rate_[static_cast<size_t>(radio)] =
            make(kRateNames[static_cast<size_t>(radio)], QAccessible::RadioButton);
        connect(rate_[static_cast<size_t>(radio)], &QAbstractButton::clicked, this, [this, radio] {
            model_->clickRate(radio);
            showView();
        });
    }
}

void CDlgMainSet::makeSliders(const QImage& ground) {
    const layout::PageLayout& page = pageLayout();
    const QString thumb = ui::skinPath(QStringLiteral("Slider.png"));
    const auto make = [&](std::string_view name, controls::SliderRange range) {
        const layout::Control& control = ControlNamed(page, name);
        const layout::Rect& r = control.rectFor(chineseLayout());
        auto* slider = new ui::CPngHSliderBar(this);
        slider->Init(thumb, r.left, r.top, r.right, r.bottom, this, control.id);
        slider->SetBackground(r.left, r.top, r.width(), r.height(), ground);
        slider->SetRange(range.minimum, range.maximum);
        connect(slider, &ui::CPngHSliderBar::positionChanged, this,
                [this, slider](int value) { model_->moveSlider(slider->controlId(), value); });
        return slider;
    };
    speed_ = make("speed", kSpeedRange);
    height_ = make("height", kHeightRange);
}

void CDlgMainSet::makeScrollControls(const Looks& skin, const Looks& resources,
                                     const QImage& ground) {
    const layout::PageLayout& page = pageLayout();
    const auto make = [&](std::string_view name, QAccessible::Role role) {
        const layout::Control& control = ControlNamed(page, name);
        const QRect rect = ui::edges(control.rectFor(chineseLayout()));
        auto* button = new ui::CGDIBitmapBtn(this, rect);
        // The two radios stand at other places in the two layouts; where the page's
        // pictures cannot show both, their looks come from the layout's own resources.
        const Looks& looks = control.art == layout::Art::Resources ? resources : skin;
        button->SetImages(rect, looks.normal, looks.over, looks.down, looks.normal);
        ui::setAccessibleRole(button, role);
        return button;
    };
    linesRadio_ = make("lines", QAccessible::RadioButton);
    screenRadio_ = make("screen", QAccessible::RadioButton);
    linesRadio_->SetCheckMode(true, false);
    screenRadio_->SetCheckMode(true, false);
    connect(linesRadio_, &QAbstractButton::clicked, this, [this] {
        model_->clickLinesRadio();
        showView();
    });
    connect(screenRadio_, &QAbstractButton::clicked, this, [this] {
        model_->clickScreenRadio();
        validateTimer_.stop();
        showView();
    });
    linesUp_ = make("lines.up", QAccessible::Button);
    linesDown_ = make("lines.down", QAccessible::Button);
    connect(linesUp_, &QAbstractButton::clicked, this, [this] {
        model_->stepLinesUp();
        showView();
    });
    connect(linesDown_, &QAbstractButton::clicked, this, [this] {
        model_->stepLinesDown();
        showView();
    });

    const layout::Control& box = ControlNamed(page, "lines.edit");
    const layout::Rect& r = box.rectFor(chineseLayout());
    linesEdit_ = new ui::CBitmapEdit(this, ui::edges(r));
    linesEdit_->SetBackground(r.left, r.top, r.width(), r.height(), ground);
    linesEdit_->setAlignment(Qt::AlignCenter);
    linesEdit_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), linesEdit_));
    connect(linesEdit_, &QLineEdit::textEdited, this, &CDlgMainSet::onLinesEdited);
}

void CDlgMainSet::makeTabs(const Looks& looks) {
    const layout::PageLayout& page = pageLayout();
    for (int button = 0; button < kButtonCount; ++button) {
        const layout::Control& control = ControlNamed(page, Numbered("tab", button));
        QPolygon outline;
        for (const layout::Point& corner : control.corners) outline << QPoint(corner.x, corner.y);
        auto* tab = new ui::CIrrButton(this, QString(), outline);
        // Each tab keeps its own pieces: the whole pictures go once the page is made.
        const QRect box = tab->BoundingBox();
        const QPixmap normal = ui::piece(looks.normal, box);
        tab->SetImagePieces(normal, ui::piece(looks.down, box), ui::piece(looks.over, box), normal);
        tab->SetCheckMode(true);
        ui::setAccessibleRole(tab, QAccessible::Button);
        // The pop-up runs once the press has been handled, so the tab is not left down.
        connect(
            tab, &ui::CIrrButton::commandPressed, this, [this, button] { openTab(button); },
            Qt::QueuedConnection);
        tabs_[static_cast<size_t>(button)] = tab;
    }
}

void CDlgMainSet::applyTooltips() {
    if (!built_) return;
    const auto text = [this](std::string_view key) { return ui::fromUtf8(strings().get(key)); };
    for (int box = 0; box < kResolutionBoxes; ++box) {
        ui::CGDIBitmapBtn* button = dpi_[static_cast<size_t>(box)];
        button->SetTooltip(text("str_dpiwant"), true);
        button->setAccessibleName(
            QStringLiteral("%1 DPI").arg(kResolutionChoices[static_cast<size_t>(box)]));
        button->setAccessibleDescription(text("str_dpiwant"));
    }
    precision_->SetTooltip(text("str_improveAccuracy"), true);
    precision_->setAccessibleName(text("str_improveAccuracy"));
    static constexpr std::array<int, kRateRadios> kRates = {125, 500, 1000};
    for (int radio = 0; radio < kRateRadios; ++radio) {
        ui::CGDIBitmapBtn* button = rate_[static_cast<size_t>(radio)];
        button->SetTooltip(text("str_rollingrate"), true);
        button->setAccessibleName(QStringLiteral("%1 Hz").arg(kRates[static_cast<size_t>(radio)]));
        button->setAccessibleDescription(text("str_rollingrate"));
    }
    linesRadio_->SetTooltip(text("str_rollerColumn"), true);
    linesRadio_->setAccessibleName(text("str_rollerColumn"));
    screenRadio_->SetTooltip(text("str_rollerScreen"), true);
    screenRadio_->setAccessibleName(text("str_rollerScreen"));
    const QString scroll = ui::fromUtf8(SectionTitle(strings().get("str_windows_scroll")));
    linesEdit_->setAccessibleName(scroll);
    linesUp_->setAccessibleName(scroll + QStringLiteral(" +1"));
    linesDown_->setAccessibleName(scroll + QStringLiteral(" \u22121"));
    speed_->setToolTip(text("str_mouseSpeed"));
    speed_->setAccessibleName(text("str_mouseSpeed"));
    height_->setToolTip(text("str_sheight"));
    height_->setAccessibleName(text("str_sheight"));
    for (ui::CIrrButton* tab : tabs_) tab->setAccessibleDescription(text("str_mouse_key"));
    // The default functions' names follow the interface between Chinese and English.
    if (model_) showTabs();
    for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        ui::tellNameChanged(control);
    }
}

void CDlgMainSet::RefreshFromProfile() {
    if (model_) {
        model_->RefreshFromProfile();
        validateTimer_.stop();
        if (built_) showView();
    }
    emit refreshed();
}

void CDlgMainSet::showView() {
    if (!built_ || !model_) return;
    const ViewState& view = model_->view();
    for (int box = 0; box < kResolutionBoxes; ++box) {
        dpi_[static_cast<size_t>(box)]->SetChecked(view.resolutionBoxes[static_cast<size_t>(box)]);
    }
    precision_->SetChecked(view.precision);
    if (speed_->GetPos() != view.speedPosition) speed_->SetPos(view.speedPosition);
    if (height_->GetPos() != view.heightPosition) height_->SetPos(view.heightPosition);
    for (int radio = 0; radio < kRateRadios; ++radio) {
        rate_[static_cast<size_t>(radio)]->SetChecked(view.rateRadio == radio);
    }
    linesRadio_->SetChecked(view.linesRadio);
    screenRadio_->SetChecked(view.screenRadio);
    linesEdit_->setEnabled(view.linesEditEnabled);
    linesUp_->setEnabled(view.linesEditEnabled);
    linesDown_->setEnabled(view.linesEditEnabled);
    const QString lines = QString::fromStdString(view.linesText);
    if (linesEdit_->text() != lines) linesEdit_->setText(lines);
    showTabs();
}

void CDlgMainSet::showTabs() {
    const ViewState& view = model_->view();
    const bool chinese = chineseInterface();
    // A tab reads as the function its button has now, in the interface's language.
    ProfileImage shown = services_->profile;
    for (int button = 0; button < kButtonCount; ++button) {
        ui::CIrrButton* tab = tabs_[static_cast<size_t>(button)];
        tab->SetChecked(view.tabModified[static_cast<size_t>(button)]);
        (void)TranslateDefaultName(shown, button, chinese);
        const QString name = QString::fromStdString(shown.text(profile::DisplayName(button)));
        if (tab->text() != name) {
            tab->setText(name);
            tab->setToolTip(name);
            tab->setAccessibleName(name);
            ui::tellNameChanged(tab);
        }
    }
}

void CDlgMainSet::showLinesText(int caret) {
    if (!built_) return;
    const QString lines = QString::fromStdString(model_->view().linesText);
    if (linesEdit_->text() != lines) linesEdit_->setText(lines);
    linesEdit_->setCursorPosition(std::clamp(caret, 0, static_cast<int>(lines.size())));
}

void CDlgMainSet::onLinesEdited(const QString& text) {
    model_->typeLines(text.toStdString());
    if (!validateTimer_.isActive()) validateTimer_.start();
}

void CDlgMainSet::onValidateTimer() {
    if (!model_) return;
    const size_t before = model_->view().linesText.size();
    if (model_->validateTimerTick()) {
        showLinesText(static_cast<int>(std::min(before, model_->view().linesText.size())));
    }
}

void CDlgMainSet::ValidateScrollLines() {
    if (!model_) return;
    validateTimer_.stop();
    showLinesText(model_->ValidateScrollLines());
}

void CDlgMainSet::commitEdits(const ProfileImage&) {
    if (!model_) return;
    validateTimer_.stop();
    model_->beforeApply();
    if (built_) showView();
}

void CDlgMainSet::openTab(int button) {
    if (!model_ || !services_) return;
    const bool chinese = chineseInterface();
    const std::optional<std::string> name = model_->openButton(button, chinese);
    if (!name) return;
    const assign::DialogOutcome result = runPopup_(window(), button, *name);
    const AssignmentContext context{services_->workingMacroIds, chinese, services_->messages,
                                    services_->popup.keyboard, services_->macroName};
    (void)model_->closeButton(result, context);
    if (built_) showTabs();
}

int CDlgMainSet::hintAt(QPoint point) const {
    const std::vector<int> hints = HintsAt({point.x(), point.y()}, chineseLayout());
    // Each hint posted replaces the one before: the last one found is the one shown.
    return hints.empty() ? 0 : hints.back();
}

void CDlgMainSet::followPointer(QPoint position) {
    if (!built_) return;
    const Indicators after = UpdateIndicators(lit_, {position.x(), position.y()}, isActiveWindow());
    if (after == lit_) return;
    for (int button = 0; button < kButtonCount; ++button) {
        if (after[static_cast<size_t>(button)] != lit_[static_cast<size_t>(button)]) {
            update(indicatorRect(button));
        }
    }
    lit_ = after;
}

void CDlgMainSet::mouseMoveEvent(QMouseEvent* event) {
    followPointer(event->position().toPoint());
    PageWindow::mouseMoveEvent(event);
}

void CDlgMainSet::childMouseMoved(QWidget* child, QPoint position) {
    followPointer(position);
    PageWindow::childMouseMoved(child, position);
}

void CDlgMainSet::leaveEvent(QEvent* event) {
    // Outside the page no tab is under the pointer.
    followPointer({-1, -1});
    PageWindow::leaveEvent(event);
}

void CDlgMainSet::paintEvent(QPaintEvent* event) {
    PageWindow::paintEvent(event);
    if (!built_) return;
    QPainter painter(this);
    for (int button = 0; button < kButtonCount; ++button) {
        if (!lit_[static_cast<size_t>(button)]) continue;
        painter.drawPixmap(indicatorRect(button).topLeft(),
                           litPieces_[static_cast<size_t>(button)]);
    }
}

QRect CDlgMainSet::indicatorRect(int button) const {
    return ui::edges(
        ControlNamed(pageLayout(), Numbered("indicator", button)).rectFor(chineseLayout()));
}

bool CDlgMainSet::chineseInterface() const {
    if (!services_) return chineseLayout();
    return services_->chineseInterface ? services_->chineseInterface() : services_->popup.chinese;
}

bool CDlgMainSet::picturesRead() const {
    return !pictures_.valid() ||
           pictures_.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

ui::CGDIBitmapBtn* CDlgMainSet::resolutionBox(int box) const {
    return box >= 0 && box < kResolutionBoxes ? dpi_[static_cast<size_t>(box)] : nullptr;
}

ui::CGDIBitmapBtn* CDlgMainSet::rateRadio(int radio) const {
    return radio >= 0 && radio < kRateRadios ? rate_[static_cast<size_t>(radio)] : nullptr;
}

ui::CIrrButton* CDlgMainSet::buttonTab(int button) const {
    return button >= 0 && button < kButtonCount ? tabs_[static_cast<size_t>(button)] : nullptr;
}

bool CDlgMainSet::indicatorLit(int button) const {
    return button >= 0 && button < kButtonCount && lit_[static_cast<size_t>(button)];
}

}  // namespace x5k::pages
