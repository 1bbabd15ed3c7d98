// The one conversion of a window's own key events into the hooks' form.

#include <QKeyEvent>
#include <QTest>

#include <optional>
#include <vector>

#include "support/UiTest.h"
#include "ui/WindowKeys.h"

namespace {

struct Asked {
    uint16_t evdevCode;
    int32_t value;
    bool numLock;
    bool operator==(const Asked&) const = default;
};

// Answers every key with its evdev code as the virtual key (release bit on a release)
// and keeps what it was asked; it knows no key 0x1FF.
class RecordingTranslator final : public x5k::KeyEventTranslator {
public:
    std::optional<x5k::HookKeyEvent> translate(uint16_t evdevCode, int32_t value,
                                               bool numLock) const override {
        asked.push_back({evdevCode, value, numLock});
        if (evdevCode == 0x1FF) return std::nullopt;
        return x5k::HookKeyEvent{evdevCode, value == 0 ? 0x80u : 0u};
    }
    mutable std::vector<Asked> asked;
};

}  // namespace

Q_DECLARE_METATYPE(QEvent::Type)

class WindowKeysTest : public QObject {
    Q_OBJECT

private slots:
    void convertsAsTheHooksReport_data() {
        QTest::addColumn<QEvent::Type>("type");
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<bool>("keypad");
        QTest::addColumn<quint32>("scanCode");
        QTest::addColumn<bool>("autoRepeat");
        QTest::addColumn<int>("askedValue");  // -1: the table is not asked
        QTest::addColumn<bool>("numLock");
        QTest::addColumn<bool>("answered");
        const auto press = QEvent::KeyPress;
        const auto release = QEvent::KeyRelease;
        // A: evdev 30, window code 38.
        QTest::newRow("press") << press << int(Qt::Key_A) << false << 38u << false << 1 << true
                               << true;
        QTest::newRow("auto-repeat press")
            << press << int(Qt::Key_A) << false << 38u << true << 2 << true << true;
        QTest::newRow("release") << release << int(Qt::Key_A) << false << 38u << false << 0 << true
                                 << true;
        QTest::newRow("auto-repeat release is dropped")
            << release << int(Qt::Key_A) << false << 38u << true << -1 << true << false;
        QTest::newRow("keypad digit: Num Lock on")
            << press << int(Qt::Key_7) << true << 79u << false << 1 << true << true;
        QTest::newRow("keypad navigation: Num Lock off")
            << press << int(Qt::Key_Home) << true << 79u << false << 1 << false << true;
        QTest::newRow("keypad dot: Num Lock on")
            << press << int(Qt::Key_Period) << true << 91u << false << 1 << true << true;
        QTest::newRow("no scan code")
            << press << int(Qt::Key_A) << false << 0u << false << -1 << true << false;
        QTest::newRow("past the evdev range")
            << press << int(Qt::Key_A) << false << 0x10008u << false << -1 << true << false;
        QTest::newRow("key the table does not know")
            << press << int(Qt::Key_A) << false << 0x207u << false << 1 << true << false;
    }
    void convertsAsTheHooksReport() {
        QFETCH(QEvent::Type, type);
        QFETCH(int, qtKey);
        QFETCH(bool, keypad);
        QFETCH(quint32, scanCode);
        QFETCH(bool, autoRepeat);
        QFETCH(int, askedValue);
        QFETCH(bool, numLock);
        QFETCH(bool, answered);
        const QKeyEvent event(type, qtKey, keypad ? Qt::KeypadModifier : Qt::NoModifier, scanCode,
                              0, 0, QString(), autoRepeat);
        RecordingTranslator translator;
        const std::optional<x5k::HookKeyEvent> key = x5k::ui::HookKeyOfWindowKey(event, translator);

        std::vector<Asked> expected;
        if (askedValue >= 0) {
            expected.push_back({static_cast<uint16_t>(scanCode - 8), askedValue, numLock});
        }
        QVERIFY(translator.asked == expected);
        QCOMPARE(key.has_value(), answered);
        if (key) {
            QCOMPARE(key->virtualKey, scanCode - 8);
            QCOMPARE(key->flags, type == QEvent::KeyRelease ? 0x80u : 0u);
        }
    }
};

X5K_UI_TEST_CLASS(WindowKeysTest);

#include "WindowKeysTest.moc"
