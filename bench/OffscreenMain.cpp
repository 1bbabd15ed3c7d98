#include "OffscreenMain.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QString>

#include "ui/Skin.h"

namespace x5k::bench {

bool gFailed = false;

}  // namespace x5k::bench

namespace {

// The offscreen platform says on every start that it cannot raise a window; the rest of
// Qt's messages go on to the default handler.
QtMessageHandler gDefaultHandler = nullptr;

void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg &&
        message.startsWith(QStringLiteral("This plugin does not support"))) {
        return;
    }
    gDefaultHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
    // The windows need a GUI application; the offscreen platform keeps them off any display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    gDefaultHandler = qInstallMessageHandler(QuietHandler);
    QApplication application(argc, argv);
    x5k::ui::setProgramFolder(QStringLiteral(X5K_PROGRAM_DIR));

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return x5k::bench::gFailed ? 1 : 0;
}
