#pragma once
// A scroll bar painted from the program's scroll-bar skin (bitmap resource 166): nine
// columns of s x s cells (s = bitmap width / 9) in three rows, normal, hover and pressed.
// It behaves like the system's scroll bar towards its owner: an arrow sends a line step,
// the track a page step, both repeating while held; the thumb sends its track position
// while dragged, then its final position and the end of the scroll. The bar never moves
// itself: the owner sets the new scroll information after each command.

#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QTimer>
#include <QWidget>

#include "controls/ListRows.h"

namespace x5k::ui {

class CSkinScrollBar : public QWidget {
    Q_OBJECT

public:
    // The cell size used while no skin is set, that of the program's own skin.
    static constexpr int kDefaultCellSize = 18;

    explicit CSkinScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr);

    Qt::Orientation orientation() const { return orientation_; }
    bool vertical() const { return orientation_ == Qt::Vertical; }

    // The skin bitmap; a null image draws plain flat parts of the default cell size.
    void SetSkin(const QImage& skin);
    int cellSize() const { return cellSize_; }

    void SetScrollInfo(const controls::ScrollInfo& info, bool redraw = true);
    controls::ScrollInfo GetScrollInfo() const { return info_; }
    // A position chosen by other means than the pointer (a screen reader, a desktop test
    // tool): the owner hears it as a thumb dropped there, then the end of the scroll.
    void scrollToFromUser(int position);

    // While the thumb is dragged, the position it stands for; the scroll position otherwise.
    int trackPosition() const { return dragging_ ? trackPos_ : info_.pos; }
    bool dragging() const { return dragging_; }
    controls::ScrollPart hotPart() const { return hot_; }
    controls::ScrollPart pressedPart() const { return pressed_; }

    // Where the parts lie now, along the bar.
    controls::ScrollLayout partLayout() const;
    // The widget rectangle of a part (the track parts are the track around the thumb).
    QRect partRect(controls::ScrollPart part) const;

    // The timer of a held arrow or track: 500 ms until the first repetition, 100 ms after.
    // repeatTick() is what its timeout does, so a test repeats without waiting.
    const QTimer& repeatTimer() const { return repeatTimer_; }
    void repeatTick();

    QSize sizeHint() const override;

signals:
    // A command for the owner: code is a controls::ScrollCode; position is the thumb's
    // position for ThumbTrack and ThumbPosition and 0 otherwise.
    void scrollCommand(int code, int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int along(QPoint point) const { return vertical() ? point.y() : point.x(); }
    int length() const { return vertical() ? height() : width(); }
    QRect spanRect(int start, int end) const;
    controls::ScrollPart partAt(QPoint point) const;
    bool active() const;
    void send(controls::ScrollCode code, int position = 0);
    void setHot(controls::ScrollPart part);
    void stopPress();
    void drawPart(QPainter& painter, controls::ScrollPart part, const QRect& target,
                  controls::CellState state) const;
    controls::CellState stateOf(controls::ScrollPart part) const;

    Qt::Orientation orientation_;
    QPixmap skin_;
    int cellSize_ = kDefaultCellSize;
    controls::ScrollInfo info_;
    controls::ScrollPart hot_ = controls::ScrollPart::None;
    controls::ScrollPart pressed_ = controls::ScrollPart::None;
    QPoint pointer_;
    bool dragging_ = false;
    int dragGrab_ = 0;  // where the thumb was taken, from its start
    int trackPos_ = 0;
    QTimer repeatTimer_;
};

}  // namespace x5k::ui
