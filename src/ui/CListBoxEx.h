#pragma once
// The owner-drawn list of the macro lists and the macro event list: rows of text with an
// optional kind icon, a solid selection colour, renaming in place, and numbered
// notifications. A user's selection change posts 0x465 (wParam the control identifier,
// lParam the row) to the notify target, else to the window that owns the list; a rename
// that ended with the new text posts 0x470 (same parameters) to the owning window, else
// the notify target. Selections made by the calling code notify nobody.

#include <QColor>
#include <QHash>
#include <QLineEdit>
#include <QListWidget>
#include <QMetaObject>
#include <QPixmap>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <vector>

namespace x5k::ui {

class MessageWindow;

class CListBoxEx : public QListWidget {
    Q_OBJECT

public:
    // GetItemData of a row that does not exist, as the system's list box answers.
    static constexpr uint32_t kNoItem = 0xFFFFFFFFu;

    explicit CListBoxEx(QWidget* parent = nullptr);
    ~CListBoxEx() override;

    // Appends the row and selects it; kind != 0 makes the list show icons. With editNow
    // the row is opened for renaming at once. Returns the row.
    int AddItem(int kind, const QString& text, uint32_t value, bool editNow = false);
    // Inserts the row at the index (appends for -1 or past the end) and selects it.
    int InsertItem(int index, int kind, const QString& text, uint32_t value);
    // Puts the new text and value in place of the row at the index and selects it; -1 and
    // nothing changed for an index without a row.
    int ReplaceItem(int index, int kind, const QString& text, uint32_t value);
    // Removes the row; returns the rows left, or -1 for an index without a row.
    int DeleteItem(int index);

    int GetCurSel() const;
    // Selects the row (-1 clears the selection); false for an index without a row.
    bool SetCurSel(int index);
    uint32_t GetItemData(int index) const;
    QString GetText(int index) const;
    int GetCount() const { return count(); }

    void SetColours(const QColor& background, const QColor& selection);
    void SetTextColours(const QColor& text, const QColor& selectedText);
    void SetItemHeight(int pixels);
    int itemHeight() const { return itemHeight_; }

    // The window that receives the selection notifications; nullptr for the owner.
    void SetNotifyTarget(QWidget* target);
    void SetEditingAllowed(bool allowed) { editingAllowed_ = allowed; }
    bool editingAllowed() const { return editingAllowed_; }
    void SetControlId(int id) { controlId_ = id; }
    int controlId() const { return controlId_; }
    bool showsIcons() const { return showIcons_; }

    // Opens the in-place editor over the row (closing, and keeping, an open one first).
    bool EditItem(int index);
    QLineEdit* editor() const { return editor_; }
    int editingRow() const { return editRow_; }

    QColor backgroundColour() const;
    QColor selectionColour() const { return selection_; }
    QColor textColour() const { return text_; }
    QColor selectedTextColour() const { return selectedText_; }
    // The icon a row of the kind shows; a null picture when it has none or it is missing.
    QPixmap rowIcon(int kind, bool selected) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    class Quiet;
    friend class Quiet;

    void selectQuietly(int row);
    void onSelectionChanged();
    void commitEdit();
    void cancelEdit();
    QString dropEditor();
    void rowsRemoving(int first, int last);
    void rowsAdded(int first, int last);
    MessageWindow* ownerWindow() const;
    MessageWindow* notifyWindow() const;

    int itemHeight_ = 20;
    QColor text_;
    QColor selectedText_;
    QColor selection_;
    QColor background_;  // invalid until set: then the palette's window colour
    bool showIcons_ = false;
    bool editingAllowed_ = false;
    int controlId_ = 0;
    QPointer<QWidget> notifyTarget_;
    QPointer<QLineEdit> editor_;
    int editRow_ = -1;
    int quiet_ = 0;
    mutable QHash<QString, QPixmap> icons_;
    std::vector<QMetaObject::Connection> connections_;
};

}  // namespace x5k::ui
