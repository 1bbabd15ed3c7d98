#include "ui/QtUserMessages.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QThread>

#include <memory>
#include <utility>

#include "ui/CDlgInfo.h"
#include "ui/MessageWindow.h"
#include "ui/Skin.h"

namespace x5k::ui {

namespace {

// Rides along with a queued call. If the call is thrown away unrun (the application went
// away with it still queued), the waiting caller is released rather than left blocked.
struct ReleaseOnDrop {
    ReleaseOnDrop(std::shared_ptr<PendingSend> r, int a) : reply(std::move(r)), answer(a) {}
    ~ReleaseOnDrop() { reply->complete(answer); }
    ReleaseOnDrop(const ReleaseOnDrop&) = delete;
    ReleaseOnDrop& operator=(const ReleaseOnDrop&) = delete;

    std::shared_ptr<PendingSend> reply;
    int answer;
};

}  // namespace

int CallOnUiThread(const std::function<int()>& call, int answerWhenQuitting,
                   const std::atomic<bool>* quitting, std::atomic<int>* waiting) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QCoreApplication::closingDown()) return answerWhenQuitting;
    if (quitting != nullptr && quitting->load()) return answerWhenQuitting;
    if (QThread::currentThread() == app->thread()) return call();

    auto reply = std::make_shared<PendingSend>();
    // Connected before the call is queued and before the flag is looked at again, so a
    // quit that begins from now on releases this caller one way or the other.
    const QMetaObject::Connection onQuit =
        QObject::connect(app, &QCoreApplication::aboutToQuit,
                         [reply, answerWhenQuitting] { reply->complete(answerWhenQuitting); });
    if (quitting != nullptr && quitting->load()) {
        QObject::disconnect(onQuit);
        return answerWhenQuitting;
    }
    auto guard = std::make_shared<ReleaseOnDrop>(reply, answerWhenQuitting);
    QMetaObject::invokeMethod(
        app,
        [guard, call] {
            // A caller released by the quit gets no box shown late.
            if (guard->reply->completed()) return;
            guard->reply->complete(call());
        },
        Qt::QueuedConnection);
    guard.reset();
    if (waiting != nullptr) ++*waiting;
    const int answer = static_cast<int>(reply->wait());
    if (waiting != nullptr) --*waiting;
    QObject::disconnect(onQuit);
    return answer;
}

QtUserMessages::QtUserMessages(const std::atomic<bool>& chinese, QObject* parent)
    : QObject(parent), chinese_(chinese) {
    if (auto* app = QCoreApplication::instance()) {
        connect(app, &QCoreApplication::aboutToQuit, this, &QtUserMessages::beginQuitting,
                Qt::DirectConnection);
    }
}

QtUserMessages::~QtUserMessages() = default;

void QtUserMessages::beginQuitting() {
    quitting_ = true;
}

int QtUserMessages::showInfoDialog(std::string_view text, BoxButtons buttons) {
    const QString message = fromUtf8(text);
    const bool withCancel = buttons == BoxButtons::OkCancel;
    const bool chinese = chinese_.load();
    return CallOnUiThread([=] { return ShowInfoDialog(message, withCancel, chinese); }, kCancel,
                          &quitting_, &waiting_);
}

int QtUserMessages::showCountdownNotice(std::string_view text) {
    const QString message = fromUtf8(text);
    const bool chinese = chinese_.load();
    return CallOnUiThread([=] { return ShowCountdownNotice(message, chinese); }, kCancel,
                          &quitting_, &waiting_);
}

void QtUserMessages::showInfoBox(std::string_view text) {
    const QString message = fromUtf8(text);
    CallOnUiThread(
        [message] {
            QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Info"), message, QMessageBox::Ok);
            box.exec();
            return kOk;
        },
        kCancel, &quitting_, &waiting_);
}

}  // namespace x5k::ui
