#include "ui/Skin.h"

#include <QDir>
#include <QFile>
#include <QStringList>

namespace x5k::ui {
namespace {

QString& folder() {
    static QString value;
    return value;
}

QFont sansFont(int pixelHeight, int weight) {
    QFont font;
    // DejaVu covers Latin, Greek and Cyrillic; WenQuanYi the Chinese and Korean texts.
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("sans-serif")});
    font.setPixelSize(pixelHeight);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setStyleStrategy(QFont::PreferAntialias);
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
    // Read whole first, so a file that vanishes or is a folder reads as empty too.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QImage image;
    image.loadFromData(file.readAll());
    return image;
}

QPixmap loadPicture(const QString& path) {
    const QImage image = loadImage(path);
    return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
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
