#include "ui/Skin.h"

#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QImageReader>
#include <QStringList>

#include <algorithm>
#include <utility>

namespace x5k::ui {
namespace {

QString& folder() {
    static QString value;
    return value;
}

QFont sansFont(int pixelHeight, int weight) {
    // Liberation Sans has Arial's metrics, the face the pages were laid out with; WenQuanYi
    // covers the Chinese and Korean texts, DejaVu anything else.
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("DejaVu Sans"), QStringLiteral("sans-serif")});
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setStyleStrategy(QFont::PreferAntialias);
    // The height the windows ask for is the height of a whole text line (ascent plus
    // descent), as the pages' rectangles were measured, not the size of the letters: take
    // the largest letter size whose line fits.
    int size = std::max(pixelHeight, 1);
    font.setPixelSize(size);
    while (size > 1 && QFontMetrics(font).height() > pixelHeight) {
        font.setPixelSize(--size);
    }
    return font;
}

}  // namespace

void setProgramFolder(const QString& value) {
    folder() = value;
}
QString programFolder() {
    return folder();
}

QString skinPath(const QString& relative) {
    return QDir(folder()).filePath(QStringLiteral("skins/") + relative);
}

QString resourcePath(int id) {
    return QDir(folder()).filePath(QStringLiteral("res/%1.png").arg(id));
}

QImage loadImage(const QString& path) {
    // Decoded straight from the file rather than from a copy of it in memory: the window
    // pictures are megabytes each, and the program's start waits for them. A folder or a
    // file that cannot be decoded reads as empty.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QImageReader reader(&file);
    return reader.read();
}

QPixmap loadPicture(const QString& path) {
    QImage image = loadImage(path);
    return image.isNull() ? QPixmap() : QPixmap::fromImage(std::move(image));
}

QPixmap loadSkin(const QString& relative) {
    return loadPicture(skinPath(relative));
}
QPixmap loadResource(int id) {
    return loadPicture(resourcePath(id));
}
QImage loadResourceImage(int id) {
    return loadImage(resourcePath(id));
}

QPixmap piece(const QPixmap& source, const QRect& rect) {
    if (source.isNull() || rect.isEmpty()) return {};
    return source.copy(rect);
}

QImage piece(const QImage& source, const QRect& rect) {
    if (source.isNull() || rect.isEmpty()) return {};
    return source.copy(rect);
}

QFont dialogFont(int pixelHeight, int weight) {
    return sansFont(pixelHeight, weight);
}
QFont menuFont(int pixelHeight, int weight) {
    return sansFont(pixelHeight, weight);
}

}  // namespace x5k::ui
