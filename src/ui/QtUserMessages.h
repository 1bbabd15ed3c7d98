#pragma once
// What the user is told, shown with the program's own message box and the plain system
// box captioned "Info". Boxes are widgets and live on the user-interface thread: a worker
// that shows one asks that thread and blocks until the box is answered, as a worker of the
// system blocks in its own box. When the application quits, a waiting worker is released
// with Cancel's answer instead of waiting for a box that will never be answered.

#include <QObject>

#include <atomic>
#include <functional>
#include <string_view>

#include "platform/UserMessages.h"

namespace x5k::ui {

// Runs the call on the user-interface thread and returns its answer. On that thread it runs
// at once; from any other thread the caller blocks until the call ran there. The caller
// gets `answerWhenQuitting` instead when there is no application, when `quitting` (if given)
// is set, or when the application begins to quit (or goes away) before the call answered;
// a call released that way does not run later. `waiting` (if given) counts the callers
// blocked right now.
int CallOnUiThread(const std::function<int()>& call, int answerWhenQuitting,
                   const std::atomic<bool>* quitting = nullptr,
                   std::atomic<int>* waiting = nullptr);

class QtUserMessages final : public QObject, public UserMessages {
    Q_OBJECT

public:
    // Made on the user-interface thread. The Chinese-interface flag is read at every box,
    // so a box shows the language chosen at the moment it is produced.
    explicit QtUserMessages(const std::atomic<bool>& chinese, QObject* parent = nullptr);
    ~QtUserMessages() override;

    int showInfoDialog(std::string_view text, BoxButtons buttons) override;
    int showCountdownNotice(std::string_view text) override;
    void showInfoBox(std::string_view text) override;

    // How many workers wait for a box right now.
    int waitingCallers() const { return waiting_.load(); }

private:
    void beginQuitting();

    const std::atomic<bool>& chinese_;
    std::atomic<bool> quitting_{false};
    std::atomic<int> waiting_{0};
};

}  // namespace x5k::ui
