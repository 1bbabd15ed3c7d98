#pragma once
// A button of any outline, such as the main window's slanted page tabs. It sits on the
// bounding box of its outline, takes the outline as its shape (the pointer over the cut
// away corners belongs to whatever lies below) and shows the part under its bounding box
// of four page-sized pictures. Its command goes out on the press, not on the release, so
// a tab switches as soon as it is pressed.

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>
#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <QRegion>
#include <QString>

#include "controls/ButtonLook.h"
#include "ui/ButtonSupport.h"

namespace x5k::ui {

class CIrrButton : public QAbstractButton {
    Q_OBJECT

public:
    // outline: in the parent's client coordinates (the main window gives quadrilaterals).
    CIrrButton(QWidget* parent, const QString& caption, const QPolygon& outline);

    // Numbered resources (res/<id>.png of the program folder); earlier pictures are dropped,
    // a missing resource reads as an empty picture.
    void SetImages(int normalId, int pressedId, int hoverId, int disabledId);
    // Whole-page pictures given directly.
    void SetImages(const QPixmap& normal, const QPixmap& pressed, const QPixmap& hover,
                   const QPixmap& disabled);
    // Replaces the hover picture alone.
    void SetHoverImage(const QPixmap& hover);
    // Pictures of the bounding box's size, already cut from their pages: a button that
    // keeps only its own pieces rather than a share of several whole pages.
    void SetImagePieces(const QPixmap& normal, const QPixmap& pressed, const QPixmap& hover,
                        const QPixmap& disabled);

    void SetCheckMode(bool on);
    bool checkMode() const { return checkMode_; }
    // Always ends any hover, so a tab that was just selected shows its checked look at once.
    void SetChecked(bool checked);
    bool IsChecked() const { return checked_; }
    bool IsHovering() const { return hovering_; }

    // Inside the bounding box and inside the outline; the point in parent coordinates.
    bool HitTest(const QPoint& parentPoint) const;

    // The bounding box in the parent's coordinates, right and bottom exclusive.
    QRect BoundingBox() const { return box_; }
    // Where the caption's top-left corner goes, in the button's own coordinates.
    QPoint CaptionOrigin() const;

signals:
    // The command, on the press (a double-click counts as a press); also posted as
    // msg::kCommand with wParam 0 and lParam this button to a parent MessageWindow.
    void commandPressed();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void followPointer(const QPoint& pos);
    void setHovering(bool hovering);

    QRegion shape_;  // the outline moved to the button's origin
    QRect box_;
    buttons::Pictures pictures_;
    buttons::CaptionColours colours_;
    bool checkMode_ = false;
    bool checked_ = false;
    bool hovering_ = false;
    bool pieces_ = false;  // the pictures are the box's pieces, not whole pages
};

}  // namespace x5k::ui
