#include <QTest>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "support/UiTest.h"
#include "ui/QtMessagePoster.h"

using x5k::Window;
using x5k::ui::QtMessagePoster;
using x5k::uitest::HandledMessage;
using x5k::uitest::RecordingWindow;
namespace msg = x5k::msg;

Q_DECLARE_METATYPE(x5k::Window)

class QtMessagePosterTest : public QObject {
    Q_OBJECT

private slots:
    void routesToTheRegisteredWindow_data() {
        QTest::addColumn<Window>("target");
        QTest::addColumn<bool>("delivered");
        QTest::newRow("main window, registered") << Window::MainWindow << true;
        QTest::newRow("progress dialog, registered") << Window::ProgressDialog << true;
        QTest::newRow("statistics page, not registered") << Window::StatisticsPage << false;
        QTest::newRow("macro page, unregistered again") << Window::MacroPage << false;
    }
    void routesToTheRegisteredWindow() {
        QFETCH(Window, target);
        QFETCH(bool, delivered);
        RecordingWindow main, progress, macros;
        QtMessagePoster poster;
        poster.registerWindow(Window::MainWindow, &main);
        poster.registerWindow(Window::ProgressDialog, &progress);
        poster.registerWindow(Window::MacroPage, &macros);
        poster.unregisterWindow(Window::MacroPage);

        poster.post(target, msg::kProgress, 40, 2);
        QCOMPARE(poster.send(target, msg::kPageHover, 1, 9),
                 delivered ? RecordingWindow::replyFor(1, 9) : 0);
        QCoreApplication::sendPostedEvents();

        const RecordingWindow* expectedWindow = target == Window::MainWindow       ? &main
                                                : target == Window::ProgressDialog ? &progress
                                                                                   : nullptr;
        for (const RecordingWindow* window : {&main, &progress, &macros}) {
            std::vector<HandledMessage> expected;
            if (window == expectedWindow) {
                // The send ran at once on this thread; the post waited for the event loop.
                expected = {{msg::kPageHover, 1, 9}, {msg::kProgress, 40, 2}};
            }
            QVERIFY(window->handled() == expected);
        }
    }

    void registeringAgainReplacesTheWindow() {
        RecordingWindow first, second;
        QtMessagePoster poster;
        poster.registerWindow(Window::MainWindow, &first);
        poster.registerWindow(Window::MainWindow, &second);
        QCOMPARE(poster.window(Window::MainWindow), &second);
        poster.post(Window::MainWindow, msg::kApplySucceeded, 0, 0);
        QCoreApplication::sendPostedEvents();
        QVERIFY(first.handled().empty());
        QCOMPARE(second.handled().size(), std::size_t{1});
    }

    void destroyedWindowIsUnregistered() {
        QtMessagePoster poster;
        auto replaced = std::make_unique<RecordingWindow>();
        auto current = std::make_unique<RecordingWindow>();
        poster.registerWindow(Window::StatisticsPage, replaced.get());
        poster.registerWindow(Window::StatisticsPage, current.get());
        replaced.reset();  // no longer registered: must not unregister its successor
        QCOMPARE(poster.window(Window::StatisticsPage), current.get());
        current.reset();
        QCOMPARE(poster.window(Window::StatisticsPage), nullptr);
        poster.post(Window::StatisticsPage, msg::kStatsCursorSample, 0, 0);
        QCOMPARE(poster.send(Window::StatisticsPage, msg::kStatsCursorSample, 0, 0), intptr_t{0});
    }

    void workerPostsAndSendsThroughThePoster() {
        RecordingWindow main;
        QtMessagePoster poster;
        poster.registerWindow(Window::MainWindow, &main);
        x5k::MessagePoster& core = poster;
        auto worker = std::async(std::launch::async, [&core] {
            core.post(Window::MainWindow, msg::kProgress, 50, 0);
            const intptr_t answer = core.send(Window::MainWindow, msg::kSettingChange, 3, 4);
            core.post(Window::MainWindow, msg::kApplySucceeded, 0, 0);
            return answer;
        });
        QTRY_VERIFY(worker.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
        QCOMPARE(worker.get(), RecordingWindow::replyFor(3, 4));
        QCoreApplication::sendPostedEvents();
        const std::vector<HandledMessage> expected = {
            {msg::kProgress, 50, 0}, {msg::kSettingChange, 3, 4}, {msg::kApplySucceeded, 0, 0}};
        QVERIFY(main.handled() == expected);
    }

    void windowDestroyedWhileWorkerPostsAndSends() {
        QtMessagePoster poster;
        auto window = std::make_unique<RecordingWindow>();
        poster.registerWindow(Window::ProgressDialog, window.get());
        std::atomic<bool> stop{false};
        std::atomic<int> rounds{0};
        std::thread worker([&] {
            while (!stop) {
                poster.post(Window::ProgressDialog, msg::kProgress, 1, 0);
                poster.send(Window::ProgressDialog, msg::kProgress, 2, 0);
                ++rounds;
            }
        });
        QTRY_VERIFY(rounds > 3);  // sends are being answered
        window.reset();           // with the worker mid-post or mid-send
        const int afterwards = rounds;
        QTRY_VERIFY(rounds > afterwards + 3);  // and it keeps going: dropped, not blocked
        stop = true;
        worker.join();
    }
};

X5K_UI_TEST_CLASS(QtMessagePosterTest);

#include "QtMessagePosterTest.moc"
