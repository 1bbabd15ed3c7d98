// Paints every picture of the program folder:
//   x5k-paint FOLDER          writes all pictures below FOLDER
//   x5k-paint --list          prints their paths
//   x5k-paint --sheet FILE    writes one contact sheet of every picture at twice its size
// ".bmp" files are written as 24-bit bitmaps, the rest as PNG with alpha.

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "Pictures.h"

using x5k::painter::PictureList;

namespace {

// Every picture at twice its size on a mid-grey sheet, in rows, so a reviewer sees at
// once whether they look like one product.
int writeSheet(const PictureList& pictures, const QString& file) {
    constexpr int kScale = 2, kGap = 12, kWidth = 1400;
    std::vector<QImage> images;
    for (const auto& picture : pictures) images.push_back(picture.paint());
    int x = kGap, y = kGap, rowHeight = 0;
    std::vector<QPoint> places;
    for (const auto& image : images) {
        const QSize size = image.size() * kScale;
        if (x + size.width() + kGap > kWidth && x > kGap) {
            x = kGap;
            y += rowHeight + kGap;
            rowHeight = 0;
        }
        places.emplace_back(x, y);
        x += size.width() + kGap;
        rowHeight = std::max(rowHeight, size.height());
    }
    QImage sheet(kWidth, y + rowHeight + kGap, QImage::Format_RGB32);
    sheet.fill(QColor(128, 128, 128));
    QPainter painter(&sheet);
    for (size_t i = 0; i < images.size(); ++i)
        painter.drawImage(QRect(places[i], images[i].size() * kScale), images[i]);
    painter.end();
    return sheet.save(file) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    PictureList pictures;
    for (const auto producer : x5k::painter::producers()) producer(pictures);

    const QStringList args = QGuiApplication::arguments();
    if (args.size() == 3 && args[1] == QStringLiteral("--sheet"))
        return writeSheet(pictures, args[2]);
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: x5k-paint FOLDER | --list | --sheet FILE\n");
        return 2;
    }
    std::set<std::string> seen;
    for (const auto& picture : pictures) {
        if (!seen.insert(picture.path).second) {
            std::fprintf(stderr, "painted twice: %s\n", picture.path.c_str());
            return 1;
        }
    }
    if (args[1] == QStringLiteral("--list")) {
        for (const auto& picture : pictures) std::printf("%s\n", picture.path.c_str());
        return 0;
    }

    const QDir folder(args[1]);
    for (const auto& picture : pictures) {
        const QString path = folder.filePath(QString::fromStdString(picture.path));
        QImage image = picture.paint();
        if (image.isNull()) {
            std::fprintf(stderr, "painted nothing: %s\n", picture.path.c_str());
            return 1;
        }
        const bool bitmap = path.endsWith(QStringLiteral(".bmp"), Qt::CaseInsensitive);
        if (bitmap) image = image.convertToFormat(QImage::Format_RGB888);
        if (!QDir().mkpath(QFileInfo(path).path()) || !image.save(path, bitmap ? "BMP" : "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    std::printf("%zu pictures painted\n", pictures.size());
    return 0;
}
