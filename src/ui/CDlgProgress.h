#pragma once
// The progress window shown while the settings are written to the mouse. The apply worker
// moves its bar by posted progress messages; at 100 % it closes by itself half a second
// later. The user cannot close it meanwhile: Enter, Escape, Space and Alt+F4 do nothing.
// One instance serves the whole run; it is opened once per apply.
// A second instance shows the download of a firmware image. That one may be cancelled: it
// has a Cancel button, and Escape and the window's close do what the button does.

#include <QImage>
#include <QTimer>

#include <span>

#include "ui/MessageWindow.h"

class QEventLoop;

namespace x5k::ui {

class CGDIBitmapBtn;
class CPngHProgressBar;

class CDlgProgress : public MessageWindow {
    Q_OBJECT

public:
    explicit CDlgProgress(QWidget* parent = nullptr);
    ~CDlgProgress() override;

    // The language of the text; the main window sets it before each apply.
    void SetChinese(bool chinese);
    // Whether the work shown may be stopped by the user (set before Open).
    void SetCancellable(bool cancellable);
    bool Cancellable() const { return cancellable_; }
    CGDIBitmapBtn* CancelButton() const { return cancel_; }

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
    // Closes the window now: the work it showed is over.
    void Close();

signals:
    void finished(int result);
    // The user asked to stop the work; the window has closed.
    void cancelled();

protected:
    std::span<const MessageEntry> messageTable() const override;
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    intptr_t onProgress(uintptr_t wParam, intptr_t lParam);
    intptr_t onClose(uintptr_t wParam, intptr_t lParam);
    void finish();
    void cancel();

    QImage background_;
    QImage fill_;
    CPngHProgressBar* bar_ = nullptr;
    CGDIBitmapBtn* cancel_ = nullptr;
    QTimer closeTimer_;
    bool chinese_ = false;
    bool cancellable_ = false;
    bool running_ = false;
    bool closingItself_ = false;
    QEventLoop* loop_ = nullptr;
};

}  // namespace x5k::ui
