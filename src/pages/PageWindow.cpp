#include "pages/PageWindow.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include "localisation/Languages.h"
#include "platform/WindowMessages.h"
#include "ui/Accessibility.h"
#include "ui/Skin.h"

namespace x5k::pages {
namespace {

// The section titles: light grey on the anthracite panels, left-aligned and centred
// vertically in their area, cut with an ellipsis where a language runs longer.
const QColor kTitleColour(0xD2, 0xD2, 0xD2);
constexpr int kTitleHeight = 14;
constexpr int kNoHint = 99;
constexpr int kMaxTitleArea = 40;

}  // namespace

PageWindow::PageWindow(const PageContext& context, std::string_view layoutName)
    : MessageWindow(context.mainWindow),
      layout_(layout::findPage(layoutName)),
      strings_(context.strings),
      chinese_(context.chinese) {
    setFixedSize(layout_->width, layout_->height);
    setMouseTracking(true);
    // A press on a page's background stays with the page: only the main window's own
    // background drags the window.
    setAttribute(Qt::WA_NoMousePropagation);
    // Screen readers announce a page as a pane; the main window names it after its tab.
    ui::setAccessibleRole(this, QAccessible::Pane);
}

void PageWindow::showEvent(QShowEvent* event) {
    // The picture is read when the page is first shown: the program starts with one page
    // in sight, and reading the others would only hold up its window.
    if (background().isNull()) {
        const QString picture = ui::fromUtf8(layout_->normal);
        setBackground(ui::loadPicture(ui::programFolder() + QLatin1Char('/') + picture));
    }
    MessageWindow::showEvent(event);
}

int PageWindow::hintAt(QPoint point) const {
    for (const layout::Control& control : layout_->controls) {
        if (control.hint != 0 && control.rectFor(chinese_).contains({point.x(), point.y()})) {
            return control.hint;
        }
    }
    return 0;
}

void PageWindow::showHint(int hint) {
    const int shown = hint == 0 ? kNoHint : hint;
    if (shown == lastHint_) return;
    lastHint_ = shown;
    if (auto* main = qobject_cast<MessageWindow*>(parentWidget())) {
        main->post(msg::kPageHover, 0, shown);
    }
}

void PageWindow::paintEvent(QPaintEvent* event) {
    MessageWindow::paintEvent(event);
    QPainter painter(this);
    painter.setFont(ui::dialogFont(kTitleHeight, 400));
    painter.setPen(kTitleColour);
    const QFontMetrics metrics(painter.font());
    for (const layout::Control& control : layout_->controls) {
        if (control.look != layout::Look::HintArea || control.art != layout::Art::Background) {
            continue;
        }
        const Hint hint = HintOf(control.hint);
        if (hint.kind != Hint::Kind::String) continue;
        const QRect area = ui::edges(control.rectFor(chinese_));
        // Taller areas are the frames of lists, whose titles have areas of their own.
        if (area.height() > kMaxTitleArea) continue;
        const std::string_view title = SectionTitle(strings_.get(hint.key));
        const QString text = ui::fromUtf8(title);
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(text, Qt::ElideRight, area.width()));
    }
}

void PageWindow::mouseMoveEvent(QMouseEvent* event) {
    showHint(hintAt(event->position().toPoint()));
    MessageWindow::mouseMoveEvent(event);
}

void PageWindow::childMouseMoved(QWidget* child, QPoint position) {
    showHint(hintAt(position));
    MessageWindow::childMouseMoved(child, position);
}

void PageWindow::leaveEvent(QEvent* event) {
    lastHint_ = 0;
    MessageWindow::leaveEvent(event);
}

}  // namespace x5k::pages
