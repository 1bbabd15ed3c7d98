#include "ui/MenuExComponent.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <utility>

#include "platform/WindowMessages.h"
#include "ui/MessageWindow.h"
#include "ui/Skin.h"

namespace x5k::ui {
namespace {

constexpr int kBorder = 1;
constexpr int kTextPadding = 12;
constexpr int kSubmenuArrowSpace = 14;
constexpr int kMinWidth = 120;
// Measuring and eliding may disagree by a pixel or two where a fallback font draws part of
// a text, so a title that was measured to fit must not come out shortened.
constexpr int kTextSlack = 4;
// A game title longer than this is shortened with an ellipsis rather than widening the
// menu across the page.
constexpr int kMaxWidth = 320;
// The skin pictures' left and right ends stay unscaled up to this width, so rounded or
// bevelled ends keep their shape when a row is wider than the picture.
constexpr int kSkinCap = 8;

QPointer<MenuExWindow>& openMenu() {
    static QPointer<MenuExWindow> menu;
    return menu;
}

// Stretches the picture over the row, keeping its left and right ends unscaled.
void drawRowSkin(QPainter& painter, const QImage& skin, const QRect& row) {
    const int cap = std::min({kSkinCap, skin.width() / 3, row.width() / 3});
    const int sw = skin.width();
    const int sh = skin.height();
    painter.drawImage(QRect(row.left(), row.top(), cap, row.height()), skin, QRect(0, 0, cap, sh));
    painter.drawImage(QRect(row.left() + cap, row.top(), row.width() - 2 * cap, row.height()), skin,
                      QRect(cap, 0, sw - 2 * cap, sh));
    painter.drawImage(QRect(row.right() + 1 - cap, row.top(), cap, row.height()), skin,
                      QRect(sw - cap, 0, cap, sh));
}

}  // namespace

QColor colorFromColorref(COLORREF value) {
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

MenuExWindow::MenuExWindow(MessageWindow* owner, int itemHeight, std::array<QColor, 3> colours,
                           std::array<QImage, 8> skins, std::vector<Entry> entries)
    : QWidget(owner, Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint),
      owner_(owner),
      itemHeight_(std::max(1, itemHeight)),
      colours_(colours),
      skins_(std::move(skins)),
      entries_(std::move(entries)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setMouseTracking(true);
    setCursor(Qt::ArrowCursor);
    setFont(menuFont(12));

    const QFontMetrics metrics(font());
    int width = kMinWidth;
    for (const QImage& skin : skins_) width = std::max(width, skin.width() + 2 * kBorder);
    for (const Entry& entry : entries_) {
        const int wanted = metrics.horizontalAdvance(entry.text) + 2 * kTextPadding +
                           (entry.hasSubmenu ? kSubmenuArrowSpace : 0) + 2 * kBorder + kTextSlack;
        width = std::max(width, wanted);
    }
    width = std::min(width, kMaxWidth);

    int y = kBorder;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        layout_.entries.push_back({{kBorder, y, width - kBorder, y + itemHeight_}, false});
        y += itemHeight_;
    }
    layout_.width = width;
    layout_.height = y + kBorder;
    setFixedSize(layout_.width, layout_.height);
}

QRect MenuExWindow::entryRect(int index) const {
    if (index < 0 || index >= static_cast<int>(layout_.entries.size())) return {};
    return edges(layout_.entries[static_cast<std::size_t>(index)].rect);
}

int MenuExWindow::highlighted() const {
    const auto index = tracker_.highlighted();
    return index ? static_cast<int>(*index) : -1;
}

void MenuExWindow::setHighlighted(int index) {
    std::optional<std::size_t> entry;
    if (index >= 0) entry = static_cast<std::size_t>(index);
    if (tracker_.highlight(layout_, entry)) update();
}

void MenuExWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The frame in the highlight colour, so the menu stands out from a dark page.
    painter.fillRect(rect(), colours_[2]);
    const QFontMetrics metrics(font());
    const int current = highlighted();
    for (int i = 0; i < static_cast<int>(entries_.size()); ++i) {
        const Entry& entry = entries_[static_cast<std::size_t>(i)];
        const QRect row = entryRect(i);
        Skin state = Normal;
        if (i == current) state = tracker_.pressed() ? Pressed : Hover;
        const bool lit = state != Normal;
        const QImage& skin = skins_[(entry.hasSubmenu ? kSkinCount : 0) + state];
        if (!skin.isNull()) {
            drawRowSkin(painter, skin, row);
        } else {
            painter.fillRect(row, lit ? colours_[2] : colours_[1]);
        }
        const QColor text = lit ? colours_[1] : colours_[0];
        int textRight = row.right() + 1 - kTextPadding;
        if (entry.hasSubmenu) {
            textRight -= kSubmenuArrowSpace;
            const int cx = row.right() - kTextPadding;
            const int cy = row.center().y();
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(Qt::NoPen);
            painter.setBrush(text);
            painter.drawPolygon(
                QPolygon({QPoint(cx - 4, cy - 4), QPoint(cx, cy), QPoint(cx - 4, cy + 4)}));
            painter.setRenderHint(QPainter::Antialiasing, false);
        }
        const QRect textArea(row.left() + kTextPadding, row.top(),
                             textRight - row.left() - kTextPadding, row.height());
        painter.setPen(text);
        painter.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         metrics.elidedText(entry.text, Qt::ElideRight, textArea.width()));
    }
}

void MenuExWindow::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (tracker_.move(layout_, at.x(), at.y())) update();
}

void MenuExWindow::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (!rect().contains(at)) {
        // A click elsewhere closes the menu, as any pop-up window.
        QWidget::mousePressEvent(event);
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    tracker_.press(layout_, at.x(), at.y());
    // The pressed look shows even when the highlight did not move.
    update();
}

void MenuExWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint at = event->position().toPoint();
    const auto chosen = tracker_.release(layout_, at.x(), at.y());
    update();
    if (!chosen) return;
    const Entry& entry = entries_[*chosen];
    // An entry that heads a submenu is not a choice of its own.
    if (entry.hasSubmenu) return;
    const QPointer<MenuExWindow> self(this);
    if (owner_) owner_->send(msg::kMenuChoice, 0, entry.id);
    // The page closes the menu when it gets the choice; a menu whose owner did not still
    // closes, so a choice never leaves it open.
    if (self) close();
}

void MenuExWindow::leaveEvent(QEvent*) {
    if (tracker_.leave()) update();
}

MenuExWindow* CreateMenuEx(MessageWindow* owner, int itemHeight, QPoint position, COLORREF colour1,
                           COLORREF colour2, COLORREF colour3, const QString& normal,
                           const QString& hover, const QString& pressed, const QString& disabled,
                           const QString& normalWithSubmenu, const QString& hoverWithSubmenu,
                           const QString& pressedWithSubmenu, const QString& disabledWithSubmenu,
                           const controls::MenuItemRecord* items, int count) {
    DestroyMenuEx();
    const int usable =
        items ? std::clamp(count, 0, static_cast<int>(controls::kMenuItemCapacity)) : 0;
    std::vector<MenuExWindow::Entry> entries;
    for (int i = 0; i < usable; ++i) {
        const controls::MenuItemRecord& item = items[i];
        if (item.parentId() != controls::kMenuTopLevel) continue;
        MenuExWindow::Entry entry;
        entry.id = item.itemId();
        entry.text = QString::fromStdString(item.text());
        for (int j = 0; j < usable; ++j) {
            if (j != i && items[j].parentId() == entry.id) entry.hasSubmenu = true;
        }
        entries.push_back(std::move(entry));
    }
    if (entries.empty()) return nullptr;

    const std::array<QImage, 8> skins = {loadImage(normal),
                                         loadImage(hover),
                                         loadImage(pressed),
                                         loadImage(disabled),
                                         loadImage(normalWithSubmenu),
                                         loadImage(hoverWithSubmenu),
                                         loadImage(pressedWithSubmenu),
                                         loadImage(disabledWithSubmenu)};
    auto* menu = new MenuExWindow(
        owner, itemHeight,
        {colorFromColorref(colour1), colorFromColorref(colour2), colorFromColorref(colour3)}, skins,
        std::move(entries));
    menu->move(position);
    menu->show();
    openMenu() = menu;
    return menu;
}

void DestroyMenuEx() {
    const QPointer<MenuExWindow> menu = openMenu();
    openMenu() = nullptr;
    if (menu) menu->close();
}

MenuExWindow* OpenMenuEx() {
    // A menu closed by a click elsewhere or by a choice lingers until it is deleted.
    MenuExWindow* menu = openMenu().data();
    return menu && menu->isVisible() ? menu : nullptr;
}

}  // namespace x5k::ui
