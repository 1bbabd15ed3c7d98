#pragma once
// The base of every page and dialog: a widget that handles numbered window messages
// through a per-class table, accepts them from any thread, and keeps the shared
// conventions of the program's windows (mouse moves of controls repeated to their
// window, Enter/Escape/Space swallowed except in text boxes, an unscaled background picture).

#include <QPixmap>
#include <QPoint>
#include <QPointF>
#include <QPointer>
#include <QWidget>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <type_traits>
#include <vector>

namespace x5k::ui {

class MessageWindow;

// Enter, Escape and Space, pressed or released: keys no window of the program lets close it
// or activate a button.
bool IsSwallowedKey(const QEvent* event);

// The answer to one message sent from another thread. The sender waits on it; the
// window completes it after the handler ran, or with 0 when it gives up (shutdown, or
// the message was discarded unhandled). Completing twice keeps the first result.
class PendingSend {
public:
    void complete(intptr_t result);
    // Blocks until completed and returns the result.
    intptr_t wait();
    bool completed() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable done_;
    bool completed_ = false;
    intptr_t result_ = 0;
};

class MessageWindow : public QWidget {
    Q_OBJECT

public:
    using Handler = intptr_t (MessageWindow::*)(uintptr_t wParam, intptr_t lParam);
    struct MessageEntry {
        uint32_t message;
        Handler handler;
    };

    // Builds a table entry from a subclass's member. A subclass keeps its table in a
    // function-local `static const MessageEntry table[] = {on(msg::kProgress,
    // &Dlg::onProgress), ...};` returned by messageTable() (not constexpr: compilers do not
    // all fold the member-pointer conversion at compile time).
    template <typename Derived>
    static constexpr MessageEntry on(uint32_t message,
                                     intptr_t (Derived::*handler)(uintptr_t, intptr_t)) {
        static_assert(std::is_base_of_v<MessageWindow, Derived>);
        return {message, static_cast<Handler>(handler)};
    }

    explicit MessageWindow(QWidget* parent = nullptr);
    ~MessageWindow() override;

    // Queues the message for this window's thread and returns at once. Safe from any
    // thread while the window exists.
    void post(uint32_t message, uintptr_t wParam, intptr_t lParam);

    // Runs the message's handler on this window's thread and returns its result (0 for a
    // message without a handler). On the window's own thread the handler runs directly;
    // from another thread the caller blocks until it ran, unless the window shuts down
    // first, in which case 0 is returned. Safe from any thread while the window exists.
    intptr_t send(uint32_t message, uintptr_t wParam, intptr_t lParam);

    // The non-blocking half of a cross-thread send: queues the message and returns the
    // answer to wait on, already completed with 0 when the window is shutting down. Once
    // this returned, waiting needs nothing of the window, so a caller may release whatever
    // kept the window alive before it waits.
    std::shared_ptr<PendingSend> queueSend(uint32_t message, uintptr_t wParam, intptr_t lParam);

    // Runs the handler the table lists for the message, on the calling (window's) thread;
    // returns 0 when there is none.
    intptr_t dispatch(uint32_t message, uintptr_t wParam, intptr_t lParam);

    // From now on sends give up: every waiting sender gets 0 and new sends return 0 at once.
    // Posted messages are still delivered. Called by the destructor and when the
    // application is about to quit; a subclass that stops a worker thread in its destructor
    // (a worker that may be waiting in a send) calls it before joining.
    void beginShutdown();
    bool shuttingDown() const;
    // How many senders on other threads wait for this window right now.
    std::size_t waitingSenders() const;

    // The picture drawn unscaled at the top-left corner; the window draws nothing else
    // under its controls and never erases first, so the picture should cover the window.
    void setBackground(const QPixmap& picture);
    const QPixmap& background() const { return background_; }

signals:
    // Emitted at the start of the destructor, before any of the window is torn down.
    void aboutToDestroy();

protected:
    // The subclass's message table; searched in order, the first matching entry handles.
    virtual std::span<const MessageEntry> messageTable() const { return {}; }

    // Every mouse move over one of the window's controls (a descendant widget, not
    // descending into a nested MessageWindow, which repeats moves of its own controls to
    // itself) arrives here once, with the position in this window's coordinates, just
    // before the control handles the move as usual. Mouse tracking is switched on for the
    // controls, so moves without a pressed button arrive too. A separate handler rather
    // than mouseMoveEvent, so a page tells moves over its controls (hints) from moves over
    // its own background.
    virtual void childMouseMoved(QWidget* child, QPoint position);

    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void watch(QObject* object);
    bool ownsControl(const QWidget* widget) const;

    QPixmap background_;
    QPointer<QWidget> lastMoveTarget_;
    QPointF lastMoveGlobal_;
    mutable std::mutex sendMutex_;
    bool shuttingDown_ = false;
    std::vector<std::shared_ptr<PendingSend>> pendingSends_;
};

}  // namespace x5k::ui
