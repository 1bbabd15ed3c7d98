#include "ui/CColorBtn.h"

#include <QPainter>

#include "ui/Accessibility.h"

namespace x5k::ui {

CColorBtn::CColorBtn(QWidget* parent, const QRect& rect) : HoverButton(parent, rect) {}

QColor CColorBtn::fromColorref(uint32_t colorref) {
    return QColor(static_cast<int>(colorref & 0xFF), static_cast<int>((colorref >> 8) & 0xFF),
                  static_cast<int>((colorref >> 16) & 0xFF));
}

void CColorBtn::SetColour(uint32_t colorref) {
    colour_ = colorref;
    update();
}

void CColorBtn::SetSelected(bool selected) {
    if (selected_ == selected) return;
    selected_ = selected;
    update();
    tellCheckedChanged(this);
}

void CColorBtn::SetBorder(bool border) {
    if (border_ == border) return;
    border_ = border;
    update();
}

void CColorBtn::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), fromColorref(colour_));
    const auto frame = controls::swatchFrame(selected_, isDown(), IsHovering(), border_);
    if (!frame) return;
    const QColor frameColour = QColor::fromRgba(*frame);
    const QRect r = rect();
    // Four one-pixel strips rather than an outlined rectangle, so no pen geometry or
    // antialiasing can move the frame off the outermost pixels.
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), frameColour);
    painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), frameColour);
    painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), frameColour);
    painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), frameColour);
}

}  // namespace x5k::ui
