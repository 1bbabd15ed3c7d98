// The skinned lists and scroll bars on one dark panel: a macro event list with kind icons,
// a selected row and an enabled vertical bar; a short macro list with a row being renamed
// and a disabled bar; and loose bars in their normal, hover and pressed looks. The
// scroll-bar skin is the program's resource 166 when it is there, otherwise one painted
// here in the same cell layout; rows show their icons only when the icon files exist.

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>

#include <memory>

#include "Demos.h"
#include "ui/CListBoxEx.h"
#include "ui/CSkinScrollBar.h"
#include "ui/CSkinScrollWnd.h"
#include "ui/MessageWindow.h"
#include "ui/Skin.h"

namespace {

using x5k::controls::ScrollInfo;
using x5k::snapshots::Language;
using x5k::ui::CListBoxEx;
using x5k::ui::CSkinScrollBar;
using x5k::ui::CSkinScrollWnd;
using x5k::ui::edges;

const QSize kPanel(620, 300);
const QColor kAnthracite(0x2b, 0x2e, 0x33);
const QColor kListBackground(15, 15, 15);
const QColor kSteelBlue(21, 140, 185);
const QColor kRowText(200, 200, 205);
constexpr int kCell = 18;

// A stand-in for the skin bitmap: columns up, down, thumb, track of the vertical bar, then
// left, right, thumb, track of the horizontal one; rows normal, hover, pressed.
QImage paintedSkin() {
    QImage skin(163, 54, QImage::Format_ARGB32);
    skin.fill(Qt::black);
    QPainter painter(&skin);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor arrowFaces[] = {QColor(0x3c, 0x40, 0x47), QColor(0x4a, 0x50, 0x59),
                                 kSteelBlue.darker(120)};
    const QColor thumbFaces[] = {QColor(0x5a, 0x5f, 0x68), QColor(0x70, 0x76, 0x80), kSteelBlue};
    for (int state = 0; state < 3; ++state) {
        const int y = state * kCell;
        for (int bar = 0; bar < 2; ++bar) {
            const int x = bar * 4 * kCell;
            const QRect up(x, y, kCell, kCell), down(x + kCell, y, kCell, kCell);
            const QRect thumb(x + 2 * kCell, y, kCell, kCell),
                track(x + 3 * kCell, y, kCell, kCell);
            painter.fillRect(up, arrowFaces[state]);
            painter.fillRect(down, arrowFaces[state]);
            painter.fillRect(track, QColor(0x1e, 0x20, 0x24));
            painter.fillRect(thumb, QColor(0x1e, 0x20, 0x24));
            painter.fillRect(bar == 0 ? thumb.adjusted(3, 1, -3, -1) : thumb.adjusted(1, 3, -1, -3),
                             thumbFaces[state]);
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(0xc8, 0xc8, 0xcd));
            const QPoint c1 = up.center(), c2 = down.center();
            if (bar == 0) {
                painter.drawPolygon(
                    QPolygon({c1 + QPoint(0, -3), c1 + QPoint(-4, 3), c1 + QPoint(4, 3)}));
                painter.drawPolygon(
                    QPolygon({c2 + QPoint(0, 4), c2 + QPoint(-4, -2), c2 + QPoint(4, -2)}));
            } else {
                painter.drawPolygon(
                    QPolygon({c1 + QPoint(-3, 0), c1 + QPoint(3, -4), c1 + QPoint(3, 4)}));
                painter.drawPolygon(
                    QPolygon({c2 + QPoint(4, 0), c2 + QPoint(-2, -4), c2 + QPoint(-2, 4)}));
            }
        }
    }
    return skin;
}

QImage scrollSkin() {
    const QImage installed = x5k::ui::loadResourceImage(166);
    return installed.isNull() ? paintedSkin() : installed;
}

QPixmap panelPicture() {
    QPixmap picture(kPanel);
    picture.fill(kAnthracite);
    QPainter painter(&picture);
    painter.setFont(x5k::ui::dialogFont(13, 500));
    painter.setPen(QColor(0x9a, 0x9e, 0xa6));
    painter.drawText(edges(20, 12, 260, 32), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Event list (scrolls)"));
    painter.drawText(edges(280, 12, 470, 32), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Macro list (renaming, fits)"));
    painter.drawText(edges(490, 12, 610, 32), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Bars"));
    painter.setFont(x5k::ui::dialogFont(10, 400));
    const char* looks[] = {"normal", "hover", "pressed"};
    for (int i = 0; i < 3; ++i) {
        painter.drawText(edges(480 + i * 40, 246, 520 + i * 40, 262), Qt::AlignCenter,
                         QString::fromLatin1(looks[i]));
    }
    return picture;
}

CListBoxEx* darkList(QWidget* parent, const QRect& place, int id) {
    auto* list = new CListBoxEx(parent);
    list->setGeometry(place);
    list->setFrameShape(QFrame::Box);
    list->SetControlId(id);
    list->SetColours(kListBackground, kSteelBlue);
    list->SetTextColours(kRowText, Qt::white);
    list->SetItemHeight(18);
    return list;
}

void sendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

std::unique_ptr<QWidget> makeListsDemo(Language) {
    auto panel = std::make_unique<x5k::ui::MessageWindow>();
    panel->setFixedSize(kPanel);
    panel->setBackground(panelPicture());
    const QImage skin = scrollSkin();

    // The macro event list: releases, presses and delays, more than fit.
    CListBoxEx* events = darkList(panel.get(), edges(20, 40, 260, 280), 257);
    struct Row {
        int kind;
        const char* text;
    };
    const Row rows[] = {{3, "A"},           {4, "Delay 50ms"},  {2, "A"},
                        {4, "Delay 120ms"}, {3, "Left Shift"},  {3, "B"},
                        {4, "Delay 35ms"},  {2, "B"},           {2, "Left Shift"},
                        {1, "Loop"},        {0, "Plain row"},   {3, "Mouse Left"},
                        {4, "Delay 200ms"}, {2, "Mouse Left"},  {3, "Space"},
                        {2, "Space"},       {4, "Delay 1000ms"}};
    for (const Row& row : rows) {
        events->AddItem(row.kind, QString::fromLatin1(row.text), 0x41, false);
    }
    events->SetCurSel(2);
    events->scrollToItem(events->item(0));
    (new CSkinScrollWnd)->Attach(events, skin);

    // A short macro list with a name being typed and nothing to scroll.
    CListBoxEx* macros = darkList(panel.get(), edges(280, 40, 470, 160), 256);
    macros->SetEditingAllowed(true);
    macros->AddItem(0, QStringLiteral("Rapid fire"), 0x15000001u, false);
    macros->AddItem(0, QStringLiteral("Sniper burst"), 0x15000002u, false);
    macros->AddItem(0, QStringLiteral("A very long macro name that needs an ellipsis"), 0x15000003u,
                    false);
    macros->AddItem(0, QStringLiteral("New Macro"), 0x15000004u, true);
    (new CSkinScrollWnd)->Attach(macros, skin);

    // A short list without selection and without rename, disabled bar only.
    CListBoxEx* idle = darkList(panel.get(), edges(280, 180, 470, 280), 258);
    idle->AddItem(0, QStringLiteral("Battlefield 3"), 0, false);
    idle->SetCurSel(-1);
    (new CSkinScrollWnd)->Attach(idle, skin);

    // Loose bars: normal, hover over the thumb, pressed down arrow; and a horizontal one.
    const ScrollInfo info{0, 99, 30, 20};
    CSkinScrollBar* looks[3];
    for (int i = 0; i < 3; ++i) {
        looks[i] = new CSkinScrollBar(Qt::Vertical, panel.get());
        looks[i]->SetSkin(skin);
        looks[i]->setGeometry(491 + i * 40, 40, kCell, 200);
        looks[i]->SetScrollInfo(info);
    }
    const QPoint thumb = looks[1]->partRect(x5k::controls::ScrollPart::Thumb).center();
    sendMouse(looks[1], QEvent::MouseMove, thumb, Qt::NoButton);
    sendMouse(looks[2], QEvent::MouseButtonPress, QPoint(kCell / 2, 200 - kCell / 2),
              Qt::LeftButton);
    auto* horizontal = new CSkinScrollBar(Qt::Horizontal, panel.get());
    horizontal->SetSkin(skin);
    horizontal->setGeometry(480, 270, 120, kCell);
    horizontal->SetScrollInfo(ScrollInfo{0, 9, 4, 6});
    return panel;
}

X5K_SNAPSHOT_DEMO("lists", makeListsDemo);

}  // namespace
