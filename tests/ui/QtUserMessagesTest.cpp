#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "support/UiTest.h"
#include "ui/CDlgInfo.h"
#include "ui/CGDIBitmapBtn.h"
#include "ui/QtUserMessages.h"

using x5k::BoxButtons;
using x5k::ui::CDlgInfo;
using x5k::ui::CGDIBitmapBtn;
using x5k::ui::QtUserMessages;
using x5k::uitest::clickAt;

namespace {

// What a box looked like when the responder answered it.
struct SeenBox {
    QString kind;  // "info", "info with cancel", "countdown", "Info box"
    QString text;
    QString okCaption;
    QString title;
};

// Answers the first box that opens, from inside the box's own modal loop, as a user
// would: the box runs on this (the user-interface) thread while a worker waits for it.
class Responder : public QObject {
public:
    explicit Responder(QString press) : press_(std::move(press)) {
        connect(&timer_, &QTimer::timeout, this, [this] { answer(); });
        timer_.start(0);
    }
    bool answered() const { return answered_; }
    const SeenBox& seen() const { return seen_; }

private:
    void answer() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (!widget->isVisible()) continue;
            if (auto* box = qobject_cast<CDlgInfo*>(widget); box != nullptr && box->IsRunning()) {
                seen_.kind = box->CountdownTimer()->isActive() ? "countdown"
                             : box->CancelButton() != nullptr  ? "info with cancel"
                                                               : "info";
                seen_.text = box->MessageText();
                seen_.okCaption = box->OkButton()->Caption();
                if (press_ == "ok") click(box->OkButton());
                if (press_ == "cancel") click(box->CancelButton());
                if (press_ == "close") click(box->CloseButton());
                if (press_ == "run out") {
                    for (int tick = 0; tick < 6; ++tick) box->CountdownTick();
                }
                finish();
                return;
            }
            if (auto* box = qobject_cast<QMessageBox*>(widget)) {
                seen_.kind = "Info box";
                seen_.text = box->text();
                seen_.title = box->windowTitle();
                click(box->button(QMessageBox::Ok));
                finish();
                return;
            }
        }
    }
    static void click(QAbstractButton* button) {
        if (button != nullptr) clickAt(button, button->rect().center());
    }
    void finish() {
        answered_ = true;
        timer_.stop();
    }

    QString press_;
    QTimer timer_;
    bool answered_ = false;
    SeenBox seen_;
};

int ask(QtUserMessages& messages, const QString& kind, const std::string& text) {
    if (kind == "info") return messages.showInfoDialog(text, BoxButtons::Ok);
    if (kind == "info with cancel") return messages.showInfoDialog(text, BoxButtons::OkCancel);
    if (kind == "countdown") return messages.showCountdownNotice(text);
    messages.showInfoBox(text);
    return 1;
}

// Spins (without running the event loop) until a worker waits for a box.
bool waitForWaitingWorker(const QtUserMessages& messages) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (messages.waitingCallers() == 0) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::yield();
    }
    return true;
}

}  // namespace

class QtUserMessagesTest : public QObject {
    Q_OBJECT

private slots:
    void workerWaitsForTheAnswer_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("press");
        QTest::addColumn<bool>("chinese");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("okCaption");
        QTest::newRow("OK") << "info"
                            << "ok" << false << 1 << "OK";
        QTest::newRow("OK only, close button") << "info"
                                               << "close" << false << 2 << "OK";
        QTest::newRow("OK and Cancel, OK") << "info with cancel"
                                           << "ok" << false << 1 << "OK";
        QTest::newRow("OK and Cancel, Cancel") << "info with cancel"
                                               << "cancel" << false << 2 << "OK";
        QTest::newRow("Chinese OK") << "info"
                                    << "ok" << true << 1 << QStringLiteral("确定");
        QTest::newRow("countdown, OK first") << "countdown"
                                             << "ok" << false << 1 << "OK (5s)";
        QTest::newRow("countdown runs out") << "countdown"
                                            << "run out" << false << 2 << "OK (5s)";
        QTest::newRow("Chinese countdown") << "countdown"
                                           << "run out" << true << 2 << QStringLiteral("确定 (5s)");
        QTest::newRow("Info box") << "Info box"
                                  << "ok" << false << 1 << "";
    }
    void workerWaitsForTheAnswer() {
        QFETCH(QString, kind);
        QFETCH(QString, press);
        QFETCH(bool, chinese);
        QFETCH(int, result);
        QFETCH(QString, okCaption);
        std::atomic<bool> chineseFlag{chinese};
        QtUserMessages messages(chineseFlag);
        const std::string text = chinese ? "已找到鼠标。" : "The mouse was found.";
        auto answer = std::async(std::launch::async,
                                 [&messages, &kind, &text] { return ask(messages, kind, text); });
        // The worker is blocked until the box is answered here.
        QVERIFY(waitForWaitingWorker(messages));
        QCOMPARE(answer.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
        Responder responder(press);
        QTRY_VERIFY(answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
        QCOMPARE(answer.get(), result);
        QVERIFY(responder.answered());
        QCOMPARE(responder.seen().kind, kind);
        QCOMPARE(responder.seen().text, QString::fromStdString(text));
        QCOMPARE(responder.seen().okCaption, okCaption);
        if (kind == "Info box") QCOMPARE(responder.seen().title, QStringLiteral("Info"));
        QCOMPARE(messages.waitingCallers(), 0);
    }

    void onTheInterfaceThreadRunsAtOnce() {
        std::atomic<bool> chineseFlag{false};
        QtUserMessages messages(chineseFlag);
        Responder responder("cancel");
        QCOMPARE(messages.showInfoDialog("Restore the default settings?", BoxButtons::OkCancel), 2);
        QVERIFY(responder.answered());
        QCOMPARE(responder.seen().kind, QStringLiteral("info with cancel"));
    }

    // The language is the one of the moment the box is produced.
    void readsTheLanguageAtEachBox() {
        std::atomic<bool> chineseFlag{false};
        QtUserMessages messages(chineseFlag);
        QStringList captions;
        for (const bool chinese : {false, true, false}) {
            chineseFlag = chinese;
            Responder responder("ok");
            QCOMPARE(messages.showInfoDialog("text", BoxButtons::Ok), 1);
            captions << responder.seen().okCaption;
        }
        QCOMPARE(captions, (QStringList{"OK", QStringLiteral("确定"), "OK"}));
    }

    void quittingReleasesAWaitingWorker() {
        std::atomic<bool> chineseFlag{false};
        QtUserMessages messages(chineseFlag);
        auto answer = std::async(std::launch::async, [&messages] {
            return messages.showInfoDialog("The mouse was removed.", BoxButtons::Ok);
        });
        QVERIFY(waitForWaitingWorker(messages));
        QVERIFY(QMetaObject::invokeMethod(qApp, "aboutToQuit", Qt::DirectConnection));
        QCOMPARE(answer.wait_for(std::chrono::seconds(5)), std::future_status::ready);
        QCOMPARE(answer.get(), 2);
        QCOMPARE(messages.waitingCallers(), 0);
        // The released request does not show a box late, and later boxes are not shown.
        QCoreApplication::sendPostedEvents();
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<CDlgInfo*>(widget);
            QVERIFY(box == nullptr || !box->IsRunning());
        }
        auto late = std::async(std::launch::async, [&messages] {
            return messages.showInfoDialog("late", BoxButtons::OkCancel);
        });
        QCOMPARE(late.wait_for(std::chrono::seconds(5)), std::future_status::ready);
        QCOMPARE(late.get(), 2);
    }
};

X5K_UI_TEST_CLASS(QtUserMessagesTest);
#include "QtUserMessagesTest.moc"
