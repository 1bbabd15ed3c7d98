#pragma once
// What every skinned window shares: where the program's pictures are, how a picture file
// or a numbered bitmap resource is read, how a piece of a page picture is cut, and the
// program's fonts. A picture that is missing or cannot be decoded reads as an empty
// pixmap; nothing is reported.

#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QString>

#include <string_view>

#include "layout/Layout.h"

namespace x5k::ui {

// The program folder holding skins/ and res/. Set once at start-up (tests point it at the
// build's program folder); empty until then.
void setProgramFolder(const QString& folder);
QString programFolder();

// "skins/<relative>" below the program folder; relative uses '/' separators.
QString skinPath(const QString& relative);
// The numbered bitmap resources are the files res/<id>.png of the program folder.
QString resourcePath(int id);

// Reads a whole picture file; empty when missing or unreadable.
QPixmap loadPicture(const QString& path);
QImage loadImage(const QString& path);
QPixmap loadSkin(const QString& relative);
QPixmap loadResource(int id);
QImage loadResourceImage(int id);

// A rectangle given by its edges, right and bottom exclusive, as the layout tables give it.
constexpr QRect edges(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

constexpr QRect edges(const layout::Rect& rect) {
    return edges(rect.left, rect.top, rect.right, rect.bottom);
}

// The part of a page picture at the rectangle, as a picture of the rectangle's size; an
// empty source gives an empty piece.
QPixmap piece(const QPixmap& source, const QRect& rect);
QImage piece(const QImage& source, const QRect& rect);

// The dialog font of the pages ("MS Shell Dlg" where the pages were laid out): a sans-serif face
// with a CJK fallback, at a pixel height and weight (300 light, 400 normal, 500 medium).
QFont dialogFont(int pixelHeight, int weight);
// UTF-8 text of the core (interface strings, table entries) as a QString.
inline QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// "Arial" of the menus, the same faces.
QFont menuFont(int pixelHeight, int weight = 400);

}  // namespace x5k::ui
