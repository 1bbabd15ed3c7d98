#pragma once
// The progress bar of the progress dialog: a background piece with the left part covered
// by the same area of a fill picture, as far as the position reaches. It only shows a
// value; the mouse does nothing to it.

#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QWidget>

#include "controls/SliderScale.h"

namespace x5k::ui {

class CPngHProgressBar : public QWidget {
    Q_OBJECT

public:
    // Creates the bar at the rectangle of the parent's client area, shown when it has a
    // parent.
    CPngHProgressBar(QWidget* parent, const QRect& rect, int controlId);

    // The bar shows copies of that area of each picture: the background stretched over
    // the whole bar, the fill unscaled from the left.
    void SetImages(const QRect& rect, const QImage& background, const QImage& fill);
    void SetRange(int minimum, int maximum);
    // A value outside [minimum, maximum] shows the minimum; the bar repaints at once.
    void SetPos(int value);
    int GetPos() const { return position_; }
    int minimum() const { return range_.minimum; }
    int maximum() const { return range_.maximum; }
    int controlId() const { return controlId_; }
    // How many columns of the fill show now.
    int fillWidth() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int controlId_;
    QPixmap background_;
    QPixmap fill_;
    controls::SliderRange range_{0, 10};
    int position_ = 0;
};

}  // namespace x5k::ui
