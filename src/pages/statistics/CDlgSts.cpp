#include "pages/statistics/CDlgSts.h"

#include <QCursor>
#include <QKeyEvent>
#include <QLabel>

#include <chrono>
#include <string>
#include <utility>

#include "platform/WindowMessages.h"
#include "ui/Accessibility.h"
#include "ui/CGDIBitmapBtn.h"
#include "ui/Skin.h"

namespace x5k::pages {
namespace {

using namespace x5k::statistics;

// The figures: light grey, light weight, right-aligned and centred vertically in their cells.
const QColor kFigureColour(220, 220, 220);
constexpr int kFigurePixels = 14;
constexpr int kFigureWeight = 300;
// A refresh puts the level bar here, as wide as the level asks.
constexpr int kBarLeft = 631;
constexpr int kBarTop = 62;
constexpr int kBarBottom = 77;
// The hover areas reach one pixel beyond their controls.
constexpr int kHintMargin = 1;

QRect PageRect(const layout::PageLayout& page, std::string_view name, bool chinese) {
    return ui::edges(layout::findControl(page, name)->rectFor(chinese));
}

std::string CellName(int index) {
    return "cell" + std::to_string(index);
}

// A cell says whether its trophy was earned: its lit look is all that shows it.
QString CellAccessibleName(int index, bool lit, bool chinese) {
    if (chinese) {
        return (lit ? QStringLiteral("奖杯 %1（已获得）") : QStringLiteral("奖杯 %1（未获得）"))
            .arg(index);
    }
    return (lit ? QStringLiteral("Trophy %1, earned") : QStringLiteral("Trophy %1, not earned"))
        .arg(index);
}

QString BarAccessibleName(int level, bool chinese) {
    return (chinese ? QStringLiteral("奖杯等级 %1 / %2") : QStringLiteral("Trophy level %1 of %2"))
        .arg(level)
        .arg(kTopLevel);
}

}  // namespace

CDlgSts::CDlgSts(const PageContext& context)
    : PageWindow(context, "statistics"),
      file_(context.files, context.dataFolder / "Sts.cfg"),
      model_(file_.record()) {
    loadError_ = file_.load();
    // Travel counts from where the pointer is when counting begins.
    const QPoint cursor = QCursor::pos();
    model_.setCursorStart(cursor.x(), cursor.y());
    // The skins are read and cut on a worker from the moment the page is made.
    const layout::PageLayout& page = pageLayout();
    const bool chinese = chineseLayout();
    const QString folder = ui::programFolder() + QLatin1Char('/');
    const QString normalFile = folder + ui::fromUtf8(page.normal);
    const QString overFile = folder + ui::fromUtf8(page.over);
    const QString downFile = folder + ui::fromUtf8(page.down);
    const QRect resetRect = PageRect(page, "reset", chinese);
    std::array<QRect, kCellCount> cellRects;
    for (int i = 0; i < kCellCount; ++i) {
        cellRects[static_cast<size_t>(i)] = PageRect(page, CellName(i), chinese);
    }
    pieces_ = std::async(std::launch::async, [=] {
        const QImage normal = ui::loadImage(normalFile);
        const QImage over = ui::loadImage(overFile);
        const QImage down = ui::loadImage(downFile);
        const QRect strip = ui::edges(kBarLeft, kBarTop, kBarLeft + kLevelBarFullWidth, kBarBottom);
        PagePieces pieces;
        pieces.resetOver = ui::piece(over, resetRect);
        pieces.resetDown = ui::piece(down, resetRect);
        for (size_t i = 0; i < cellRects.size(); ++i) {
            pieces.cellsLit[i] = ui::piece(down, cellRects[i]);
        }
        pieces.barNormal = ui::piece(normal, strip);
        pieces.barOver = ui::piece(over, strip);
        pieces.barDown = ui::piece(down, strip);
        return pieces;
    });
    // Timer 1: the distance figure and the periodic save.
    timer_.setInterval(kTimerMs);
    connect(&timer_, &QTimer::timeout, this, &CDlgSts::onTimer);
    timer_.start();
}

CDlgSts::~CDlgSts() {
    // The services may be gone by now: the file is written directly.
    static_cast<void>(file_.save());
}

void CDlgSts::connectServices(const StatisticsServices& services) {
    services_.emplace(services);
    savePolicy_ =
        std::make_unique<SavePolicy>(model_, services_->clock, [this] { return file_.save(); });
    // A missing file is told once there is someone to tell; counting starts from zero and
    // the first save makes the file.
    if (const auto text = LoadProblemText(loadError_, file_.path())) {
        services_->messages.showInfoDialog(*text, BoxButtons::Ok);
    }
    loadError_ = FileError::None;
}

void CDlgSts::saveState() {
    saveAndTell();
}

void CDlgSts::saveAndTell() {
    if (saveCounters() || !services_) return;
    const auto text = SaveProblemText(file_.lastSaveError(), file_.path(),
                                      strings().get("str_msg2"), strings().get("str_msg5"));
    if (text) services_->messages.showInfoBox(*text);
}

std::span<const ui::MessageWindow::MessageEntry> CDlgSts::messageTable() const {
    static const MessageEntry table[] = {
        on(msg::kStatsMouseEvent, &CDlgSts::onMouseEvent),
        on(msg::kStatsCursorSample, &CDlgSts::onCursorSample),
    };
    return table;
}

// ---- Counting -------------------------------------------------------------------------------

intptr_t CDlgSts::onMouseEvent(uintptr_t wParam, intptr_t) {
    const auto code = static_cast<uint32_t>(wParam);
    emit mouseEvent(code);
    if (model_.countEvent(code) && built_) {
        showFigures(false);
        showTrophy();
    }
    return 1;
}

intptr_t CDlgSts::onCursorSample(uintptr_t wParam, intptr_t lParam) {
    // One sample per message: x in wParam, y in lParam, each a signed 32-bit position.
    const auto x = static_cast<int32_t>(static_cast<uint32_t>(wParam));
    const auto y = static_cast<int32_t>(static_cast<uint32_t>(lParam));
    // The figure follows at the next tick of the timer, not at each sample.
    model_.addCursorSample(x, y);
    return 0;
}

void CDlgSts::setCounters(const StatsRecord& record) {
    file_.record() = record;
    if (!built_) return;
    showFigures(true);
    showTrophy();
}

void CDlgSts::onTimer() {
    if (built_) showFigures(true);
    if (savePolicy_) static_cast<void>(savePolicy_->periodicCheck());
}

bool CDlgSts::saveCounters() {
    if (savePolicy_) return savePolicy_->saveNow();
    const bool saved = file_.save();
    if (saved) model_.changesSaved();
    return saved;
}

bool CDlgSts::saveWhenHidden() {
    return savePolicy_ && savePolicy_->saveWhenHidden();
}

void CDlgSts::resetStatistics() {
    if (!services_ || !model_.reset(services_->messages, chineseInterface())) return;
    saveAndTell();
    if (!built_) return;
    showFigures(true);
    showTrophy();
    update();
}

// ---- Making the controls --------------------------------------------------------------------

void CDlgSts::showEvent(QShowEvent* event) {
    if (!built_) {
        const PagePieces pieces = pieces_.get();
        build(pieces);
    }
    PageWindow::showEvent(event);
    tellLimitNotice();
}

void CDlgSts::setLimitNotice(const QString& text) {
    limitNotice_ = text;
    if (isVisible()) tellLimitNotice();
}

void CDlgSts::tellLimitNotice() {
    if (limitNotice_.isEmpty()) return;
    const QString text = std::exchange(limitNotice_, QString());
    emit notice(text);
}

void CDlgSts::build(const PagePieces& pieces) {
    built_ = true;
    const layout::PageLayout& page = pageLayout();
    const bool chinese = chineseLayout();
    if (background().isNull()) {
        setBackground(
            ui::loadPicture(ui::programFolder() + QLatin1Char('/') + ui::fromUtf8(page.normal)));
    }
    const QPixmap& ground = background();

    trophy_ = new ui::CGDIBitmapBtn(this, PageRect(page, "trophy", chinese));
    trophy_->SetCheckMode(true, false);
    trophy_->SetChecked(true);
    ui::setAccessibleRole(trophy_, QAccessible::Graphic);

    barStrip_ = {QPixmap::fromImage(pieces.barNormal), QPixmap::fromImage(pieces.barOver),
                 QPixmap::fromImage(pieces.barDown)};
    levelBar_ = new ui::CGDIBitmapBtn(this, PageRect(page, "levelBar", chinese));
    levelBar_->SetCheckMode(true, false);
    levelBar_->SetChecked(true);
    ui::setAccessibleRole(levelBar_, QAccessible::Graphic);

    for (int i = 0; i < kCellCount; ++i) {
        const QRect rect = PageRect(page, CellName(i), chinese);
        auto* cell = new ui::CGDIBitmapBtn(this, rect);
        const QPixmap unlit = ui::piece(ground, rect);
        const QPixmap lit = QPixmap::fromImage(pieces.cellsLit[static_cast<size_t>(i)]);
        cell->ReplaceImages(unlit, lit, lit, unlit);
        cell->SetCheckMode(true, false);
        ui::setAccessibleRole(cell, QAccessible::Indicator);
        cells_[static_cast<size_t>(i)] = cell;
    }

    const QRect resetRect = PageRect(page, "reset", chinese);
    reset_ = new ui::CGDIBitmapBtn(this, resetRect);
    const QPixmap resetNormal = ui::piece(ground, resetRect);
    reset_->ReplaceImages(resetNormal, QPixmap::fromImage(pieces.resetOver),
                          QPixmap::fromImage(pieces.resetDown), resetNormal);
    ui::setAccessibleRole(reset_, QAccessible::Button);
    connect(reset_, &QAbstractButton::clicked, this, &CDlgSts::resetStatistics);

    for (int f = 0; f < kFigureCount; ++f) {
        auto* label = new QLabel(this);
        label->setGeometry(PageRect(page, kFigureNames[static_cast<size_t>(f)], chinese));
        label->setFont(ui::dialogFont(kFigurePixels, kFigureWeight));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        QPalette colours = label->palette();
        colours.setColor(QPalette::WindowText, kFigureColour);
        label->setPalette(colours);
        // The page below takes the pointer: the figures only show.
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        figures_[static_cast<size_t>(f)] = label;
    }
    for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!control->testAttribute(Qt::WA_WState_ExplicitShowHide)) control->show();
    }
    showFigures(true);
    showTrophy();
    applyTooltips();
}

// ---- What the page shows --------------------------------------------------------------------

void CDlgSts::showFigures(bool distance) {
    const bool chinese = chineseInterface();
    for (int f = 0; f < kFigureCount; ++f) {
        const auto which = static_cast<Figure>(f);
        if (which == Figure::Distance && !distance) continue;
        QLabel* label = figures_[static_cast<size_t>(f)];
        const QString text = QString::fromStdString(model_.figureText(which));
        if (label->text() == text) continue;
        label->setText(text);
        label->setAccessibleName(ui::fromUtf8(FigureName(which, chinese)) + QStringLiteral(": ") +
                                 text);
    }
}

void CDlgSts::showTrophy() {
    const TrophyView view = model_.refresh();
    const bool chinese = chineseInterface();
    if (view.loadTrophy) {
        // The whole picture of the level; a missing one leaves the display empty.
        const QPixmap picture =
            ui::loadSkin(QStringLiteral("trophy/trophy%1Down.bmp").arg(view.level));
        trophy_->ReplaceImages(picture, picture, picture, picture);
        for (int i = 0; i < kCellCount; ++i) {
            ui::CGDIBitmapBtn* lamp = cells_[static_cast<size_t>(i)];
            const bool lit = view.lit[static_cast<size_t>(i)];
            if (lamp->IsChecked() == lit) continue;
            lamp->SetChecked(lit);
            lamp->setAccessibleName(CellAccessibleName(i, lit, chinese));
            ui::tellNameChanged(lamp);
        }
        update();
    }
    const QRect bar = ui::edges(kBarLeft, kBarTop, kBarLeft + view.barWidth, kBarBottom);
    if (levelBar_->geometry() != bar) {
        levelBar_->setGeometry(bar);
        const QRect cut(0, 0, view.barWidth, bar.height());
        levelBar_->ReplaceImages(barStrip_[0].copy(cut), barStrip_[1].copy(cut),
                                 barStrip_[2].copy(cut), barStrip_[0].copy(cut));
        levelBar_->setAccessibleName(BarAccessibleName(view.level, chinese));
        ui::tellNameChanged(levelBar_);
    }
    levelBar_->SetChecked(true);
}

void CDlgSts::applyTooltips() {
    if (!built_) return;
    const bool chinese = chineseInterface();
    const QString cups = ui::fromUtf8(strings().get("str_cups"));
    trophy_->SetTooltip(cups, true);
    trophy_->setAccessibleName(cups);
    const QString reset = ui::fromUtf8(strings().get("str_resetSts"));
    reset_->SetTooltip(reset, true);
    reset_->setAccessibleName(reset);
    for (int i = 0; i < kCellCount; ++i) {
        ui::CGDIBitmapBtn* lamp = cells_[static_cast<size_t>(i)];
        lamp->setAccessibleName(CellAccessibleName(i, lamp->IsChecked(), chinese));
    }
    levelBar_->setAccessibleName(BarAccessibleName(model_.trophyLevel(), chinese));
    for (int f = 0; f < kFigureCount; ++f) {
        QLabel* label = figures_[static_cast<size_t>(f)];
        label->setAccessibleName(ui::fromUtf8(FigureName(static_cast<Figure>(f), chinese)) +
                                 QStringLiteral(": ") + label->text());
    }
}

int CDlgSts::hintAt(QPoint point) const {
    for (const std::string_view name : {"trophy", "reset"}) {
        const layout::Control* control = layout::findControl(pageLayout(), name);
        const QRect area = ui::edges(control->rectFor(chineseLayout()))
                               .adjusted(-kHintMargin, -kHintMargin, kHintMargin, kHintMargin);
        if (area.contains(point)) return control->hint;
    }
    return 0;
}

void CDlgSts::keyPressEvent(QKeyEvent* event) {
    // Enter, Escape and Space neither close nor trigger anything on the page.
    if (ui::IsSwallowedKey(event)) {
        event->accept();
        return;
    }
    PageWindow::keyPressEvent(event);
}

void CDlgSts::keyReleaseEvent(QKeyEvent* event) {
    if (ui::IsSwallowedKey(event)) {
        event->accept();
        return;
    }
    PageWindow::keyReleaseEvent(event);
}

bool CDlgSts::chineseInterface() const {
    if (services_ && services_->chineseInterface) return services_->chineseInterface();
    return chineseLayout();
}

bool CDlgSts::picturesRead() const {
    return !pieces_.valid() ||
           pieces_.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

ui::CGDIBitmapBtn* CDlgSts::cell(int index) const {
    return index >= 0 && index < kCellCount ? cells_[static_cast<size_t>(index)] : nullptr;
}

QLabel* CDlgSts::figure(Figure which) const {
    return figures_[static_cast<size_t>(which)];
}

}  // namespace x5k::pages
