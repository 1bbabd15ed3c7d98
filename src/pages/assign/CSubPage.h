#pragma once
// What the assignment pop-up and its four sub-pages share: the three pictures of a page
// read once (the background and every button's looks are cut from that one copy), the
// layout rectangles of the page, the painted texts, and the skinned lists of the macro
// and basic pages.

#include <QColor>
#include <QPixmap>
#include <QRect>
#include <QString>

#include <string_view>

#include "layout/Layout.h"
#include "pages/assign/SubPageTables.h"
#include "ui/MessageWindow.h"

class QPainter;

namespace x5k::ui {
class CGDIBitmapBtn;
class CListBoxEx;
}  // namespace x5k::ui

namespace x5k::pages {

// A page's normal, hover and pressed pictures, each read from its file once.
struct PageSkins {
    QPixmap normal;
    QPixmap over;
    QPixmap down;

    static PageSkins load(const layout::PageLayout& page);
    // A picture button at `rect` (page coordinates) showing the pieces of the three
    // pictures there; the normal piece doubles as the disabled look.
    ui::CGDIBitmapBtn* button(QWidget* parent, const QRect& rect) const;
};

// The rectangle of a control of the page in the chosen layout; empty for an unknown name.
QRect ControlRect(const layout::PageLayout& page, std::string_view control, bool chinese);

// A COLORREF (0x00BBGGRR) as a Qt colour.
QColor ColourOf(uint32_t colorref);

// The pop-up's painted texts: the dialog font at 14 pixels and weight 300, one line,
// vertically centred, cut with an ellipsis at the end.
void DrawPaintedText(QPainter& painter, const QRect& area, const QString& text,
                     assign::TextAlign align, uint32_t colorref);

// A skinned list as the macro manager's lists look: rows of 18 pixels, dark rows with
// the program's text colours, skinned scroll bar (bitmap resource 166) shown while there
// is something to scroll. Its selection changes post 0x465 to `parent`'s window.
ui::CListBoxEx* MakeSkinnedList(QWidget* parent, const QRect& rect, int controlId);

// Base of the four sub-pages: a child of the pop-up at the sub-page area showing its
// page's normal picture, hidden until the pop-up shows it.
class CSubPage : public ui::MessageWindow {
    Q_OBJECT

public:
    CSubPage(QWidget* parent, std::string_view layoutName, bool chinese);

    const layout::PageLayout& pageLayout() const { return *layout_; }
    QRect rectOf(std::string_view control) const;

protected:
    const PageSkins& skins() const { return skins_; }
    bool chineseLayout() const { return chinese_; }

private:
    const layout::PageLayout* layout_;
    bool chinese_;
    PageSkins skins_;
};

}  // namespace x5k::pages
