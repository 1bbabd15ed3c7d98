// The window tests' program: `x5k_ui_tests CLASS [QtTest options]` runs one test class,
// `x5k_ui_tests` alone runs them all. Always on Qt's offscreen platform, so the tests
// never touch a real display.

#include <QApplication>
#include <QTest>

#include <cstdio>
#include <cstring>
#include <vector>

#include "support/UiTest.h"
#include "ui/Accessibility.h"
#include "ui/Skin.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    x5k::ui::setProgramFolder(QStringLiteral(X5K_PROGRAM_DIR));
    x5k::ui::installAccessibility();

    const char* only = nullptr;
    std::vector<char*> args(argv, argv + argc);
    if (args.size() > 1 && args[1][0] != '-') {
        only = args[1];
        args.erase(args.begin() + 1);
    }
    int failures = 0;
    bool found = false;
    for (const auto& [name, factory] : x5k::uitest::testClasses()) {
        if (only != nullptr && name != only) continue;
        found = true;
        auto test = factory();
        failures += QTest::qExec(test.get(), static_cast<int>(args.size()), args.data());
    }
    if (!found) {
        std::fprintf(stderr, "no test class named %s\n", only);
        return 2;
    }
    return failures == 0 ? 0 : 1;
}
