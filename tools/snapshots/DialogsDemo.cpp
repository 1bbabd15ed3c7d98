// The message box in its three uses (OK only, OK and Cancel, the self-closing notice),
// the progress window at the start, halfway and at the end of an apply, the firmware
// download's progress window with its Cancel, and the update's message of a program built
// without an update server in the languages whose words run longest.

#include <QPalette>
#include <QWidget>

#include <filesystem>
#include <memory>
#include <string>

#include "Demos.h"
#include "localisation/Languages.h"
#include "localisation/Localisation.h"
#include "pages/support/UpdateCheck.h"
#include "platform/WindowMessages.h"
#include "platform/linux/PosixFileSystem.h"
#include "ui/CDlgInfo.h"
#include "ui/CDlgProgress.h"
#include "ui/CPngHProgressBar.h"
#include "ui/Skin.h"

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

// The firmware download at 40 %, with its Cancel.
std::unique_ptr<QWidget> download(Language language) {
    auto* dialog = new CDlgProgress;
    dialog->SetChinese(language == Language::Chinese);
    dialog->SetCancellable(true);
    dialog->Open();
    dialog->Bar()->SetPos(40);
    return stage(dialog);
}

class NoMessages final : public x5k::UserMessages {
public:
    int showInfoDialog(std::string_view, x5k::BoxButtons) override { return kOk; }
    int showCountdownNotice(std::string_view) override { return kOk; }
    void showInfoBox(std::string_view) override {}
};

// The update's texts as the language's file gives them.
x5k::supportpage::UpdateTexts UpdateTextsIn(Language language) {
    namespace fs = std::filesystem;
    const fs::path program = x5k::ui::programFolder().toStdString();
    x5k::PosixFileSystem files;
    NoMessages messages;
    x5k::Localisation localisation(files, messages, program, x5k::snapshots::TemporaryFolder());
    const x5k::LanguageRow* row = x5k::FindLanguage(x5k::snapshots::LanguageIndex(language));
    localisation.loadLanguage(program / row->file);
    return x5k::supportpage::UpdateTextsFor(row->chineseBuiltInTexts, localisation.strings());
}

std::unique_ptr<QWidget> noServerBox(Language language) {
    auto* box = new CDlgInfo;
    box->SetChinese(language == Language::Chinese);
    box->SetMessageText(QString::fromStdString(UpdateTextsIn(language).noServer));
    box->Open();
    return stage(box);
}

}  // namespace

X5K_SNAPSHOT_DEMO("dialog_ok", [](Language l) { return infoBox(l, false, false); });
X5K_SNAPSHOT_DEMO("dialog_okcancel", [](Language l) { return infoBox(l, true, false); });
X5K_SNAPSHOT_DEMO("dialog_countdown", [](Language l) { return infoBox(l, false, true); });
X5K_SNAPSHOT_DEMO("progress_0", [](Language l) { return progress(l, 0); });
X5K_SNAPSHOT_DEMO("progress_50", [](Language l) { return progress(l, 50); });
X5K_SNAPSHOT_DEMO("progress_100", [](Language l) { return progress(l, 100); });
X5K_SNAPSHOT_DEMO("download_40", [](Language l) { return download(l); });
X5K_SNAPSHOT_DEMO_IN("update_noserver", x5k::snapshots::kAllLanguages,
                     [](Language l) { return noServerBox(l); });
