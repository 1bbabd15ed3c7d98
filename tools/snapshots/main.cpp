// Renders every demo window offscreen to DIR/<demo>_<en|cn|de|ru|uk>.png, in the languages
// the demo names (English and Chinese unless it says otherwise):
//   x5k-snapshots DIR [--program-folder FOLDER] [NAME...]
// With names, only the demos whose names start with one of them are rendered.

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QString>
#include <QStringList>

#include <cstdio>

#include "Demos.h"
#include "ui/Skin.h"

using x5k::snapshots::Language;

namespace {

bool wanted(const std::string& name, const QStringList& only) {
    if (only.isEmpty()) return true;
    for (const QString& prefix : only) {
        if (QString::fromStdString(name).startsWith(prefix)) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = QApplication::arguments();
    args.removeFirst();
    QString programFolder = QStringLiteral(X5K_PROGRAM_DIR);
    const auto folderAt = args.indexOf(QStringLiteral("--program-folder"));
    if (folderAt >= 0 && folderAt + 1 < args.size()) {
        programFolder = args[folderAt + 1];
        args.remove(folderAt, 2);
    }
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: x5k-snapshots DIR [--program-folder FOLDER] [NAME...]\n");
        return 2;
    }
    const QDir out(args.takeFirst());
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(out.path()));
        return 1;
    }
    x5k::ui::setProgramFolder(programFolder);

    int written = 0;
    for (const auto& demo : x5k::snapshots::demos()) {
        if (!wanted(demo.name, args)) continue;
        for (const Language language : demo.languages) {
            auto window = demo.make(language);
            if (!window) continue;
            window->show();
            QApplication::processEvents();
            const QString file = out.filePath(QString::fromStdString(demo.name) +
                                              x5k::snapshots::LanguageSuffix(language) + ".png");
            if (!window->grab().save(file)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
                return 1;
            }
            ++written;
        }
    }
    std::printf("%d pictures in %s\n", written, qPrintable(out.path()));
    return written > 0 ? 0 : 1;
}
