#pragma once
// The program's own message box: a fixed 330 x 160 picture with the title "Tips", one
// message, an OK button, optionally a Cancel button, and a close button in the top-right
// corner. In countdown mode it opens in the bottom-right corner of the screen and closes
// by itself after five seconds, counting down on its OK button.

#include <QFontMetrics>
#include <QPixmap>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>
#include <span>

#include "controls/InfoCountdown.h"
#include "ui/MessageWindow.h"

class QEventLoop;

namespace x5k::ui {

class CGDIBitmapBtn;

class CDlgInfo : public MessageWindow {
    Q_OBJECT

public:
    explicit CDlgInfo(QWidget* parent = nullptr);
    ~CDlgInfo() override;

    // Set before the box opens.
    void SetMessageText(const QString& text);
    QString MessageText() const { return text_; }
    void SetWithCancel(bool withCancel) { withCancel_ = withCancel; }
    void SetTimed(bool timed) { timed_ = timed; }
    void SetChinese(bool chinese) { chinese_ = chinese; }

    // Opens the box (pictures, buttons, placement, countdown) and shows it without
    // waiting; finished() tells the answer.
    void Open();
    // Opens the box application-modal and returns its answer: 1 for OK, 2 for Cancel,
    // the close button, closing the window or the countdown running out.
    int DoModal();
    // Ends the box with the answer; later ends are ignored.
    void EndDialog(int result);
    bool IsRunning() const { return running_; }
    std::optional<int> Result() const { return result_; }

    // The controls and the countdown, for the callers' checks.
    CGDIBitmapBtn* OkButton() const { return ok_; }
    CGDIBitmapBtn* CancelButton() const { return cancel_; }
    CGDIBitmapBtn* CloseButton() const { return close_; }
    QTimer* CountdownTimer() { return &countdownTimer_; }
    // One period of the countdown timer (what its timeout runs).
    void CountdownTick();

    // The message as it is laid out: every run of text that cannot be broken across lines
    // and is wider than the width ends in an ellipsis, so no word runs past the right
    // edge; the lines themselves wrap and may run below the rectangle.
    static QString FitWords(const QString& text, const QFontMetrics& metrics, int width);

signals:
    void finished(int result);

protected:
    std::span<const MessageEntry> messageTable() const override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    intptr_t onClose(uintptr_t wParam, intptr_t lParam);
    void buildButtons();

    QString text_;
    bool withCancel_ = false;
    bool timed_ = false;
    bool chinese_ = false;
    bool running_ = false;
    std::optional<int> result_;
    QPixmap normal_;
    QPixmap hover_;
    QPixmap pressed_;
    CGDIBitmapBtn* ok_ = nullptr;
    CGDIBitmapBtn* cancel_ = nullptr;
    CGDIBitmapBtn* close_ = nullptr;
    controls::InfoCountdown countdown_{false};
    QTimer countdownTimer_;
    QEventLoop* loop_ = nullptr;
};

// Shows the program's message box with OK, or OK and Cancel, and returns its answer (1 OK,
// 2 otherwise). On the user-interface thread it runs the box there; from any other thread
// it asks the user-interface thread to show the box and waits for the answer, and gets 2
// when the application quits meanwhile.
int ShowInfoDialog(const QString& text, bool withCancel, bool chinese);
// The self-closing notice: OK only, closes by itself after five seconds. Same threading.
int ShowCountdownNotice(const QString& text, bool chinese);

}  // namespace x5k::ui
