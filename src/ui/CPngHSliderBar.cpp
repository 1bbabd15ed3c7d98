#include "ui/CPngHSliderBar.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>

#include "platform/WindowMessages.h"
#include "ui/Accessibility.h"
#include "ui/MessageWindow.h"
#include "ui/Skin.h"

namespace x5k::ui {
namespace {

// The thumb picture with every pixel of its corner colour made transparent, and the
// region of the remaining pixels, which is the thumb's shape for the pointer too.
struct KeyedPicture {
    QPixmap picture;
    QRegion shape;
};

KeyedPicture keyed(const QImage& source) {
    if (source.isNull()) return {};
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = image.pixel(0, 0);
    QRegion shape;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        int runStart = -1;  // the first column of the current run of kept pixels
        for (int x = 0; x <= image.width(); ++x) {
            const bool keep = x < image.width() && line[x] != key;
            if (x < image.width() && !keep) line[x] = qRgba(0, 0, 0, 0);
            if (keep && runStart < 0) runStart = x;
            if (!keep && runStart >= 0) {
                shape += QRect(runStart, y, x - runStart, 1);
                runStart = -1;
            }
        }
    }
    return {QPixmap::fromImage(image), shape};
}

}  // namespace

// ---- track ----

CPngHSliderBar::CPngHSliderBar(QWidget* parent) : QWidget(parent) {}

bool CPngHSliderBar::Init(const QString& thumbPath, int left, int top, int right, int bottom,
                          QWidget* parent, int controlId) {
    if (parent != parentWidget()) setParent(parent);
    controlId_ = controlId;
    setGeometry(edges(left, top, right, bottom));
    // A second Init replaces the thumb rather than stacking another one on the track.
    delete thumb_;
    thumb_ = new CPngHSlider(thumbPath, this);
    thumb_->SetTravel(0, width());
    thumb_->SetTopAligned(false);
    thumb_->SetRange(range_.minimum, range_.maximum);
    thumb_->SetDragEnabled(true);
    thumb_->SetPos(0);
    thumb_->show();
    if (parent != nullptr) show();
    return thumb_->hasPicture();
}

void CPngHSliderBar::SetBackground(int x, int y, int width, int height, const QImage& image) {
    const QImage area = piece(image, QRect(x, y, width, height));
    background_ = area.isNull() ? QPixmap() : QPixmap::fromImage(area);
    update();
}

void CPngHSliderBar::SetRange(int minimum, int maximum) {
    range_ = {minimum, maximum};
    if (thumb_ != nullptr) thumb_->SetRange(minimum, maximum);
}

void CPngHSliderBar::SetPos(int value) {
    if (thumb_ != nullptr) thumb_->SetPos(value);
    update();
    tellValueChanged(this, GetPos());
}

void CPngHSliderBar::setPosFromUser(int value) {
    if (disabled_) return;
    const int clamped = range_.clamp(value);
    SetPos(clamped);
    notify(clamped);
}

int CPngHSliderBar::GetPos() const {
    return thumb_ != nullptr ? thumb_->GetPos() : range_.minimum;
}

void CPngHSliderBar::notify(int value) {
    emit positionChanged(value);
    if (auto* target = qobject_cast<MessageWindow*>(parentWidget())) {
        target->post(msg::kSliderPosition, static_cast<uintptr_t>(value), controlId_);
    }
}

void CPngHSliderBar::paintEvent(QPaintEvent*) {
    if (background_.isNull()) return;
    QPainter painter(this);
    painter.drawPixmap(rect(), background_);
}

void CPngHSliderBar::mousePressEvent(QMouseEvent* event) {
    if (disabled_ || event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // The value comes from where on the track the click landed; the thumb jumps there.
    const int value =
        controls::TrackClickValue(event->position().toPoint().x(), 0, width(), range_);
    if (thumb_ != nullptr) thumb_->SetPos(value);
    notify(value);
}

void CPngHSliderBar::changeEvent(QEvent* event) {
    // Qt passes the enabled state on to the thumb as well, which keeps its own flag.
    if (event->type() == QEvent::EnabledChange) disabled_ = !isEnabled();
    QWidget::changeEvent(event);
}

void CPngHSliderBar::resizeEvent(QResizeEvent* event) {
    // The travel follows the track, so a moved or resized track keeps its thumb in it.
    if (thumb_ != nullptr) thumb_->SetTravel(0, width());
    QWidget::resizeEvent(event);
}

// ---- thumb ----

CPngHSlider::CPngHSlider(const QString& picturePath, CPngHSliderBar* track)
    : QWidget(track), track_(track) {
    KeyedPicture thumb = keyed(loadImage(picturePath));
    picture_ = thumb.picture;
    resize(picture_.size());
    if (!picture_.isNull()) setMask(thumb.shape);
    disabled_ = !isEnabled();
}

controls::ThumbTravel CPngHSlider::travel() const {
    return {travelLeft_, travelRight_, width()};
}

void CPngHSlider::SetTravel(int left, int right) {
    travelLeft_ = left;
    travelRight_ = right;
    place();
}

void CPngHSlider::SetTopAligned(bool top) {
    topAligned_ = top;
    place();
}

void CPngHSlider::SetRange(int minimum, int maximum) {
    range_ = {minimum, maximum};
    limits_ = range_;
    // A value the new range no longer holds would leave the thumb where no value is.
    value_ = range_.orMinimum(value_);
    place();
}

void CPngHSlider::SetLimits(int lower, int upper) {
    limits_ = {lower, upper};
}

void CPngHSlider::SetDragEnabled(bool enabled) {
    dragEnabled_ = enabled;
    if (!enabled) dragging_ = false;
}

void CPngHSlider::SetPos(int value) {
    value_ = range_.orMinimum(value);
    place();
}

void CPngHSlider::place() {
    const int left = controls::ThumbLeft(value_, travel(), range_);
    const int trackHeight = track_ != nullptr ? track_->height() : 0;
    move(left, topAligned_ ? 0 : trackHeight - height());
}

void CPngHSlider::paintEvent(QPaintEvent*) {
    if (picture_.isNull()) return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture_);
}

void CPngHSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // The thumb takes its presses even when it may not be dragged, so a press on it never
    // reaches the track as a click there.
    event->accept();
    if (disabled_ || !dragEnabled_) return;
    // No explicit grab: Qt keeps delivering the moves and the release of a press to the
    // widget that took it, which is all the drag needs.
    dragging_ = true;
    pressX_ = event->position().toPoint().x();
}

void CPngHSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    if (!(event->buttons() & Qt::LeftButton)) {
        // The button came up where the thumb did not hear it: the drag is over.
        dragging_ = false;
        return;
    }
    const controls::DragInput input{x(), value_, pressX_, event->position().toPoint().x()};
    const auto step = controls::ThumbDrag(input, travel(), range_, limits_, limitStop_);
    if (!step) return;
    value_ = step->value;
    place();
    if (track_ != nullptr) track_->notify(value_);
}

void CPngHSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dragging_ = false;
    QWidget::mouseReleaseEvent(event);
}

void CPngHSlider::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        disabled_ = !isEnabled();
        if (disabled_) dragging_ = false;
    }
    QWidget::changeEvent(event);
}

}  // namespace x5k::ui
