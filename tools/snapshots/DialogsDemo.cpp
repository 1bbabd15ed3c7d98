// The message box in its three uses (OK only, OK and Cancel, the self-closing notice) and
// the progress window at the start, halfway and at the end of an apply.

#include <QPalette>
#include <QWidget>

#include <memory>

#include "Demos.h"
#include "platform/WindowMessages.h"
#include "ui/CDlgInfo.h"
#include "ui/CDlgProgress.h"

using x5k::snapshots::Language;
using x5k::ui::CDlgInfo;
using x5k::ui::CDlgProgress;

namespace {

// A dark anthracite stage with the window on it, shown as a child so the snapshot holds
// the window's own pixels and a margin around them.
std::unique_ptr<QWidget> stage(QWidget* window) {
    auto frame = std::make_unique<QWidget>();
    QPalette palette = frame->palette();
    palette.setColor(QPalette::Window, QColor(0x2B, 0x2E, 0x33));
    frame->setPalette(palette);
    frame->setAutoFillBackground(true);
    frame->resize(window->width() + 40, window->height() + 40);
    window->setParent(frame.get(), Qt::Widget);
    window->move(20, 20);
    window->show();
    return frame;
}

std::unique_ptr<QWidget> infoBox(Language language, bool withCancel, bool timed) {
    const bool chinese = language == Language::Chinese;
    auto* box = new CDlgInfo;
    box->SetChinese(chinese);
    box->SetWithCancel(withCancel);
    box->SetTimed(timed);
    if (withCancel) {
        box->SetMessageText(chinese ? QStringLiteral("确定要恢复默认设置吗？")
                                    : QStringLiteral("Restore the default settings?"));
    } else {
        box->SetMessageText(chinese ? QStringLiteral("已找到鼠标。")
                                    : QStringLiteral("The mouse was found."));
    }
    box->Open();
    // The snapshot shows the opening caption; the countdown does not run on the stage.
    box->CountdownTimer()->stop();
    return stage(box);
}

std::unique_ptr<QWidget> progress(Language language, int percent) {
    auto* dialog = new CDlgProgress;
    dialog->SetChinese(language == Language::Chinese);
    dialog->Open();
    dialog->send(x5k::msg::kProgress, static_cast<uintptr_t>(percent), 0);
    // At 100 % the window would close half a second later; the snapshot keeps it.
    dialog->CloseTimer()->stop();
    return stage(dialog);
}

}  // namespace

X5K_SNAPSHOT_DEMO("dialog_ok", [](Language l) { return infoBox(l, false, false); });
X5K_SNAPSHOT_DEMO("dialog_okcancel", [](Language l) { return infoBox(l, true, false); });
X5K_SNAPSHOT_DEMO("dialog_countdown", [](Language l) { return infoBox(l, false, true); });
X5K_SNAPSHOT_DEMO("progress_0", [](Language l) { return progress(l, 0); });
X5K_SNAPSHOT_DEMO("progress_50", [](Language l) { return progress(l, 50); });
X5K_SNAPSHOT_DEMO("progress_100", [](Language l) { return progress(l, 100); });
