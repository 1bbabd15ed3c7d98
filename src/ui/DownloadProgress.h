#pragma once
// The firmware image's download as the user sees it: a progress window of its own with a
// Cancel button. The update worker reports to it from its thread; the window lives on the
// user-interface thread, so each report is queued there, and Cancel is read back through
// a flag.

#include <QObject>
#include <QPointer>

#include <atomic>

#include "pages/support/UpdateCheck.h"

class QWidget;

namespace x5k::ui {

class CDlgProgress;

class DownloadProgress final : public QObject, public supportpage::UpdateProgress {
    Q_OBJECT

public:
    // The window is made now, a child of `parent`, and shows the text in the language
    // the flag holds when each download begins.
    DownloadProgress(QWidget* parent, const std::atomic<bool>& chinese);
    ~DownloadProgress() override;

    void begin() override;
    void percent(int value) override;
    bool cancelRequested() override { return cancelled_.load(); }
    void end() override;

    CDlgProgress* dialog() const { return dialog_; }

private:
    QPointer<CDlgProgress> dialog_;
    const std::atomic<bool>& chinese_;
    std::atomic<bool> cancelled_{false};
};

}  // namespace x5k::ui
