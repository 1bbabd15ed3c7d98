#pragma once
// A text box drawn straight onto the page: no frame, and its background is the piece of
// the page picture it covers, so only the text seems to sit on the page.

#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QRect>

namespace x5k::ui {

class CBitmapEdit : public QLineEdit {
    Q_OBJECT

public:
    static constexpr int kMaxCharacters = 256;

    CBitmapEdit(QWidget* parent, const QRect& rect, int fontPixelHeight = 12);

    // The background becomes the area (x, y, width, height) of the picture, repeated from
    // the edit's top-left corner. An empty picture or area keeps the earlier background.
    void SetBackground(int x, int y, int width, int height, const QImage& picture);
    const QPixmap& Background() const { return background_; }

    static QColor textColour() { return QColor(88, 95, 103); }

private:
    QPixmap background_;
};

}  // namespace x5k::ui
