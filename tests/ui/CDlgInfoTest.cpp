#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "support/UiTest.h"
#include "ui/CDlgInfo.h"
#include "ui/CGDIBitmapBtn.h"
#include "ui/Skin.h"

using x5k::ui::CDlgInfo;
using x5k::ui::CGDIBitmapBtn;
using x5k::ui::edges;
using x5k::uitest::clickAt;
namespace msg = x5k::msg;

namespace {

void clickButton(CGDIBitmapBtn* button) {
    clickAt(button, button->rect().center());
}

// Every box the test made visible, on top of the windows of earlier tests.
CDlgInfo* openBox() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<CDlgInfo*>(widget);
        if (box != nullptr && box->isVisible() && box->IsRunning()) return box;
    }
    return nullptr;
}

}  // namespace

class CDlgInfoTest : public QObject {
    Q_OBJECT

private slots:
    void buttonsPerLayout_data() {
        QTest::addColumn<bool>("withCancel");
        QTest::addColumn<bool>("chinese");
        QTest::addColumn<QRect>("ok");
        QTest::addColumn<QRect>("cancel");
        QTest::addColumn<QString>("okCaption");
        QTest::addColumn<QString>("cancelCaption");
        QTest::newRow("OK only") << false << false << edges(240, 127, 306, 159) << QRect() << "OK"
                                 << "";
        QTest::newRow("OK and Cancel")
            << true << false << edges(178, 127, 244, 159) << edges(245, 127, 311, 159) << "OK"
            << "Cancel";
        QTest::newRow("Chinese OK and Cancel")
            << true << true << edges(178, 127, 244, 159) << edges(245, 127, 311, 159)
            << QStringLiteral("确定") << QStringLiteral("取消");
    }
    void buttonsPerLayout() {
        QFETCH(bool, withCancel);
        QFETCH(bool, chinese);
        QFETCH(QRect, ok);
        QFETCH(QRect, cancel);
        QFETCH(QString, okCaption);
        QFETCH(QString, cancelCaption);
        CDlgInfo box;
        box.SetWithCancel(withCancel);
        box.SetChinese(chinese);
        box.SetMessageText("The mouse was found.");
        box.Open();
        QVERIFY(box.isVisible());
        QCOMPARE(box.windowTitle(), QStringLiteral("ZintuX5KInfoDlg"));
        QVERIFY(box.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(box.size(), QSize(330, 160));
        QCOMPARE(box.CloseButton()->geometry(), edges(300, 0, 329, 29));
        QVERIFY(box.CloseButton()->Caption().isEmpty());
        QCOMPARE(box.OkButton()->geometry(), ok);
        QCOMPARE(box.OkButton()->Caption(), okCaption);
        QCOMPARE(box.CancelButton() != nullptr, withCancel);
        if (withCancel) {
            QCOMPARE(box.CancelButton()->geometry(), cancel);
            QCOMPARE(box.CancelButton()->Caption(), cancelCaption);
        }
        // No other button is on the box than those of its layout.
        QCOMPARE(box.findChildren<CGDIBitmapBtn*>().size(), withCancel ? 3 : 2);
    }

    void answers_data() {
        QTest::addColumn<bool>("withCancel");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("result");
        for (const bool withCancel : {false, true}) {
            const char* layout = withCancel ? "with Cancel: " : "OK only: ";
            QTest::addRow("%sOK", layout) << withCancel << "ok" << 1;
            QTest::addRow("%sclose button", layout) << withCancel << "close button" << 2;
            QTest::addRow("%swindow closed", layout) << withCancel << "window closed" << 2;
            QTest::addRow("%sclose message", layout) << withCancel << "close message" << 2;
        }
        QTest::newRow("with Cancel: Cancel") << true << "cancel" << 2;
    }
    void answers() {
        QFETCH(bool, withCancel);
        QFETCH(QString, action);
        QFETCH(int, result);
        CDlgInfo box;
        box.SetWithCancel(withCancel);
        box.Open();
        QSignalSpy finished(&box, &CDlgInfo::finished);
        if (action == "ok") clickButton(box.OkButton());
        if (action == "cancel") clickButton(box.CancelButton());
        if (action == "close button") clickButton(box.CloseButton());
        if (action == "window closed") box.close();
        if (action == "close message") {
            box.post(msg::kClose, 0, 0);
            QCoreApplication::sendPostedEvents(&box);
        }
        QVERIFY(!box.IsRunning());
        QVERIFY(!box.isVisible());
        QCOMPARE(box.Result(), std::optional<int>(result));
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), result);
        // A second answer does not change the first.
        clickButton(box.OkButton());
        QCOMPARE(box.Result(), std::optional<int>(result));
        QCOMPARE(finished.size(), 1);
    }

    void countdown_data() {
        QTest::addColumn<bool>("chinese");
        QTest::addColumn<QStringList>("captions");
        QTest::newRow("English") << false << QStringList{"OK (5s)", "OK (5s)", "OK (4s)",
                                                         "OK (3s)", "OK (2s)", "OK (1s)"};
        QTest::newRow("Chinese") << true << QStringList{"确定 (5s)", "确定 (5s)", "确定 (4s)",
                                                        "确定 (3s)", "确定 (2s)", "确定 (1s)"};
    }
    void countdown() {
        QFETCH(bool, chinese);
        QFETCH(QStringList, captions);
        CDlgInfo box;
        box.SetTimed(true);
        box.SetChinese(chinese);
        box.Open();
        QVERIFY(box.CancelButton() == nullptr);
        QVERIFY(box.CountdownTimer()->isActive());
        QCOMPARE(box.CountdownTimer()->interval(), 1000);
        QStringList shown{box.OkButton()->Caption()};
        for (int tick = 1; tick <= 5; ++tick) {
            box.CountdownTick();
            QVERIFY2(box.IsRunning(), qPrintable(QString::number(tick)));
            shown << box.OkButton()->Caption();
        }
        QCOMPARE(shown, captions);
        box.CountdownTick();
        QVERIFY(!box.IsRunning());
        QVERIFY(!box.isVisible());
        QVERIFY(!box.CountdownTimer()->isActive());
        QCOMPARE(box.Result(), std::optional<int>(2));
    }

    void countdownAnsweredFirst() {
        CDlgInfo box;
        box.SetTimed(true);
        box.Open();
        box.CountdownTick();
        box.CountdownTick();
        clickButton(box.OkButton());
        QCOMPARE(box.Result(), std::optional<int>(1));
        QVERIFY(!box.CountdownTimer()->isActive());
        // A tick that was already due changes nothing any more.
        for (int i = 0; i < 6; ++i) box.CountdownTick();
        QCOMPARE(box.Result(), std::optional<int>(1));
    }

    void placement_data() {
        QTest::addColumn<bool>("timed");
        QTest::newRow("centred") << false;
        QTest::newRow("countdown in the bottom-right corner") << true;
    }
    void placement() {
        QFETCH(bool, timed);
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        CDlgInfo box;
        box.SetTimed(timed);
        box.Open();
        const QPoint expected =
            timed ? area.topLeft() + QPoint(area.width() - 340, area.height() - 160)
                  : area.topLeft() + QPoint((area.width() - 330) / 2, (area.height() - 160) / 2);
        QCOMPARE(box.pos(), expected);
    }

    void modalRunReturnsTheAnswer_data() {
        QTest::addColumn<bool>("withCancel");
        QTest::addColumn<QString>("press");
        QTest::addColumn<int>("result");
        QTest::newRow("OK") << false << "ok" << 1;
        QTest::newRow("close button") << false << "close" << 2;
        QTest::newRow("Cancel") << true << "cancel" << 2;
    }
    void modalRunReturnsTheAnswer() {
        QFETCH(bool, withCancel);
        QFETCH(QString, press);
        QFETCH(int, result);
        bool wasModal = false;
        QString text;
        QTimer::singleShot(0, [&] {
            CDlgInfo* box = openBox();
            if (box == nullptr) return;
            wasModal = box->isModal();
            text = box->MessageText();
            if (press == "ok") clickButton(box->OkButton());
            if (press == "cancel") clickButton(box->CancelButton());
            if (press == "close") clickButton(box->CloseButton());
        });
        QCOMPARE(x5k::ui::ShowInfoDialog("Export succeeded.", withCancel, false), result);
        QVERIFY(wasModal);
        QCOMPARE(text, QStringLiteral("Export succeeded."));
        QVERIFY(openBox() == nullptr);
    }

    // A word wider than the message area ends in an ellipsis instead of running past the
    // box's edge; text that can be broken into lines is left to wrap.
    void fitWords_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("elided");
        QTest::newRow("short sentence") << "Failed to open file." << false;
        QTest::newRow("long sentence wraps")
            << "The profile was exported to the folder you chose and can be imported again "
               "later."
            << false;
        QTest::newRow("long file name")
            << "Cannot open X5K_Gaming_Mouse_Profile_Backup_Of_All_Five_Profiles.cfg" << true;
        QTest::newRow("Chinese sentence")
            << QStringLiteral("未找到鼠标，请检查鼠标是否已连接到电脑，然后重新启动程序。")
            << false;
    }
    void fitWords() {
        QFETCH(QString, text);
        QFETCH(bool, elided);
        const QFontMetrics metrics(x5k::ui::dialogFont(14, 300));
        constexpr int kWidth = 305 - 90;
        const QString fitted = CDlgInfo::FitWords(text, metrics, kWidth);
        QCOMPARE(fitted != text, elided);
        for (const QString& word : fitted.split(' ', Qt::SkipEmptyParts)) {
            if (word.contains(QChar(0x2026))) {
                QVERIFY2(metrics.horizontalAdvance(word) <= kWidth, qPrintable(word));
            }
        }
        if (elided) QVERIFY(fitted.contains(QChar(0x2026)));
    }
};

X5K_UI_TEST_CLASS(CDlgInfoTest);
#include "CDlgInfoTest.moc"
