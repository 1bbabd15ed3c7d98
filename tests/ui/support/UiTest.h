#pragma once
// What the window tests share: registration of QtTest classes with the one test program,
// synthetic mouse input at a point of a widget, and a window that records the messages
// it handled.

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QObject>
#include <QPoint>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/WindowMessages.h"
#include "ui/MessageWindow.h"

namespace x5k::uitest {

using TestFactory = std::function<std::unique_ptr<QObject>()>;

inline std::vector<std::pair<std::string, TestFactory>>& testClasses() {
    static std::vector<std::pair<std::string, TestFactory>> classes;
    return classes;
}

struct TestRegistration {
    TestRegistration(const char* name, TestFactory factory) {
        testClasses().emplace_back(name, std::move(factory));
    }
};

// Makes a QtTest class known to the test program, which runs it when named on its
// command line (CTest runs one class per test).
#define X5K_UI_TEST_CLASS(Class)                                               \
    static const ::x5k::uitest::TestRegistration x5kUiTestRegistration##Class( \
        #Class, [] { return std::make_unique<Class>(); })

// The pointer moves to the point, in the widget's own coordinates, with the given
// buttons held.
inline void moveAt(QWidget* widget, QPoint point, Qt::MouseButtons buttons = Qt::NoButton) {
    QMouseEvent move(QEvent::MouseMove, QPointF(point), QPointF(widget->mapToGlobal(point)),
                     Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

// A press of the left button at the point, in the widget's own coordinates.
inline void pressAt(QWidget* widget, QPoint point) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(point), QPointF(widget->mapToGlobal(point)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

// A release of the left button at the point, in the widget's own coordinates.
inline void releaseAt(QWidget* widget, QPoint point) {
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(point),
                        QPointF(widget->mapToGlobal(point)), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

// A press and release of the button at the point, in the widget's own coordinates.
inline void clickAt(QWidget* widget, QPoint point, Qt::MouseButton button = Qt::LeftButton) {
    const QPointF local(point);
    const QPointF global(widget->mapToGlobal(point));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, button, button, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, button, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

// A key press and release addressed to the widget.
inline void typeKey(QWidget* widget, Qt::Key key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

struct HandledMessage {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
    bool operator==(const HandledMessage&) const = default;
};

struct RepeatedMove {
    QWidget* child;
    QPoint position;
    bool operator==(const RepeatedMove&) const = default;
};

// Handles a few of the shared messages by logging them (on the window's thread) and
// answering replyFor(wParam, lParam). Also logs the repeated mouse moves of its controls
// and the keys that reached its own key handlers.
class RecordingWindow : public ui::MessageWindow {
public:
    using MessageWindow::MessageWindow;

    static intptr_t replyFor(uintptr_t wParam, intptr_t lParam) {
        return static_cast<intptr_t>(wParam) * 1000 + lParam;
    }

    const std::vector<HandledMessage>& handled() const { return handled_; }
    const std::vector<RepeatedMove>& moves() const { return moves_; }
    const std::vector<int>& keysReceived() const { return keys_; }

protected:
    std::span<const MessageEntry> messageTable() const override {
        static const MessageEntry table[] = {
            on(msg::kProgress, &RecordingWindow::record<msg::kProgress>),
            on(msg::kApplySucceeded, &RecordingWindow::record<msg::kApplySucceeded>),
            on(msg::kApplyFailed, &RecordingWindow::record<msg::kApplyFailed>),
            on(msg::kPageHover, &RecordingWindow::record<msg::kPageHover>),
            on(msg::kSettingChange, &RecordingWindow::record<msg::kSettingChange>),
            on(msg::kSwitchLanguage, &RecordingWindow::record<msg::kSwitchLanguage>),
            on(msg::kListSelectionChanged, &RecordingWindow::record<msg::kListSelectionChanged>),
            on(msg::kListEditEnded, &RecordingWindow::record<msg::kListEditEnded>),
            on(msg::kButtonPress, &RecordingWindow::record<msg::kButtonPress>),
            on(msg::kMenuChoice, &RecordingWindow::record<msg::kMenuChoice>),
            on(msg::kSliderPosition, &RecordingWindow::record<msg::kSliderPosition>),
            on(msg::kCommand, &RecordingWindow::record<msg::kCommand>),
        };
        return table;
    }

    void childMouseMoved(QWidget* child, QPoint position) override {
        moves_.push_back({child, position});
    }
    void keyPressEvent(QKeyEvent* event) override { keys_.push_back(event->key()); }

private:
    template <uint32_t Message>
    intptr_t record(uintptr_t wParam, intptr_t lParam) {
        handled_.push_back({Message, wParam, lParam});
        return replyFor(wParam, lParam);
    }

    std::vector<HandledMessage> handled_;
    std::vector<RepeatedMove> moves_;
    std::vector<int> keys_;
};

}  // namespace x5k::uitest
