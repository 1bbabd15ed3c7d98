#include "ui/CSkinScrollBar.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>

#include "ui/Accessibility.h"

namespace x5k::ui {

using controls::CellState;
using controls::ScrollCode;
using controls::ScrollPart;

namespace {

// How faint the arrows and the track are drawn while there is nothing to scroll.
constexpr qreal kDisabledOpacity = 0.4;

// The flat colours drawn while the skin is missing, so the bar stays usable.
QColor flatColour(ScrollPart part, CellState state) {
    const int lift = static_cast<int>(state) * 24;
    switch (part) {
        case ScrollPart::Thumb:
            return QColor(90 + lift, 94 + lift, 100 + lift);
        case ScrollPart::LineUpArrow:
        case ScrollPart::LineDownArrow:
            return QColor(60 + lift, 63 + lift, 68 + lift);
        default:
            return QColor(30 + lift, 32 + lift, 35 + lift);
    }
}

}  // namespace

CSkinScrollBar::CSkinScrollBar(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), orientation_(orientation) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    repeatTimer_.setSingleShot(false);
    connect(&repeatTimer_, &QTimer::timeout, this, &CSkinScrollBar::repeatTick);
}

void CSkinScrollBar::SetSkin(const QImage& skin) {
    skin_ = skin.isNull() ? QPixmap() : QPixmap::fromImage(skin);
    const int size = controls::SkinCellSize(skin.width());
    cellSize_ = size > 0 ? size : kDefaultCellSize;
    updateGeometry();
    update();
}

void CSkinScrollBar::SetScrollInfo(const controls::ScrollInfo& info, bool redraw) {
    controls::ScrollInfo next = info;
    next.pos = next.clamp(next.pos);
    if (next == info_) return;
    info_ = next;
    if (dragging_) trackPos_ = info_.clamp(trackPos_);
    // A bar that lost everything to scroll drops a press in progress, as it can no longer
    // be moved.
    if (!active()) stopPress();
    if (redraw) update();
    tellValueChanged(this, info_.pos);
}

void CSkinScrollBar::scrollToFromUser(int position) {
    if (!active()) return;
    send(ScrollCode::ThumbPosition, info_.clamp(position));
    send(ScrollCode::EndScroll);
}

controls::ScrollLayout CSkinScrollBar::partLayout() const {
    controls::ScrollLayout layout = controls::LayoutScrollBar(length(), cellSize_, info_);
    if (dragging_ && layout.hasThumb()) {
        // The dragged thumb shows the position it stands for, not the owner's position.
        const int size = layout.thumbEnd - layout.thumbStart;
        layout.thumbStart = controls::ThumbStartFor(layout, info_, trackPos_);
        layout.thumbEnd = layout.thumbStart + size;
    }
    return layout;
}

QRect CSkinScrollBar::spanRect(int start, int end) const {
    if (end <= start) return {};
    return vertical() ? QRect(0, start, width(), end - start)
                      : QRect(start, 0, end - start, height());
}

QRect CSkinScrollBar::partRect(ScrollPart part) const {
    const controls::ScrollLayout layout = partLayout();
    switch (part) {
        case ScrollPart::LineUpArrow:
            return spanRect(0, layout.arrowUpEnd);
        case ScrollPart::LineDownArrow:
            return spanRect(layout.arrowDownStart, layout.length);
        case ScrollPart::Thumb:
            return spanRect(layout.thumbStart, layout.thumbEnd);
        case ScrollPart::PageUpTrack:
            return layout.hasThumb() ? spanRect(layout.trackStart(), layout.thumbStart) : QRect();
        case ScrollPart::PageDownTrack:
            return layout.hasThumb() ? spanRect(layout.thumbEnd, layout.trackEnd()) : QRect();
        case ScrollPart::None:
            break;
    }
    return {};
}

ScrollPart CSkinScrollBar::partAt(QPoint point) const {
    if (!rect().contains(point)) return ScrollPart::None;
    return controls::HitScrollPart(partLayout(), along(point));
}

bool CSkinScrollBar::active() const {
    return isEnabled() && info_.scrollable();
}

QSize CSkinScrollBar::sizeHint() const {
    return vertical() ? QSize(cellSize_, cellSize_ * 4) : QSize(cellSize_ * 4, cellSize_);
}

void CSkinScrollBar::send(ScrollCode code, int position) {
    emit scrollCommand(static_cast<int>(code), position);
}

void CSkinScrollBar::setHot(ScrollPart part) {
    if (part == hot_) return;
    hot_ = part;
    update();
}

void CSkinScrollBar::stopPress() {
    repeatTimer_.stop();
    dragging_ = false;
    if (pressed_ != ScrollPart::None) {
        pressed_ = ScrollPart::None;
        update();
    }
}

void CSkinScrollBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !active() || pressed_ != ScrollPart::None) {
        event->ignore();
        return;
    }
    pointer_ = event->position().toPoint();
    const ScrollPart part = partAt(pointer_);
    if (part == ScrollPart::None) return;
    pressed_ = part;
    hot_ = part;
    if (part == ScrollPart::Thumb) {
        dragging_ = true;
        trackPos_ = info_.pos;
        dragGrab_ = along(pointer_) - partLayout().thumbStart;
    } else if (const auto code = controls::PartCommand(part)) {
        // The command goes out at once; the timer repeats it while the button is held.
        send(*code);
        repeatTimer_.start(controls::kScrollRepeat.firstDelayMs);
    }
    update();
}

void CSkinScrollBar::repeatTick() {
    if (pressed_ == ScrollPart::None || dragging_) {
        repeatTimer_.stop();
        return;
    }
    if (repeatTimer_.interval() != controls::kScrollRepeat.intervalMs) {
        repeatTimer_.start(controls::kScrollRepeat.intervalMs);
    }
    // Only while the pointer stays over the pressed part: a page step stops once the
    // thumb has reached the pointer, and resumes when the pointer comes back.
    if (!active() || partAt(pointer_) != pressed_) return;
    if (const auto code = controls::PartCommand(pressed_)) send(*code);
}

void CSkinScrollBar::mouseMoveEvent(QMouseEvent* event) {
    pointer_ = event->position().toPoint();
    if (dragging_) {
        const controls::ScrollLayout layout = partLayout();
        const int position = controls::ThumbPosition(layout, info_, along(pointer_) - dragGrab_);
        if (position != trackPos_) {
            trackPos_ = position;
            send(ScrollCode::ThumbTrack, trackPos_);
            update();
        }
        return;
    }
    // While an arrow or the track is held only that part lights up, as the system's bar.
    const ScrollPart part = partAt(pointer_);
    if (pressed_ == ScrollPart::None) {
        setHot(active() ? part : ScrollPart::None);
    } else {
        setHot(part == pressed_ ? part : ScrollPart::None);
    }
}

void CSkinScrollBar::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || pressed_ == ScrollPart::None) {
        event->ignore();
        return;
    }
    const bool wasDragging = dragging_;
    const int finalPosition = trackPos_;
    stopPress();
    pointer_ = event->position().toPoint();
    hot_ = active() ? partAt(pointer_) : ScrollPart::None;
    if (wasDragging) send(ScrollCode::ThumbPosition, finalPosition);
    send(ScrollCode::EndScroll);
    update();
}

void CSkinScrollBar::leaveEvent(QEvent* event) {
    if (pressed_ == ScrollPart::None) setHot(ScrollPart::None);
    QWidget::leaveEvent(event);
}

void CSkinScrollBar::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled()) {
            stopPress();
            hot_ = ScrollPart::None;
        }
        update();
    }
    QWidget::changeEvent(event);
}

CellState CSkinScrollBar::stateOf(ScrollPart part) const {
    if (!active()) return CellState::Normal;
    if (pressed_ == part) return CellState::Pressed;
    if (hot_ == part) return CellState::Hover;
    return CellState::Normal;
}

void CSkinScrollBar::drawPart(QPainter& painter, ScrollPart part, const QRect& target,
                              CellState state) const {
    if (target.isEmpty()) return;
    if (skin_.isNull()) {
        painter.fillRect(target, flatColour(part, state));
        if (part == ScrollPart::LineUpArrow || part == ScrollPart::LineDownArrow) {
            // A small triangle pointing away from the track.
            const QPointF c = QRectF(target).center();
            const qreal r = std::min(target.width(), target.height()) / 4.0;
            const qreal sign = part == ScrollPart::LineUpArrow ? -1 : 1;
            const QPointF tip =
                vertical() ? QPointF(c.x(), c.y() + sign * r) : QPointF(c.x() + sign * r, c.y());
            const QPointF a = vertical() ? QPointF(c.x() - r, c.y() - sign * r)
                                         : QPointF(c.x() - sign * r, c.y() - r);
            const QPointF b = vertical() ? QPointF(c.x() + r, c.y() - sign * r)
                                         : QPointF(c.x() - sign * r, c.y() + r);
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(170, 172, 178));
            painter.drawPolygon(QPolygonF({tip, a, b}));
        }
        return;
    }
    const controls::CellRect cell = controls::SkinCell(vertical(), part, state, cellSize_);
    // Arrows are drawn at their cell size; track and thumb cells stretch to their part.
    painter.drawPixmap(target, skin_, QRect(cell.x, cell.y, cell.width, cell.height));
}

void CSkinScrollBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const controls::ScrollLayout layout = partLayout();
    if (!active()) painter.setOpacity(kDisabledOpacity);

    // The whole track first, then the pressed or hot stretch of it on top.
    drawPart(painter, ScrollPart::PageUpTrack, spanRect(layout.trackStart(), layout.trackEnd()),
             CellState::Normal);
    for (const ScrollPart track : {ScrollPart::PageUpTrack, ScrollPart::PageDownTrack}) {
        const CellState state = stateOf(track);
        if (state != CellState::Normal) drawPart(painter, track, partRect(track), state);
    }
    drawPart(painter, ScrollPart::LineUpArrow, partRect(ScrollPart::LineUpArrow),
             stateOf(ScrollPart::LineUpArrow));
    drawPart(painter, ScrollPart::LineDownArrow, partRect(ScrollPart::LineDownArrow),
             stateOf(ScrollPart::LineDownArrow));
    if (active() && layout.hasThumb()) {
        drawPart(painter, ScrollPart::Thumb, partRect(ScrollPart::Thumb),
                 stateOf(ScrollPart::Thumb));
    }
}

}  // namespace x5k::ui
