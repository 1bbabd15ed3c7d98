#pragma once
// The custom pop-up menu (the language menu is one): a frameless top-level window with
// per-pixel transparency listing entries of a small picture and a text. Choosing an entry
// sends the pop-up's result message to its owner; closing it, for whatever reason, sends
// WM_USER+1 with 0, which the owner's language handler ignores.

#include <QFont>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <vector>

#include "controls/MenuLayout.h"

namespace x5k::ui {

class MessageWindow;

// What every custom pop-up shares: the owner that receives the result, the position, the
// result message, the background picture and the menu font.
class CWndPopup : public QWidget {
    Q_OBJECT

public:
    CWndPopup();
    ~CWndPopup() override;

    // Builds the entries, lays them out and shows the pop-up with its top-left corner at
    // (x, y) on the screen. The result message goes to the owner. A pop-up opens once:
    // a second call returns false and changes nothing.
    bool Popup(MessageWindow* owner, int x, int y, uint32_t resultMessage);

    // Builds the entries and the layout without showing, so a pop-up can be drawn into a
    // picture. Popup() does this itself; calling it twice builds once.
    void Prepare();

    // The background picture from the numbered picture resources; a missing resource
    // leaves the pop-up without one (white with a blue border).
    void SetBackground(int resourceId);
    void SetBackground(const QImage& picture);
    const QImage& background() const { return background_; }

    MessageWindow* owner() const;
    uint32_t resultMessage() const { return resultMessage_; }

    // The owner-facing look of the pop-up as a transparent picture of its size.
    QImage renderImage();

signals:
    // Emitted once, when the pop-up closes, after the owner was told.
    void closed();

protected:
    // Fills the entry list; called once, just before the first layout.
    virtual void BuildEntries() {}
    // Recomputes the entry rectangles and the pop-up's size.
    virtual void Layout() {}

    // Sends the result message with the value to the owner (wParam 0), then closes the
    // pop-up unless the owner already did.
    void choose(intptr_t value);

    // Draws the background: the picture stretched over the whole pop-up with its 32-pixel
    // corners unscaled, or white inside a one-pixel blue border.
    void paintBackground(QPainter& painter) const;

    const QFont& menuTextFont() const { return font_; }

    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    QPointer<MessageWindow> owner_;
    uint32_t resultMessage_ = 0;
    QImage background_;
    QFont font_;
    bool prepared_ = false;
    bool popped_ = false;
    bool wasActive_ = false;
    bool closeReported_ = false;
};

// One entry of a custom pop-up.
struct MenuEntry {
    bool separator = false;
    intptr_t value = 0;
    QImage picture;  // null when the resource was missing
    QString text;
    QRect rect;  // in the pop-up's client coordinates
};

// A list of entries, one of them highlighted, chosen with the left mouse button.
class CMenuEx : public CWndPopup {
    Q_OBJECT

public:
    CMenuEx();

    // Appends an entry whose picture is the numbered picture resource (none when missing).
    void AddEntry(const QString& text, int resourceId, intptr_t value);
    // Appends an entry with a picture already in hand.
    void AddEntry(const QString& text, const QImage& picture, intptr_t value);
    void AddSeparator();

    const std::vector<MenuEntry>& entries() const { return entries_; }
    // The highlighted entry's index, or -1.
    int highlighted() const;
    // Highlights an entry (or none for -1 or a separator) and redraws.
    void setHighlighted(int index);

protected:
    void Layout() override;

    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    std::vector<MenuEntry> entries_;
    controls::MenuLayout layout_;
    controls::MenuTracker tracker_;
};

// The language menu: the twelve languages in index order, each with its flag picture
// (resources 130..141) and its index as the value, on background picture 129.
class CMenuExA : public CMenuEx {
    Q_OBJECT

public:
    static constexpr int kBackgroundResource = 129;
    static constexpr int kFirstFlagResource = 130;

    // The menu labels of languages 1..12, in index order; missing labels show empty.
    explicit CMenuExA(QStringList labels);

    // The menu labels of the language table.
    static QStringList languageLabels();

protected:
    void BuildEntries() override;

private:
    QStringList labels_;
};

}  // namespace x5k::ui
