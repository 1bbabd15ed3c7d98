#include "pages/support/CDlgSupport.h"

#include <QFileDialog>
#include <QKeyEvent>
#include <QPainter>

#include <chrono>
#include <string_view>
#include <utility>

#include "localisation/Languages.h"
#include "platform/WindowMessages.h"
#include "ui/Accessibility.h"
#include "ui/CGDIBitmapBtn.h"
#include "ui/Skin.h"

// The maker's web page, named by the build (the X5K_WEB_URL cache variable).
#ifndef X5K_WEB_URL
#define X5K_WEB_URL ""
#endif

namespace x5k::pages {
namespace {

using Button = CDlgSupport::Button;

// The layout names of the buttons, in the order of CDlgSupport::Button.
constexpr std::array<std::string_view, CDlgSupport::kButtonCount> kButtonNames = {
    "update", "web", "import", "export", "defaults", "programVersion", "firmwareVersion"};
// The interface strings of the five command buttons' tooltips.
constexpr std::array<std::string_view, 5> kTooltipKeys = {
    "str_update", "str_zintuWeb", "str_importFile", "str_exportFile", "str_defaultname"};

// The version texts: 12 points (16 pixels), regular, pale blue, from the top left of their
// areas.
const QColor kVersionColour(0xC1, 0xD2, 0xEE);
constexpr int kVersionPixels = 16;
// The hover areas reach one pixel beyond their controls.
constexpr int kHintMargin = 1;

QRect PageRect(const layout::PageLayout& page, std::string_view name, bool chinese) {
    return ui::edges(layout::findControl(page, name)->rectFor(chinese));
}

}  // namespace

std::optional<std::string> OpenProfileDialog(QWidget* parent, ProfileDialog dialog) {
    // The end-to-end run names its file here: a desktop's file dialog cannot be driven
    // reliably on a bare X server.
    if (const QString file = qEnvironmentVariable(kProfileFileVariable); !file.isEmpty()) {
        return file.toStdString();
    }
    QFileDialog box(parent);
    box.setNameFilter(ui::fromUtf8(support::kProfileFilter));
    box.setDefaultSuffix(ui::fromUtf8(support::kProfileSuffix));
    if (dialog == ProfileDialog::Import) {
        box.setAcceptMode(QFileDialog::AcceptOpen);
        box.setFileMode(QFileDialog::ExistingFile);
    } else {
        // The dialog asks before it overwrites a file.
        box.setAcceptMode(QFileDialog::AcceptSave);
        box.setFileMode(QFileDialog::AnyFile);
    }
    if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) return std::nullopt;
    return box.selectedFiles().constFirst().toStdString();
}

CDlgSupport::CDlgSupport(const PageContext& context)
    : PageWindow(context, "support"), files_(context.files), webAddress_(X5K_WEB_URL) {
    // The buttons' pieces are cut on a worker from the moment the page is made; the whole
    // normal picture, the background, is read at the first show.
    const layout::PageLayout& page = pageLayout();
    const bool chinese = chineseLayout();
    const QString folder = ui::programFolder() + QLatin1Char('/');
    const std::array<QString, 2> files = {folder + ui::fromUtf8(page.over),
                                          folder + ui::fromUtf8(page.down)};
    std::array<QRect, kButtonCount> rects;
    for (size_t b = 0; b < rects.size(); ++b) rects[b] = PageRect(page, kButtonNames[b], chinese);
    pieces_ = std::async(std::launch::async, [files, rects] {
        PagePieces pieces;
        for (size_t look = 0; look < files.size(); ++look) {
            const QImage whole = ui::loadImage(files[look]);
            for (size_t b = 0; b < rects.size(); ++b) {
                pieces.looks[b][look] = ui::piece(whole, rects[b]);
            }
        }
        return pieces;
    });
}

CDlgSupport::~CDlgSupport() = default;

void CDlgSupport::connectServices(const SupportServices& services) {
    services_.emplace(services);
    model_ = std::make_unique<support::SupportModel>(files_, services.profile);
}

void CDlgSupport::setWebAddress(std::string address) {
    webAddress_ = std::move(address);
    applyTooltips();
}

// ---- Making the controls --------------------------------------------------------------------

void CDlgSupport::showEvent(QShowEvent* event) {
    if (!built_) {
        const PagePieces pieces = pieces_.get();
        build(pieces);
    }
    PageWindow::showEvent(event);
}

void CDlgSupport::build(const PagePieces& pieces) {
    built_ = true;
    const layout::PageLayout& page = pageLayout();
    if (background().isNull()) {
        setBackground(
            ui::loadPicture(ui::programFolder() + QLatin1Char('/') + ui::fromUtf8(page.normal)));
    }
    for (size_t b = 0; b < buttons_.size(); ++b) {
        const QRect rect = PageRect(page, kButtonNames[b], chineseLayout());
        auto* button = new ui::CGDIBitmapBtn(this, rect);
        const QPixmap normal = ui::piece(background(), rect);
        button->ReplaceImages(normal, QPixmap::fromImage(pieces.looks[b][0]),
                              QPixmap::fromImage(pieces.looks[b][1]), normal);
        buttons_[b] = button;
    }
    // The version areas only light up under the pointer: they are never checked.
    for (const Button area : {Button::ProgramVersion, Button::FirmwareVersion}) {
        button(area)->SetCheckMode(true, false);
        ui::setAccessibleRole(button(area), QAccessible::StaticText);
        button(area)->setFocusPolicy(Qt::NoFocus);
    }
    connect(button(Button::Update), &QAbstractButton::clicked, this, &CDlgSupport::updateRequested);
    connect(button(Button::Web), &QAbstractButton::clicked, this, &CDlgSupport::openWebPage);
    connect(button(Button::Import), &QAbstractButton::clicked, this, &CDlgSupport::importProfile);
    connect(button(Button::Export), &QAbstractButton::clicked, this, &CDlgSupport::exportProfile);
    connect(button(Button::Defaults), &QAbstractButton::clicked, this,
            &CDlgSupport::restoreDefaults);
    for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!control->testAttribute(Qt::WA_WState_ExplicitShowHide)) control->show();
    }
    applyTooltips();
}

void CDlgSupport::applyTooltips() {
    if (!built_) return;
    for (size_t b = 0; b < kTooltipKeys.size(); ++b) {
        const QString text = ui::fromUtf8(strings().get(kTooltipKeys[b]));
        buttons_[b]->SetTooltip(text, true);
        buttons_[b]->setAccessibleName(text);
        buttons_[b]->setAccessibleDescription(QString());
    }
    // Without an address the web button does nothing, and its tooltip says why.
    const support::WebButtonState web = support::WebButton(webAddress_, chineseInterface());
    ui::CGDIBitmapBtn* webButton = button(Button::Web);
    webButton->setEnabled(web.enabled);
    if (!web.enabled) {
        const QString why = ui::fromUtf8(web.disabledTooltip);
        webButton->SetTooltip(why, true);
        webButton->setAccessibleDescription(why);
    }
    namedFirmware_.clear();
    nameVersionAreas();
    for (ui::CGDIBitmapBtn* control : buttons_) ui::tellNameChanged(control);
}

void CDlgSupport::nameVersionAreas() {
    const QString firmware = firmwareVersionText();
    if (!built_ || firmware == namedFirmware_) return;
    const bool first = namedFirmware_.isNull();
    namedFirmware_ = firmware;
    const auto title = [this](Button area) {
        const int hint =
            layout::findControl(pageLayout(), kButtonNames[static_cast<size_t>(area)])->hint;
        return ui::fromUtf8(SectionTitle(strings().get(HintOf(hint).key)));
    };
    const auto name = [](const QString& what, const QString& version) {
        return what.isEmpty() ? version : what + QStringLiteral(": ") + version;
    };
    button(Button::ProgramVersion)
        ->setAccessibleName(
            name(title(Button::ProgramVersion), ui::fromUtf8(support::kProgramVersion)));
    button(Button::FirmwareVersion)
        ->setAccessibleName(name(title(Button::FirmwareVersion), firmware));
    if (!first) ui::tellNameChanged(button(Button::FirmwareVersion));
}

// ---- What the page shows --------------------------------------------------------------------

QString CDlgSupport::firmwareVersionText() const {
    return ui::fromUtf8(support::FirmwareVersionText(m_strFirmwareVersion.toStdString()));
}

void CDlgSupport::paintEvent(QPaintEvent* event) {
    PageWindow::paintEvent(event);
    QPainter painter(this);
    painter.setFont(ui::dialogFont(kVersionPixels, 400));
    painter.setPen(kVersionColour);
    const layout::PageLayout& page = pageLayout();
    const int flags = Qt::AlignLeft | Qt::AlignTop;
    painter.drawText(PageRect(page, "programVersion.text", chineseLayout()), flags,
                     ui::fromUtf8(support::kProgramVersion));
    painter.drawText(PageRect(page, "firmwareVersion.text", chineseLayout()), flags,
                     firmwareVersionText());
    // The main window sets the version between paints; the area's name follows it.
    nameVersionAreas();
}

int CDlgSupport::hintAt(QPoint point) const {
    for (const std::string_view name : kButtonNames) {
        const layout::Control* control = layout::findControl(pageLayout(), name);
        const QRect area = ui::edges(control->rectFor(chineseLayout()))
                               .adjusted(-kHintMargin, -kHintMargin, kHintMargin, kHintMargin);
        if (area.contains(point)) return control->hint;
    }
    return 0;
}

// ---- The commands ---------------------------------------------------------------------------

void CDlgSupport::openWebPage() {
    if (!services_ || webAddress_.empty()) return;
    services_->shell.open(webAddress_);
}

void CDlgSupport::restoreDefaults() {
    if (!services_) return;
    const std::string question = support::RestoreQuestion(chineseInterface());
    if (services_->messages.showInfoDialog(question, BoxButtons::OkCancel) != UserMessages::kOk) {
        return;
    }
    if (auto* main = qobject_cast<MessageWindow*>(parentWidget())) {
        main->post(msg::kRestoreDefaults, 0, 0);
    }
}

void CDlgSupport::importProfile() {
    if (!model_ || !pathDialog_) return;
    const std::optional<std::string> path = pathDialog_(window(), ProfileDialog::Import);
    if (!path) return;
    const support::FileOutcome outcome = model_->importProfile(*path);
    // The pages show the imported values before the user reads the message over them.
    if (outcome.profileChanged) emit profileImported();
    services_->messages.showInfoBox(outcome.message);
}

void CDlgSupport::exportProfile() {
    if (!model_ || !pathDialog_) return;
    const std::optional<std::string> path = pathDialog_(window(), ProfileDialog::Export);
    if (!path) return;
    services_->messages.showInfoBox(model_->exportProfile(*path).message);
}

// ---- Keys and the rest ----------------------------------------------------------------------

void CDlgSupport::keyPressEvent(QKeyEvent* event) {
    // Enter, Escape and Space neither close nor trigger anything on the page.
    if (ui::IsSwallowedKey(event)) {
        event->accept();
        return;
    }
    PageWindow::keyPressEvent(event);
}

void CDlgSupport::keyReleaseEvent(QKeyEvent* event) {
    if (ui::IsSwallowedKey(event)) {
        event->accept();
        return;
    }
    PageWindow::keyReleaseEvent(event);
}

bool CDlgSupport::chineseInterface() const {
    if (services_ && services_->chineseInterface) return services_->chineseInterface();
    return chineseLayout();
}

bool CDlgSupport::picturesRead() const {
    return !pieces_.valid() ||
           pieces_.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

}  // namespace x5k::pages
