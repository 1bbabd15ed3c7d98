#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "support/UiTest.h"
#include "ui/CDlgProgress.h"
#include "ui/CGDIBitmapBtn.h"
#include "ui/CPngHProgressBar.h"
#include "ui/Skin.h"

using x5k::ui::CDlgProgress;
using x5k::ui::edges;
namespace msg = x5k::msg;

namespace {

void sendKey(QWidget* widget, QEvent::Type type, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QKeyEvent event(type, key, modifiers);
    QApplication::sendEvent(widget, &event);
}

}  // namespace

class CDlgProgressTest : public QObject {
    Q_OBJECT

private slots:
    void opens() {
        CDlgProgress dialog;
        dialog.Open();
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.IsRunning());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("ZintuX5KProcessDlg"));
        QVERIFY(dialog.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(dialog.Bar()->geometry(), edges(35, 47, 295, 56));
        QCOMPARE(dialog.Bar()->controlId(), 777);
        QCOMPARE(dialog.Bar()->GetPos(), 0);
        QVERIFY(!dialog.CloseTimer()->isActive());
    }

    // The worker's percentages move the bar; only exactly 100 arms the close.
    void progressMessage_data() {
        QTest::addColumn<int>("percent");
        QTest::addColumn<int>("position");
        QTest::addColumn<bool>("closes");
        QTest::newRow("0") << 0 << 0 << false;
        QTest::newRow("50") << 50 << 50 << false;
        QTest::newRow("99") << 99 << 99 << false;
        QTest::newRow("100") << 100 << 100 << true;
        QTest::newRow("101 shows an empty bar") << 101 << 0 << false;
        QTest::newRow("-1 shows an empty bar") << -1 << 0 << false;
    }
    void progressMessage() {
        QFETCH(int, percent);
        QFETCH(int, position);
        QFETCH(bool, closes);
        CDlgProgress dialog;
        dialog.Open();
        dialog.post(msg::kProgress, 37, 0);
        dialog.post(msg::kProgress, static_cast<uintptr_t>(static_cast<intptr_t>(percent)), 0);
        QCoreApplication::sendPostedEvents(&dialog);
        QCOMPARE(dialog.Bar()->GetPos(), position);
        QCOMPARE(dialog.CloseTimer()->isActive(), closes);
        QVERIFY(dialog.IsRunning());
        if (!closes) return;
        QVERIFY(dialog.CloseTimer()->isSingleShot());
        QCOMPARE(dialog.CloseTimer()->interval(), 500);
        QSignalSpy finished(&dialog, &CDlgProgress::finished);
        dialog.CloseDelayEnded();
        QCoreApplication::sendPostedEvents(&dialog);
        QVERIFY(!dialog.IsRunning());
        QVERIFY(!dialog.isVisible());
        QCOMPARE(finished.size(), 1);
    }

    void progressAnswersOne() {
        CDlgProgress dialog;
        dialog.Open();
        QCOMPARE(dialog.send(msg::kProgress, 42, 0), intptr_t{1});
        QCOMPARE(dialog.Bar()->GetPos(), 42);
    }

    void userCannotClose_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Enter") << int{Qt::Key_Return} << int{Qt::NoModifier};
        QTest::newRow("keypad Enter") << int{Qt::Key_Enter} << int{Qt::KeypadModifier};
        QTest::newRow("Escape") << int{Qt::Key_Escape} << int{Qt::NoModifier};
        QTest::newRow("Space") << int{Qt::Key_Space} << int{Qt::NoModifier};
        QTest::newRow("Alt+F4") << int{Qt::Key_F4} << int{Qt::AltModifier};
    }
    void userCannotClose() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        CDlgProgress dialog;
        dialog.Open();
        for (QWidget* target :
             {static_cast<QWidget*>(&dialog), static_cast<QWidget*>(dialog.Bar())}) {
            sendKey(target, QEvent::KeyPress, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
            sendKey(target, QEvent::KeyRelease, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        }
        // What Alt+F4 becomes on a desktop: the window manager asks the window to close.
        QVERIFY(!dialog.close());
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.IsRunning());
    }

    void reopensForTheNextApply() {
        CDlgProgress dialog;
        dialog.Open();
        dialog.send(msg::kProgress, 100, 0);
        dialog.CloseDelayEnded();
        QCoreApplication::sendPostedEvents(&dialog);
        QVERIFY(!dialog.IsRunning());
        dialog.Open();
        QVERIFY(dialog.IsRunning());
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.Bar()->GetPos(), 0);
        QVERIFY(!dialog.CloseTimer()->isActive());
        dialog.post(msg::kProgress, 30, 0);
        QCoreApplication::sendPostedEvents(&dialog);
        QCOMPARE(dialog.Bar()->GetPos(), 30);
        QVERIFY(dialog.IsRunning());
    }

    void modalRunEndsAfterHundred() {
        CDlgProgress dialog;
        bool armed = false;
        QTimer::singleShot(0, &dialog, [&] {
            dialog.post(msg::kProgress, 60, 0);
            dialog.post(msg::kProgress, 100, 0);
            QTimer::singleShot(0, &dialog, [&] {
                armed = dialog.CloseTimer()->isActive();
                dialog.CloseDelayEnded();
            });
        });
        dialog.DoModal();
        QVERIFY(armed);
        QVERIFY(!dialog.IsRunning());
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.Bar()->GetPos(), 100);
    }

    // The owner may go away while the window runs (the program shuts down mid-apply).
    void destroyedWhileRunning() {
        QPointer<CDlgProgress> dialog = new CDlgProgress;
        QTimer::singleShot(0, dialog, [dialog] { dialog->deleteLater(); });
        QCOMPARE(dialog->DoModal(), 2);
        QVERIFY(dialog == nullptr);
    }

    // A download may be stopped: by its Cancel button, by Escape and by the window's
    // close. Each ends the window once and says so; Enter and Space still do nothing.
    void cancellableDownload_data() {
        QTest::addColumn<QString>("way");
        QTest::addColumn<bool>("cancels");
        QTest::newRow("Cancel button") << QStringLiteral("button") << true;
        QTest::newRow("Escape") << QStringLiteral("escape") << true;
        QTest::newRow("window close") << QStringLiteral("close") << true;
        QTest::newRow("Enter") << QStringLiteral("enter") << false;
        QTest::newRow("Space") << QStringLiteral("space") << false;
    }
    void cancellableDownload() {
        QFETCH(QString, way);
        QFETCH(bool, cancels);
        CDlgProgress dialog;
        dialog.SetCancellable(true);
        dialog.Open();
        QVERIFY(dialog.CancelButton()->isVisible());
        QCOMPARE(dialog.CancelButton()->geometry(), edges(228, 16, 295, 38));
        QCOMPARE(dialog.CancelButton()->accessibleName(), QStringLiteral("Cancel"));
        QSignalSpy cancelled(&dialog, &CDlgProgress::cancelled);
        if (way == QLatin1String("button")) {
            QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
        } else if (way == QLatin1String("escape")) {
            sendKey(&dialog, QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        } else if (way == QLatin1String("close")) {
            dialog.close();
        } else {
            const Qt::Key key = way == QLatin1String("enter") ? Qt::Key_Return : Qt::Key_Space;
            sendKey(&dialog, QEvent::KeyPress, key, Qt::NoModifier);
            sendKey(&dialog, QEvent::KeyRelease, key, Qt::NoModifier);
        }
        QCOMPARE(cancelled.size(), cancels ? 1 : 0);
        QCOMPARE(dialog.IsRunning(), !cancels);
        QCOMPARE(dialog.isVisible(), !cancels);
        // Its owner's end of the work after a cancel changes nothing more.
        dialog.Close();
        QVERIFY(!dialog.IsRunning());
        QCOMPARE(cancelled.size(), cancels ? 1 : 0);
    }

    void applyHasNoCancel() {
        CDlgProgress dialog;
        dialog.Open();
        QVERIFY(!dialog.CancelButton()->isVisible());
        QSignalSpy cancelled(&dialog, &CDlgProgress::cancelled);
        sendKey(&dialog, QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QVERIFY(!dialog.close());
        QVERIFY(dialog.IsRunning());
        QCOMPARE(cancelled.size(), 0);
    }
};

X5K_UI_TEST_CLASS(CDlgProgressTest);
#include "CDlgProgressTest.moc"
