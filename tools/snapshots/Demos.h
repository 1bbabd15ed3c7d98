#pragma once
// The snapshot tool's demos: each builds one window in a chosen state, which the tool
// renders offscreen to a PNG. A demo file registers its demos with X5K_SNAPSHOT_DEMO.

#include <QImage>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace x5k::snapshots {

enum class Language { English, Chinese };

struct Demo {
    std::string name;  // the file name without language and extension
    std::function<std::unique_ptr<QWidget>(Language)> make;
};

inline std::vector<Demo>& demos() {
    static std::vector<Demo> all;
    return all;
}

// The notification icon's menu, "Config" and "Exit", with entry `selected` (0 or 1)
// selected.
QImage TrayMenuPicture(int selected);

struct DemoRegistration {
    DemoRegistration(std::string name, std::function<std::unique_ptr<QWidget>(Language)> make) {
        demos().push_back({std::move(name), std::move(make)});
    }
};

#define X5K_SNAPSHOT_DEMO_CAT2(a, b) a##b
#define X5K_SNAPSHOT_DEMO_CAT(a, b) X5K_SNAPSHOT_DEMO_CAT2(a, b)
// Registers a demo: X5K_SNAPSHOT_DEMO("buttons", [](Language l) { ... return widget; });
#define X5K_SNAPSHOT_DEMO(name, ...)                                       \
    static const ::x5k::snapshots::DemoRegistration X5K_SNAPSHOT_DEMO_CAT( \
        x5kSnapshotDemo, __LINE__)(name, __VA_ARGS__)

}  // namespace x5k::snapshots
