#include "pages/assign/CSubPage.h"

#include <QImage>
#include <QPainter>

#include "ui/CGDIBitmapBtn.h"
#include "ui/CListBoxEx.h"
#include "ui/CSkinScrollWnd.h"
#include "ui/Skin.h"

namespace x5k::pages {
namespace {

constexpr int kTextPixels = 14;
constexpr int kTextWeight = 300;

// The macro manager's list look.
constexpr int kRowHeight = 18;
constexpr uint32_t kListBackground = 0x000000;
constexpr uint32_t kRowText = 0x676153;
constexpr uint32_t kSelectedRowText = 0xB98C15;
constexpr uint32_t kSelectedRow = 0x141414;
constexpr int kScrollSkin = 166;

QPixmap LoadPagePicture(std::string_view file) {
    if (file.empty()) return {};
    return ui::loadPicture(ui::programFolder() + QLatin1Char('/') + ui::fromUtf8(file));
}

// The scroll-bar skin, read once for all the lists of the program's run.
const QImage& ScrollSkin() {
    static const QImage skin = ui::loadResourceImage(kScrollSkin);
    return skin;
}

}  // namespace

PageSkins PageSkins::load(const layout::PageLayout& page) {
    return {LoadPagePicture(page.normal), LoadPagePicture(page.over), LoadPagePicture(page.down)};
}

ui::CGDIBitmapBtn* PageSkins::button(QWidget* parent, const QRect& rect) const {
    auto* button = new ui::CGDIBitmapBtn(parent, rect);
    button->SetImages(rect, normal, over, down, normal);
    return button;
}

QRect ControlRect(const layout::PageLayout& page, std::string_view control, bool chinese) {
    const layout::Control* found = layout::findControl(page, control);
    return found ? ui::edges(found->rectFor(chinese)) : QRect();
}

QColor ColourOf(uint32_t colorref) {
    return QColor(static_cast<int>(colorref & 0xFF), static_cast<int>((colorref >> 8) & 0xFF),
                  static_cast<int>((colorref >> 16) & 0xFF));
}

void DrawPaintedText(QPainter& painter, const QRect& area, const QString& text,
                     assign::TextAlign align, uint32_t colorref) {
    painter.save();
    painter.setFont(ui::dialogFont(kTextPixels, kTextWeight));
    painter.setPen(ColourOf(colorref));
    const QString shown =
        painter.fontMetrics().elidedText(text, Qt::ElideRight, area.width(), Qt::TextSingleLine);
    const Qt::Alignment horizontal =
        align == assign::TextAlign::Centre ? Qt::AlignHCenter : Qt::AlignLeft;
    painter.drawText(area, horizontal | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    painter.restore();
}

ui::CListBoxEx* MakeSkinnedList(QWidget* parent, const QRect& rect, int controlId) {
    auto* list = new ui::CListBoxEx(parent);
    list->setGeometry(rect);
    list->SetControlId(controlId);
    list->SetItemHeight(kRowHeight);
    list->SetColours(ColourOf(kListBackground), ColourOf(kSelectedRow));
    list->SetTextColours(ColourOf(kRowText), ColourOf(kSelectedRowText));
    list->setFrameShape(QFrame::NoFrame);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The frame takes the list's place and parent; the list's notifications still reach
    // the page, the nearest window above it.
    auto* frame = new ui::CSkinScrollWnd;
    frame->Attach(list, ScrollSkin());
    return list;
}

CSubPage::CSubPage(QWidget* parent, std::string_view layoutName, bool chinese)
    : MessageWindow(parent),
      layout_(layout::findPage(layoutName)),
      chinese_(chinese),
      skins_(PageSkins::load(*layout_)) {
    setFixedSize(layout_->width, layout_->height);
    setBackground(skins_.normal);
    hide();
}

QRect CSubPage::rectOf(std::string_view control) const {
    return ControlRect(*layout_, control, chinese_);
}

}  // namespace x5k::pages
