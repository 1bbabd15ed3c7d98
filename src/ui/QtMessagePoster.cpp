#include "ui/QtMessagePoster.h"

#include <QObject>
#include <QThread>

#include <memory>

#include "ui/MessageWindow.h"

namespace x5k::ui {

QtMessagePoster::~QtMessagePoster() {
    std::lock_guard lock(mutex_);
    for (Entry& entry : entries_) QObject::disconnect(entry.destroyed);
}

std::size_t QtMessagePoster::slot(Window id) {
    return static_cast<std::size_t>(id);
}

void QtMessagePoster::registerWindow(Window id, MessageWindow* window) {
    unregisterWindow(id);
    if (window == nullptr) return;
    // Direct: the window's destructor emits this on its own thread before anything of it
    // is torn down, so no message can reach a half-destroyed window.
    auto connection = QObject::connect(
        window, &MessageWindow::aboutToDestroy, window,
        [this, id, window] {
            std::lock_guard lock(mutex_);
            Entry& entry = entries_[slot(id)];
            if (entry.window == window) {
                QObject::disconnect(entry.destroyed);
                entry = Entry{};
            }
        },
        Qt::DirectConnection);
    std::lock_guard lock(mutex_);
    entries_[slot(id)] = Entry{window, connection};
}

void QtMessagePoster::unregisterWindow(Window id) {
    std::lock_guard lock(mutex_);
    Entry& entry = entries_[slot(id)];
    QObject::disconnect(entry.destroyed);
    entry = Entry{};
}

MessageWindow* QtMessagePoster::window(Window id) const {
    std::lock_guard lock(mutex_);
    return entries_[slot(id)].window;
}

void QtMessagePoster::post(Window target, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    std::lock_guard lock(mutex_);
    if (MessageWindow* window = entries_[slot(target)].window)
        window->post(message, wParam, lParam);
}

intptr_t QtMessagePoster::send(Window target, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    std::shared_ptr<PendingSend> reply;
    {
        std::unique_lock lock(mutex_);
        MessageWindow* window = entries_[slot(target)].window;
        if (window == nullptr) return 0;
        if (QThread::currentThread() == window->thread()) {
            // The handler may register or unregister windows itself.
            lock.unlock();
            return window->dispatch(message, wParam, lParam);
        }
        reply = window->queueSend(message, wParam, lParam);
    }
    // Waiting needs nothing of the window: it may go away meanwhile, and its destructor
    // then releases this wait with 0.
    return reply->wait();
}

}  // namespace x5k::ui
