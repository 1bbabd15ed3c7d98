#pragma once
// The hover look and the switchable tooltip the owner-drawn picture buttons and colour
// swatches share: a button hovers while the pointer is over it and one of the program's
// windows is active, and stops as soon as the pointer leaves, the button hides or is
// disabled, or its window stops being the active one.

#include <QAbstractButton>
#include <QRect>
#include <QString>

#include "controls/ButtonLook.h"

namespace x5k::ui {

class HoverButton : public QAbstractButton {
    Q_OBJECT

public:
    // A visible child at the rectangle (parent coordinates).
    HoverButton(QWidget* parent, const QRect& rect);

    // Keeps the text even while inactive, so activating again shows the same text.
    void SetTooltip(const QString& text, bool active);
    QString TooltipText() const { return tooltipText_; }
    bool TooltipActive() const { return tooltipActive_; }
    bool IsHovering() const { return hover_.hovering(); }

protected:
    bool event(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // The standard release (and click), then the hover look follows the pointer. The
    // button may be gone afterwards: a click handler may destroy it.
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

    void endHover();

private:
    void followPointer(const QMouseEvent* event);

    bool tooltipActive_ = false;
    QString tooltipText_;
    controls::HoverTracker hover_;
};

}  // namespace x5k::ui
