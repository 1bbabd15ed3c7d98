#include "ui/MessageWindow.h"

#include <QChildEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QThread>

#include <algorithm>
#include <utility>

namespace x5k::ui {

namespace {

// One numbered message on its way to a window's thread. A sent message carries the
// answer its sender waits on; if the event dies unhandled (the window went away with
// it still queued), the sender is released with 0 rather than left waiting.
class MessageEvent final : public QEvent {
public:
    static QEvent::Type eventType() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

    MessageEvent(uint32_t message, uintptr_t wParam, intptr_t lParam,
                 std::shared_ptr<PendingSend> reply)
        : QEvent(eventType()),
          message_(message),
          wParam_(wParam),
          lParam_(lParam),
          reply_(std::move(reply)) {}
    ~MessageEvent() override {
        if (reply_) reply_->complete(0);
    }
    MessageEvent(const MessageEvent&) = delete;
    MessageEvent& operator=(const MessageEvent&) = delete;

    uint32_t message() const { return message_; }
    uintptr_t wParam() const { return wParam_; }
    intptr_t lParam() const { return lParam_; }
    const std::shared_ptr<PendingSend>& reply() const { return reply_; }

private:
    uint32_t message_;
    uintptr_t wParam_;
    intptr_t lParam_;
    std::shared_ptr<PendingSend> reply_;
};

}  // namespace

// Enter, Escape and Space never reach the windows' default handling: no window closes
// and no button is activated from the keyboard through them.
bool IsSwallowedKey(const QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
    switch (static_cast<const QKeyEvent*>(event)->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
        case Qt::Key_Space:
            return true;
        default:
            return false;
    }
}

void PendingSend::complete(intptr_t result) {
    {
        std::lock_guard lock(mutex_);
        if (completed_) return;
        completed_ = true;
        result_ = result;
    }
    done_.notify_all();
}

intptr_t PendingSend::wait() {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return completed_; });
    return result_;
}

bool PendingSend::completed() const {
    std::lock_guard lock(mutex_);
    return completed_;
}

MessageWindow::MessageWindow(QWidget* parent) : QWidget(parent) {
    // The background picture is the whole look: no erase before painting, so nothing
    // flickers between the system's fill and the picture.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    setMouseTracking(true);
    if (auto* app = QCoreApplication::instance()) {
        // A send waiting while the event loop ends would never be answered.
        connect(app, &QCoreApplication::aboutToQuit, this, &MessageWindow::beginShutdown,
                Qt::DirectConnection);
    }
}

MessageWindow::~MessageWindow() {
    emit aboutToDestroy();
    beginShutdown();
}

void MessageWindow::post(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    QCoreApplication::postEvent(this, new MessageEvent(message, wParam, lParam, nullptr));
}

intptr_t MessageWindow::send(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (QThread::currentThread() == thread()) return dispatch(message, wParam, lParam);
    return queueSend(message, wParam, lParam)->wait();
}

std::shared_ptr<PendingSend> MessageWindow::queueSend(uint32_t message, uintptr_t wParam,
                                                      intptr_t lParam) {
    auto reply = std::make_shared<PendingSend>();
    std::lock_guard lock(sendMutex_);
    if (shuttingDown_ || QCoreApplication::instance() == nullptr) {
        reply->complete(0);
        return reply;
    }
    pendingSends_.push_back(reply);
    // Posted under the lock so that beginShutdown() either sees this reply in the list or
    // ran before it and made us return early: no reply escapes being released.
    QCoreApplication::postEvent(this, new MessageEvent(message, wParam, lParam, reply));
    return reply;
}

intptr_t MessageWindow::dispatch(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    for (const MessageEntry& entry : messageTable()) {
        if (entry.message == message) return (this->*entry.handler)(wParam, lParam);
    }
    return 0;
}

void MessageWindow::beginShutdown() {
    std::vector<std::shared_ptr<PendingSend>> waiting;
    {
        std::lock_guard lock(sendMutex_);
        shuttingDown_ = true;
        waiting.swap(pendingSends_);
    }
    for (const auto& reply : waiting) reply->complete(0);
}

bool MessageWindow::shuttingDown() const {
    std::lock_guard lock(sendMutex_);
    return shuttingDown_;
}

std::size_t MessageWindow::waitingSenders() const {
    std::lock_guard lock(sendMutex_);
    return pendingSends_.size();
}

void MessageWindow::setBackground(const QPixmap& picture) {
    background_ = picture;
    update();
}

void MessageWindow::childMouseMoved(QWidget*, QPoint) {}

bool MessageWindow::event(QEvent* event) {
    if (event->type() == MessageEvent::eventType()) {
        auto* message = static_cast<MessageEvent*>(event);
        const auto& reply = message->reply();
        if (reply && reply->completed()) return true;  // given up already: do not run it late
        const intptr_t result = dispatch(message->message(), message->wParam(), message->lParam());
        if (reply) {
            reply->complete(result);
            std::lock_guard lock(sendMutex_);
            std::erase(pendingSends_, reply);
        }
        return true;
    }
    if (IsSwallowedKey(event)) {
        event->accept();
        return true;
    }
    if (event->type() == QEvent::ChildAdded) {
        watch(static_cast<QChildEvent*>(event)->child());
    }
    return QWidget::event(event);
}

void MessageWindow::watch(QObject* object) {
    // ChildAdded arrives while the child is still being constructed: only its QWidget part
    // can be relied on here, so which window a control belongs to is decided per move.
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr || widget->isWindow()) return;
    widget->installEventFilter(this);
    widget->setMouseTracking(true);
    for (QObject* child : widget->children()) watch(child);
}

bool MessageWindow::ownsControl(const QWidget* widget) const {
    // A control inside a nested window belongs to that window, which repeats its moves.
    for (const QWidget* up = widget->parentWidget(); up != nullptr && up != this;
         up = up->parentWidget()) {
        if (qobject_cast<const MessageWindow*>(up) != nullptr) return false;
        if (up->isWindow()) return false;
    }
    return widget != this && isAncestorOf(widget);
}

bool MessageWindow::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::ChildAdded:
            watch(static_cast<QChildEvent*>(event)->child());
            break;
        case QEvent::MouseMove: {
            // A move the control under the pointer ignores travels on to its parents, which
            // are watched too; it is the same move and is repeated only once.
            const auto* move = static_cast<QMouseEvent*>(event);
            if (lastMoveTarget_ != nullptr && lastMoveTarget_ != widget &&
                widget->isAncestorOf(lastMoveTarget_) &&
                lastMoveGlobal_ == move->globalPosition()) {
                break;
            }
            lastMoveTarget_ = widget;
            lastMoveGlobal_ = move->globalPosition();
            if (ownsControl(widget)) {
                childMouseMoved(widget, widget->mapTo(this, move->position().toPoint()));
            }
            break;
        }
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            // A text box has taken these keys itself: Space types a space, Enter ends and
            // Escape cancels an in-place edit. Nothing of the window reacts to them there.
            if (widget->testAttribute(Qt::WA_InputMethodEnabled)) break;
            if (IsSwallowedKey(event)) {
                event->accept();
                return true;
            }
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

void MessageWindow::paintEvent(QPaintEvent*) {
    if (background_.isNull()) return;
    QPainter painter(this);
    painter.drawPixmap(QPoint(0, 0), background_);
}

}  // namespace x5k::ui
