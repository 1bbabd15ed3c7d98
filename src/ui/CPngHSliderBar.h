#pragma once
// The skinned horizontal slider of the settings pages: a track showing a piece of the
// page picture, and a thumb showing a PNG picture whose corner colour is transparent.
// A click on the track makes the thumb jump to the value under the pointer; dragging the
// thumb moves it along the track. Either way the parent window hears the new value as
// message 0x800 (wParam value, lParam control identifier).

#include <QImage>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include "controls/SliderScale.h"

namespace x5k::ui {

class CPngHSlider;

class CPngHSliderBar : public QWidget {
    Q_OBJECT

public:
    explicit CPngHSliderBar(QWidget* parent = nullptr);

    // Places the track at the rectangle (parent client coordinates, right and bottom
    // exclusive) under the parent and creates the thumb from the picture file (the colour
    // of its pixel (0, 0) is transparent): travel over the whole track width,
    // bottom-aligned, value 0, dragging enabled. Returns false when the thumb picture
    // cannot be read; the track then works without a visible thumb.
    bool Init(const QString& thumbPath, int left, int top, int right, int bottom, QWidget* parent,
              int controlId);
    // The track shows a copy of that area of the image, stretched over the whole track.
    void SetBackground(int x, int y, int width, int height, const QImage& image);
    // The range of the track and the thumb; the thumb's inner limits become the range.
    void SetRange(int minimum, int maximum);
    // Moves the thumb to the value (a value outside the range shows the minimum).
    void SetPos(int value);
    int GetPos() const;
    // A value set by other means than the pointer (a screen reader, a desktop test tool):
    // the thumb moves to it, clamped to the range, and the parent hears it as after a click.
    void setPosFromUser(int value);
    int controlId() const { return controlId_; }
    CPngHSlider* thumb() const { return thumb_; }

    int minimum() const { return range_.minimum; }
    int maximum() const { return range_.maximum; }

signals:
    // Also posted as msg::kSliderPosition to the parent when it is a MessageWindow.
    void positionChanged(int value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class CPngHSlider;
    // A new value from a click or a drag step: told to the parent.
    void notify(int value);

    int controlId_ = 0;
    controls::SliderRange range_{0, 10};
    bool disabled_ = false;
    QPixmap background_;
    CPngHSlider* thumb_ = nullptr;
};

// The thumb: a child of the track, as big as its picture.
class CPngHSlider : public QWidget {
    Q_OBJECT

public:
    // Reads the picture; a missing or unreadable file leaves an empty thumb.
    CPngHSlider(const QString& picturePath, CPngHSliderBar* track);

    bool hasPicture() const { return !picture_.isNull(); }
    // The picture with its key colour cleared, as drawn.
    const QPixmap& picture() const { return picture_; }

    // The thumb's left edge travels within [left, right - thumb width] of the track.
    void SetTravel(int left, int right);
    // Top-aligned in the track, or bottom-aligned (the default).
    void SetTopAligned(bool top);
    void SetRange(int minimum, int maximum);
    // Narrows where a drag may take the value; SetRange resets them to the range.
    void SetLimits(int lower, int upper);
    // With the stop set, pulling a thumb whose value sits on a limit further against
    // that limit is ignored.
    void SetLimitStop(bool stop) { limitStop_ = stop; }
    void SetDragEnabled(bool enabled);
    void SetPos(int value);
    int GetPos() const { return value_; }
    bool isDragging() const { return dragging_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    controls::ThumbTravel travel() const;
    // Puts the window where the value's position is.
    void place();

    CPngHSliderBar* track_;
    QPixmap picture_;
    int travelLeft_ = 0;
    int travelRight_ = 0;
    bool topAligned_ = false;
    controls::SliderRange range_{1, 10};
    controls::SliderRange limits_{1, 10};
    bool limitStop_ = false;
    int value_ = 0;
    bool dragEnabled_ = true;
    bool dragging_ = false;
    bool disabled_ = false;
    int pressX_ = 0;
};

}  // namespace x5k::ui
