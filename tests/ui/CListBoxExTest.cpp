#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>
#include <vector>

#include "support/UiTest.h"
#include "ui/CListBoxEx.h"
#include "ui/CSkinScrollWnd.h"

using x5k::ui::CListBoxEx;
using x5k::uitest::HandledMessage;
using x5k::uitest::RecordingWindow;
namespace msg = x5k::msg;

namespace {

constexpr int kListId = 256;

// A page that records the two list notifications besides what RecordingWindow records.
class ListOwner : public RecordingWindow {
public:
    using RecordingWindow::RecordingWindow;
    const std::vector<HandledMessage>& listMessages() const { return list_; }

protected:
    std::span<const MessageEntry> messageTable() const override {
        static const MessageEntry table[] = {
            on(msg::kListSelectionChanged, &ListOwner::note<msg::kListSelectionChanged>),
            on(msg::kListEditEnded, &ListOwner::note<msg::kListEditEnded>),
        };
        return table;
    }

private:
    template <uint32_t Message>
    intptr_t note(uintptr_t wParam, intptr_t lParam) {
        list_.push_back({Message, wParam, lParam});
        return 0;
    }
    std::vector<HandledMessage> list_;
};

// A shown, active page with a list of three rows at (10, 10, 210, 110).
struct Page {
    ListOwner window;
    CListBoxEx* list = new CListBoxEx(&window);
    QPushButton* other = new QPushButton(QStringLiteral("other"), &window);

    Page() {
        window.resize(300, 200);
        list->setGeometry(10, 10, 200, 100);
        other->setGeometry(220, 10, 60, 20);
        list->SetControlId(kListId);
        list->AddItem(0, QStringLiteral("First"), 0x15000001u, false);
        list->AddItem(0, QStringLiteral("Second macro"), 0x15000002u, false);
        list->AddItem(0, QStringLiteral("Third"), 0x15000003u, false);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }

    std::vector<HandledMessage> delivered() {
        QCoreApplication::sendPostedEvents(&window);
        return window.listMessages();
    }

    QPoint rowCentre(int row) const { return list->visualItemRect(list->item(row)).center(); }
};

void typeText(QWidget* widget, const QString& text) {
    QTest::keyClicks(widget, text);
}

}  // namespace

class CListBoxExTest : public QObject {
    Q_OBJECT

private slots:
    void storesTheKindInTheTopByte_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<uint>("value");
        QTest::addColumn<uint>("stored");
        QTest::newRow("plain keeps the macro id") << 0 << 0x15ABCDEFu << 0x15ABCDEFu;
        QTest::newRow("release row") << 2 << 0x00000041u << 0x02000041u;
        QTest::newRow("press row drops the top byte") << 3 << 0xFF000041u << 0x03000041u;
        QTest::newRow("delay row") << 4 << 0x00123456u << 0x04123456u;
    }
    void storesTheKindInTheTopByte() {
        QFETCH(int, kind);
        QFETCH(uint, value);
        QFETCH(uint, stored);
        CListBoxEx list;
        QCOMPARE(list.AddItem(kind, QStringLiteral("a"), value), 0);
        QCOMPARE(list.InsertItem(0, kind, QStringLiteral("b"), value), 0);
        QCOMPARE(list.ReplaceItem(1, kind, QStringLiteral("c"), value ^ 1u), 1);
        QCOMPARE(list.GetItemData(0), stored);
        QCOMPARE(list.GetItemData(1), stored ^ 1u);
        QCOMPARE(list.GetText(1), QStringLiteral("c"));
        QCOMPARE(list.GetCurSel(), 1);
        QCOMPARE(list.showsIcons(), kind != 0);
        QCOMPARE(list.GetItemData(2), CListBoxEx::kNoItem);
    }

    void rowOperationsRefuseMissingRows() {
        CListBoxEx list;
        list.AddItem(0, QStringLiteral("only"), 7);
        QCOMPARE(list.ReplaceItem(1, 0, QStringLiteral("x"), 1), -1);
        QCOMPARE(list.DeleteItem(-1), -1);
        QCOMPARE(list.DeleteItem(1), -1);
        QVERIFY(!list.SetCurSel(1));
        QCOMPARE(list.GetCount(), 1);
        QCOMPARE(list.GetText(0), QStringLiteral("only"));
        QCOMPARE(list.DeleteItem(0), 0);
        QCOMPARE(list.GetCurSel(), -1);
    }

    void endingAnEdit_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("posted");
        // The typed text replaces the selected old name.
        QTest::newRow("enter keeps the new text")
            << "Rapid fire" << Qt::Key_Return << "Rapid fire" << true;
        QTest::newRow("keypad enter") << "x" << Qt::Key_Enter << "x" << true;
        QTest::newRow("enter on an empty editor") << "" << Qt::Key_Return << "" << true;
        QTest::newRow("at most 20 characters")
            << "abcdefghijklmnopqrstuvwxy" << Qt::Key_Return << "abcdefghijklmnopqrst" << true;
        QTest::newRow("escape restores exactly")
            << "whatever" << Qt::Key_Escape << "Second macro" << false;
    }
    void endingAnEdit() {
        QFETCH(QString, typed);
        QFETCH(Qt::Key, key);
        QFETCH(QString, text);
        QFETCH(bool, posted);
        Page page;
        page.list->SetCurSel(0);
        QVERIFY(page.list->EditItem(1));
        QLineEdit* editor = page.list->editor();
        QVERIFY(editor != nullptr);
        QCOMPARE(editor->text(), QStringLiteral("Second macro"));
        QCOMPARE(editor->selectedText(), QStringLiteral("Second macro"));
        QCOMPARE(editor->geometry(), page.list->visualItemRect(page.list->item(1)));
        if (typed.isEmpty()) {
            x5k::uitest::typeKey(editor, Qt::Key_Backspace);
        } else {
            typeText(editor, typed);
        }
        x5k::uitest::typeKey(editor, key);

        QVERIFY(page.list->editor() == nullptr);
        QCOMPARE(page.list->GetText(1), text);
        QCOMPARE(page.list->GetItemData(1), 0x15000002u);
        QCOMPARE(page.list->GetCurSel(), 1);
        std::vector<HandledMessage> expected;
        if (posted) expected = {{msg::kListEditEnded, kListId, 1}};
        QVERIFY(page.delivered() == expected);
        // The keys that ended the edit stay with the editor.
        QVERIFY(page.window.keysReceived().empty());
    }

    void focusLossCommitsOnce() {
        Page page;
        page.list->EditItem(2);
        QTRY_VERIFY(page.list->editor()->hasFocus());
        typeText(page.list->editor(), QStringLiteral("Reload"));
        page.other->setFocus(Qt::MouseFocusReason);
        QCOMPARE(page.list->GetText(2), QStringLiteral("Reload"));
        QVERIFY(page.list->editor() == nullptr);
        // Further focus changes find nothing left to commit.
        page.list->setFocus();
        page.other->setFocus();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(page.delivered() ==
                (std::vector<HandledMessage>{{msg::kListEditEnded, kListId, 2}}));
    }

    void openingAnEditorKeepsTheOpenOne() {
        Page page;
        page.list->EditItem(0);
        typeText(page.list->editor(), QStringLiteral("One"));
        page.list->EditItem(2);
        QCOMPARE(page.list->GetText(0), QStringLiteral("One"));
        QCOMPARE(page.list->editingRow(), 2);
        QCOMPARE(page.list->editor()->text(), QStringLiteral("Third"));
        QVERIFY(page.delivered() ==
                (std::vector<HandledMessage>{{msg::kListEditEnded, kListId, 0}}));
    }

    void rowsChangingUnderTheEditor_data() {
        QTest::addColumn<int>("deleteRow");
        QTest::addColumn<int>("editedRow");  // -1: the editor closed without keeping
        QTest::addColumn<QString>("kept");
        QTest::newRow("edited row deleted") << 1 << -1 << "";
        QTest::newRow("row above deleted") << 0 << 0 << "Renamed";
        QTest::newRow("row below deleted") << 2 << 1 << "Renamed";
    }
    void rowsChangingUnderTheEditor() {
        QFETCH(int, deleteRow);
        QFETCH(int, editedRow);
        QFETCH(QString, kept);
        Page page;
        page.list->EditItem(1);
        typeText(page.list->editor(), QStringLiteral("Renamed"));
        page.list->DeleteItem(deleteRow);
        QCOMPARE(page.list->editingRow(), editedRow);
        // Losing the focus now commits into the row that moved, or does nothing at all.
        page.other->setFocus();
        QVERIFY(page.list->editor() == nullptr);
        std::vector<HandledMessage> expected;
        if (editedRow >= 0) {
            QCOMPARE(page.list->GetText(editedRow), kept);
            expected = {{msg::kListEditEnded, kListId, editedRow}};
        }
        QVERIFY(page.delivered() == expected);
    }

    void emptyingTheListClosesTheEditor() {
        Page page;
        page.list->EditItem(1);
        page.list->clear();
        QVERIFY(page.list->editor() == nullptr);
        page.other->setFocus();
        QVERIFY(page.delivered().empty());
    }

    void doubleClickRenamesOnlyWhenAllowed_data() {
        QTest::addColumn<bool>("allowed");
        QTest::newRow("allowed") << true;
        QTest::newRow("not allowed") << false;
    }
    void doubleClickRenamesOnlyWhenAllowed() {
        QFETCH(bool, allowed);
        Page page;
        page.list->SetEditingAllowed(allowed);
        QTest::mouseDClick(page.list->viewport(), Qt::LeftButton, {}, page.rowCentre(0));
        QCOMPARE(page.list->editor() != nullptr, allowed);
        if (allowed) QCOMPARE(page.list->editingRow(), 0);
    }

    void userSelectionNotifies_data() {
        QTest::addColumn<bool>("separateTarget");
        QTest::newRow("owner") << false;
        QTest::newRow("notify target") << true;
    }
    void userSelectionNotifies() {
        QFETCH(bool, separateTarget);
        Page page;
        ListOwner target;
        if (separateTarget) page.list->SetNotifyTarget(&target);
        x5k::uitest::clickAt(page.list->viewport(), page.rowCentre(0));
        x5k::uitest::typeKey(page.list, Qt::Key_Down);
        // The program's own selections notify nobody.
        page.list->SetCurSel(2);
        page.list->AddItem(0, QStringLiteral("Fourth"), 4);
        // A press below the last row keeps the selection.
        x5k::uitest::clickAt(page.list->viewport(), QPoint(20, 95));
        QCOMPARE(page.list->GetCurSel(), 3);

        const std::vector<HandledMessage> expected = {{msg::kListSelectionChanged, kListId, 0},
                                                      {msg::kListSelectionChanged, kListId, 1}};
        QCoreApplication::sendPostedEvents(&target);
        QVERIFY(page.delivered() == (separateTarget ? std::vector<HandledMessage>{} : expected));
        QVERIFY(target.listMessages() ==
                (separateTarget ? expected : std::vector<HandledMessage>{}));
    }

    void notificationsReachThePageThroughTheScrollFrame() {
        Page page;
        page.list->SetEditingAllowed(true);
        auto* frame = new x5k::ui::CSkinScrollWnd;
        QVERIFY(frame->Attach(page.list, QImage()));
        QCOMPARE(frame->parentWidget(), &page.window);
        x5k::uitest::clickAt(page.list->viewport(), page.rowCentre(0));
        page.list->EditItem(0);
        x5k::uitest::typeKey(page.list->editor(), Qt::Key_Return);
        QVERIFY(page.delivered() ==
                (std::vector<HandledMessage>{{msg::kListSelectionChanged, kListId, 0},
                                             {msg::kListEditEnded, kListId, 0}}));
    }

    void rowsDrawTheirColours() {
        Page page;
        const QColor background(15, 15, 15), selection(21, 140, 185);
        page.list->SetColours(background, selection);
        page.list->SetTextColours(QColor(200, 200, 205), Qt::white);
        page.list->SetItemHeight(18);
        page.list->SetCurSel(1);
        QCoreApplication::processEvents();
        QCOMPARE(page.list->visualItemRect(page.list->item(1)).height(), 18);
        const QImage shot = page.list->viewport()->grab().toImage();
        // Left of where any text starts, so only the fill shows.
        QCOMPARE(shot.pixelColor(2, 9), background);
        QCOMPARE(shot.pixelColor(2, 18 + 9), selection);
        QCOMPARE(shot.pixelColor(2, 80), background);  // below the last row
    }
};

X5K_UI_TEST_CLASS(CListBoxExTest);

#include "CListBoxExTest.moc"
