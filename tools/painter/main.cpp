// Paints every picture of the program folder:
//   x5k-paint FOLDER          writes all pictures below FOLDER
//   x5k-paint --list          prints their paths
// ".bmp" files are written as 24-bit bitmaps, the rest as PNG with alpha.

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <set>
#include <string>

#include "Pictures.h"

using x5k::painter::PictureList;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    PictureList pictures;
    for (const auto producer : x5k::painter::producers()) producer(pictures);

    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: x5k-paint FOLDER | --list\n");
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
