#pragma once
// The notification icon's menu: an ordinary pop-up menu whose entries are drawn by the
// program, each a 16 x 16 icon from a numbered picture resource and a centred text, with a
// blue-grey selected entry.

#include <QImage>
#include <QMenu>
#include <QPoint>
#include <QString>

#include <memory>
#include <vector>

class QProxyStyle;

namespace x5k::ui {

class CXPMenu : public QMenu {
    Q_OBJECT

public:
    // The size an entry asks for. The window system adds the width of its check-mark
    // column to an owner-drawn entry, so entries are drawn that much wider.
    static constexpr int kItemWidth = 75;
    static constexpr int kItemHeight = 22;
    static constexpr int kCheckMarkWidth = 15;
    static constexpr int kIconColumn = 25;
    static constexpr int kIconSize = 16;
    static constexpr int kTextGap = 8;  // between the icon column and the text area

    explicit CXPMenu(QWidget* parent = nullptr);
    ~CXPMenu() override;

    // Appends an entry with the icon of the numbered picture resource (none when missing).
    QAction* AddEntry(int command, int iconResource, const QString& text);
    QAction* AddEntry(int command, const QImage& icon, const QString& text);

    // Shows the menu at the screen position and waits for the user: the chosen entry's
    // command, or 0 when the menu was dismissed.
    int Track(QPoint globalPosition);

    // The command of an entry of any CXPMenu; 0 for none.
    static int commandOf(const QAction* action);

signals:
    // An entry was chosen (by mouse, keyboard or trigger()).
    void commandChosen(int command);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Item {
        QAction* action;
        QImage icon;
    };

    std::unique_ptr<QProxyStyle> style_;
    std::vector<Item> items_;
};

}  // namespace x5k::ui
