#include "ui/CPngHProgressBar.h"

#include <QPainter>

#include <algorithm>

#include "ui/Accessibility.h"
#include "ui/Skin.h"

namespace x5k::ui {
namespace {

QPixmap copyOf(const QImage& image, const QRect& rect) {
    const QImage area = piece(image, rect);
    return area.isNull() ? QPixmap() : QPixmap::fromImage(area);
}

}  // namespace

CPngHProgressBar::CPngHProgressBar(QWidget* parent, const QRect& rect, int controlId)
    : QWidget(parent), controlId_(controlId) {
    setGeometry(rect);
    if (parent != nullptr) show();
}

void CPngHProgressBar::SetImages(const QRect& rect, const QImage& background, const QImage& fill) {
    background_ = copyOf(background, rect);
    fill_ = copyOf(fill, rect);
    update();
}

void CPngHProgressBar::SetRange(int minimum, int maximum) {
    range_ = {minimum, maximum};
    position_ = range_.orMinimum(position_);
    update();
}

void CPngHProgressBar::SetPos(int value) {
    position_ = range_.orMinimum(value);
    tellValueChanged(this, position_);
    // The dialog shows each step of a running apply, which may not give the event loop a
    // chance to paint before the next one.
    repaint();
}

int CPngHProgressBar::fillWidth() const {
    return controls::ProgressFillWidth(width(), position_, range_);
}

void CPngHProgressBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!background_.isNull()) painter.drawPixmap(rect(), background_);
    const int columns = std::min(fillWidth(), fill_.width());
    if (columns > 0) {
        painter.drawPixmap(QPoint(0, 0), fill_, QRect(0, 0, columns, fill_.height()));
    }
}

}  // namespace x5k::ui
