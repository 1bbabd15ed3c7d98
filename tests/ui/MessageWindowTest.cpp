#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "support/UiTest.h"

using x5k::uitest::HandledMessage;
using x5k::uitest::RecordingWindow;
using x5k::uitest::RepeatedMove;
namespace msg = x5k::msg;

Q_DECLARE_METATYPE(Qt::Key)

namespace {

// Spins (without running the event loop) until a sender on another thread waits for the
// window, so a test can act while that sender is blocked. Gives up after two seconds.
bool waitForWaitingSender(const x5k::ui::MessageWindow& window) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (window.waitingSenders() == 0) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::yield();
    }
    return true;
}

// A window that owns a worker which sends to it, and stops that worker in its destructor,
// as the main window does with the apply worker.
class WindowWithWorker : public RecordingWindow {
public:
    explicit WindowWithWorker(std::promise<intptr_t>& result)
        : worker_([this, &result] { result.set_value(send(msg::kSettingChange, 1, 2)); }) {}
    ~WindowWithWorker() override {
        beginShutdown();
        worker_.join();
    }

private:
    std::thread worker_;
};

}  // namespace

class MessageWindowTest : public QObject {
    Q_OBJECT

private slots:
    void dispatchesByTable_data() {
        QTest::addColumn<uint>("message");
        QTest::addColumn<bool>("handled");
        QTest::newRow("progress") << uint{msg::kProgress} << true;
        QTest::newRow("apply failed") << uint{msg::kApplyFailed} << true;
        QTest::newRow("page hover") << uint{msg::kPageHover} << true;
        QTest::newRow("not in the table") << uint{msg::kTrayIcon} << false;
        QTest::newRow("unknown number") << 0x9999u << false;
    }
    void dispatchesByTable() {
        QFETCH(uint, message);
        QFETCH(bool, handled);
        RecordingWindow window;
        QCOMPARE(window.dispatch(message, 7, 3), handled ? RecordingWindow::replyFor(7, 3) : 0);
        window.post(message, 8, -4);
        QCoreApplication::sendPostedEvents(&window);
        std::vector<HandledMessage> expected;
        if (handled) expected = {{message, 7, 3}, {message, 8, -4}};
        QVERIFY(window.handled() == expected);
    }

    void postsFromAnotherThreadArriveInOrder() {
        RecordingWindow window;
        constexpr uintptr_t kCount = 500;
        std::thread worker([&window] {
            for (uintptr_t i = 0; i < kCount; ++i) {
                window.post(i % 2 ? msg::kProgress : msg::kPageHover, i, -static_cast<intptr_t>(i));
            }
        });
        worker.join();
        QVERIFY(window.handled().empty());  // nothing runs before the event loop does
        QCoreApplication::sendPostedEvents(&window);
        QCOMPARE(window.handled().size(), std::size_t{kCount});
        for (uintptr_t i = 0; i < kCount; ++i) {
            const HandledMessage expected{i % 2 ? msg::kProgress : msg::kPageHover, i,
                                          -static_cast<intptr_t>(i)};
            QVERIFY2(window.handled()[i] == expected, qPrintable(QString::number(i)));
        }
    }

    void sendFromWorkerReturnsHandlersResult() {
        RecordingWindow window;
        auto result = std::async(std::launch::async,
                                 [&window] { return window.send(msg::kApplyFailed, 5, 12); });
        QTRY_VERIFY(result.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
        QCOMPARE(result.get(), RecordingWindow::replyFor(5, 12));
        QVERIFY((window.handled() == std::vector<HandledMessage>{{msg::kApplyFailed, 5, 12}}));
        QCOMPARE(window.waitingSenders(), std::size_t{0});
    }

    void sendOnOwnThreadRunsDirectly() {
        RecordingWindow window;
        QCOMPARE(window.send(msg::kProgress, 100, 0), RecordingWindow::replyFor(100, 0));
        QCOMPARE(window.handled().size(), std::size_t{1});
        QCOMPARE(window.send(0x9999, 1, 1), intptr_t{0});
    }

    void sendWaitingAtShutdownGivesUp_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("shutdown begun") << "shutdown";
        QTest::newRow("window destroyed") << "destroy";
        QTest::newRow("application quitting") << "quit";
    }
    void sendWaitingAtShutdownGivesUp() {
        QFETCH(QString, how);
        auto window = std::make_unique<RecordingWindow>();
        auto result = std::async(
            std::launch::async, [w = window.get()] { return w->send(msg::kApplySucceeded, 1, 1); });
        QVERIFY(waitForWaitingSender(*window));
        if (how == "shutdown") window->beginShutdown();
        if (how == "destroy") window.reset();
        if (how == "quit") {
            QVERIFY(QMetaObject::invokeMethod(qApp, "aboutToQuit", Qt::DirectConnection));
        }
        QCOMPARE(result.wait_for(std::chrono::seconds(5)), std::future_status::ready);
        QCOMPARE(result.get(), intptr_t{0});
        if (!window) return;
        // The abandoned message is not handled late, and later sends return at once.
        QCoreApplication::sendPostedEvents(window.get());
        QVERIFY(window->handled().empty());
        auto late = std::async(std::launch::async,
                               [w = window.get()] { return w->send(msg::kApplySucceeded, 2, 2); });
        QCOMPARE(late.wait_for(std::chrono::seconds(5)), std::future_status::ready);
        QCOMPARE(late.get(), intptr_t{0});
        QCOMPARE(window->waitingSenders(), std::size_t{0});
        // Posted messages are still delivered.
        window->post(msg::kProgress, 3, 0);
        QCoreApplication::sendPostedEvents(window.get());
        QVERIFY((window->handled() == std::vector<HandledMessage>{{msg::kProgress, 3, 0}}));
    }

    void destructorJoiningSendingWorkerDoesNotDeadlock() {
        std::promise<intptr_t> result;
        auto answered = result.get_future();
        {
            WindowWithWorker window(result);
            QVERIFY(waitForWaitingSender(window));
        }  // the destructor joins the worker that waits for this window
        QCOMPARE(answered.get(), intptr_t{0});
    }

    void enterEscapeSpaceAreSwallowed_data() {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<bool>("swallowed");
        QTest::newRow("return") << Qt::Key_Return << true;
        QTest::newRow("keypad enter") << Qt::Key_Enter << true;
        QTest::newRow("escape") << Qt::Key_Escape << true;
        QTest::newRow("space") << Qt::Key_Space << true;
        QTest::newRow("letter") << Qt::Key_A << false;
        QTest::newRow("function key") << Qt::Key_F1 << false;
    }
    void enterEscapeSpaceAreSwallowed() {
        QFETCH(Qt::Key, key);
        QFETCH(bool, swallowed);
        RecordingWindow window;
        auto* button = new QPushButton(&window);
        button->setDefault(true);
        QSignalSpy clicks(button, &QPushButton::clicked);
        // Addressed to the window itself and to a focused control.
        x5k::uitest::typeKey(&window, key);
        x5k::uitest::typeKey(button, key);
        QCOMPARE(clicks.count(), 0);
        // A key the control ignores goes on to its window; a swallowed one reaches nothing.
        const std::vector<int> expected =
            swallowed ? std::vector<int>{} : std::vector<int>{key, key};
        QVERIFY(window.keysReceived() == expected);
    }

    void textBoxKeepsEnterEscapeAndSpace() {
        RecordingWindow window;
        auto* edit = new QLineEdit(&window);
        QSignalSpy entered(edit, &QLineEdit::returnPressed);
        QTest::keyClick(edit, Qt::Key_Space);
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(edit->text(), QStringLiteral(" "));
        QCOMPARE(entered.count(), 1);
        QVERIFY(window.keysReceived().empty());
    }

    void spaceOnControlBehavesNormallyOutsideWindow() {
        // The control on its own does click on Space: the test above checks the window's
        // doing, not the button's.
        QPushButton button;
        QSignalSpy clicks(&button, &QPushButton::clicked);
        x5k::uitest::typeKey(&button, Qt::Key_Space);
        QCOMPARE(clicks.count(), 1);
    }

    void childMouseMovesAreRepeatedInWindowCoordinates() {
        RecordingWindow window;
        window.resize(400, 300);
        auto* direct = new QPushButton(&window);
        direct->setGeometry(10, 20, 50, 30);
        auto* panel = new QWidget(&window);
        panel->setGeometry(100, 100, 200, 150);
        auto* nestedControl = new QPushButton(panel);  // added after its parent was
        nestedControl->setGeometry(5, 6, 40, 20);
        auto* inner = new RecordingWindow(&window);
        inner->setGeometry(300, 10, 80, 80);
        auto* innerControl = new QPushButton(inner);
        innerControl->setGeometry(4, 4, 20, 20);

        x5k::uitest::moveAt(direct, {3, 4});
        x5k::uitest::moveAt(direct, {3, 4});  // a second move is a second report
        x5k::uitest::moveAt(nestedControl, {1, 2}, Qt::LeftButton);
        x5k::uitest::moveAt(panel, {0, 0});
        x5k::uitest::moveAt(&window, {50, 50});  // the window's own moves are not repeated
        x5k::uitest::moveAt(innerControl, {2, 2});
        x5k::uitest::moveAt(inner, {1, 1});

        const std::vector<RepeatedMove> expected = {
            {direct, {13, 24}},  {direct, {13, 24}}, {nestedControl, {106, 108}},
            {panel, {100, 100}}, {inner, {301, 11}},
        };
        QVERIFY(window.moves() == expected);
        // The nested window gets its own control's move, in its coordinates.
        QVERIFY((inner->moves() == std::vector<RepeatedMove>{{innerControl, {6, 6}}}));
    }

    void backgroundIsDrawnUnscaledAtOrigin() {
        QPixmap picture(40, 30);
        picture.fill(Qt::blue);
        {
            QPainter painter(&picture);
            painter.fillRect(0, 0, 20, 30, Qt::red);
        }
        RecordingWindow window;
        window.resize(100, 80);
        window.setBackground(picture);
        QVERIFY(window.testAttribute(Qt::WA_OpaquePaintEvent));
        QVERIFY(!window.autoFillBackground());

        const QImage image = window.grab().toImage();
        QCOMPARE(image.size(), QSize(100, 80));
        QCOMPARE(QColor(image.pixel(0, 0)), QColor(Qt::red));
        QCOMPARE(QColor(image.pixel(19, 29)), QColor(Qt::red));
        // Scaled to the window, the red half would reach x = 49.
        QCOMPARE(QColor(image.pixel(20, 0)), QColor(Qt::blue));
        QCOMPARE(QColor(image.pixel(39, 29)), QColor(Qt::blue));
    }

    void clickReachesControlAtPoint() {
        RecordingWindow window;
        auto* button = new QPushButton(&window);
        button->setGeometry(10, 10, 30, 20);
        QSignalSpy clicks(button, &QPushButton::clicked);
        x5k::uitest::clickAt(button, {5, 5});
        QCOMPARE(clicks.count(), 1);
    }
};

X5K_UI_TEST_CLASS(MessageWindowTest);

#include "MessageWindowTest.moc"
