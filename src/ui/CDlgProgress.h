#pragma once
// The progress window shown while the settings are written to the mouse. The apply worker
// moves its bar by posted progress messages; at 100 % it closes by itself half a second
// later. The user cannot close it meanwhile: Enter, Escape, Space and Alt+F4 do nothing.
// One instance serves the whole run; it is opened once per apply.

#include <QImage>
#include <QTimer>

#include <span>

#include "ui/MessageWindow.h"

class QEventLoop;

namespace x5k::ui {

class CPngHProgressBar;

class CDlgProgress : public MessageWindow {
    Q_OBJECT

public:
    explicit CDlgProgress(QWidget* parent = nullptr);
    ~CDlgProgress() override;

    // The language of the text; the main window sets it before each apply.
    void SetChinese(bool chinese);

    // Loads the pictures, puts the bar at 0, centres the window and brings it to the front,
    // without waiting.
    void Open();
    // Opens the window application-modal and returns when it closed (with 2, as a close
    // answers).
    int DoModal();
    bool IsRunning() const { return running_; }

    CPngHProgressBar* Bar() const { return bar_; }
    // The half-second wait between 100 % and the close.
    QTimer* CloseTimer() { return &closeTimer_; }
    // What the close timer runs when the half second is over: a close request to itself.
    void CloseDelayEnded();

signals:
    void finished(int result);

protected:
    std::span<const MessageEntry> messageTable() const override;
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    intptr_t onProgress(uintptr_t wParam, intptr_t lParam);
    intptr_t onClose(uintptr_t wParam, intptr_t lParam);
    void finish();

    QImage background_;
    QImage fill_;
    CPngHProgressBar* bar_ = nullptr;
    QTimer closeTimer_;
    bool chinese_ = false;
    bool running_ = false;
    bool closingItself_ = false;
    QEventLoop* loop_ = nullptr;
};

}  // namespace x5k::ui
