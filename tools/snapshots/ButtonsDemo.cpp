// The bitmap buttons in every look on one dark panel: picture buttons (normal, hover,
// pressed, checked, disabled, and a caption too long for its button), slanted tabs, colour
// swatches and a text box over the page picture. The pictures are painted here, in the
// program's dark look with its steel-blue accent, so the demo needs no skin files.

#include <QCoreApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygon>

#include <array>
#include <memory>
#include <vector>

#include "Demos.h"
#include "ui/CBitmapEdit.h"
#include "ui/CColorBtn.h"
#include "ui/CGDIBitmapBtn.h"
#include "ui/CIrrButton.h"
#include "ui/MessageWindow.h"
#include "ui/Skin.h"

namespace {

using x5k::snapshots::Language;
using x5k::ui::edges;

const QSize kPanel(620, 312);
const QColor kAnthracite(0x2b, 0x2e, 0x33);
const QColor kSteelBlue(21, 140, 185);  // the menu accent, COLORREF 0xB98C15

enum class Face { Normal, Hover, Pressed, Disabled };

struct FaceColours {
    QColor top;
    QColor bottom;
    QColor edge;
};

FaceColours faceColours(Face face) {
    switch (face) {
        case Face::Hover:
            return {QColor(0x4a, 0x50, 0x59), QColor(0x36, 0x3a, 0x41), kSteelBlue};
        case Face::Pressed:
            return {kSteelBlue.lighter(125), kSteelBlue.darker(130), kSteelBlue.lighter(150)};
        case Face::Disabled:
            // Light enough for the fixed dark caption colour of a disabled button.
            return {QColor(0x5d, 0x61, 0x67), QColor(0x51, 0x55, 0x5b), QColor(0x66, 0x6a, 0x70)};
        case Face::Normal:
            break;
    }
    return {QColor(0x3c, 0x40, 0x47), QColor(0x2e, 0x31, 0x37), QColor(0x4a, 0x4f, 0x57)};
}

void paintFace(QPainter& painter, const QPainterPath& shape, Face face) {
    const FaceColours colours = faceColours(face);
    const QRectF box = shape.boundingRect();
    QLinearGradient gradient(box.topLeft(), box.bottomLeft());
    gradient.setColorAt(0, colours.top);
    gradient.setColorAt(1, colours.bottom);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(shape, gradient);
    painter.setPen(QPen(colours.edge, 1));
    painter.drawPath(shape.translated(0.5, 0.5));
    painter.restore();
}

QPainterPath roundedBox(const QRect& rect) {
    QPainterPath path;
    path.addRoundedRect(QRectF(rect).adjusted(0, 0, -1, -1), 3, 3);
    return path;
}

QPainterPath outlinePath(const QPolygon& outline) {
    QPainterPath path;
    path.addPolygon(QPolygonF(outline));
    path.closeSubpath();
    return path;
}

// One picture of the whole panel per look, as the pages' skins come: the same place in
// each holds the same control in another look.
struct PagePictures {
    std::array<QPixmap, 4> faces;  // indexed by Face
    const QPixmap& operator[](Face face) const { return faces[static_cast<int>(face)]; }
};

PagePictures paintPages(const std::vector<QRect>& buttons, const std::vector<QPolygon>& tabs) {
    PagePictures pages;
    for (int i = 0; i < 4; ++i) {
        QPixmap page(kPanel);
        page.fill(Qt::transparent);
        QPainter painter(&page);
        for (const QRect& rect : buttons) paintFace(painter, roundedBox(rect), Face(i));
        for (const QPolygon& tab : tabs) paintFace(painter, outlinePath(tab), Face(i));
        pages.faces[i] = page;
    }
    return pages;
}

QPixmap paintBackground(Language language, const QRect& editField) {
    const bool cn = language == Language::Chinese;
    QPixmap picture(kPanel);
    QPainter painter(&picture);
    QLinearGradient gradient(0, 0, 0, kPanel.height());
    gradient.setColorAt(0, kAnthracite.lighter(112));
    gradient.setColorAt(1, kAnthracite.darker(118));
    painter.fillRect(picture.rect(), gradient);
    painter.fillRect(QRect(0, 0, kPanel.width(), 2), kSteelBlue);

    painter.setFont(x5k::ui::dialogFont(12, 500));
    painter.setPen(QColor(0x8a, 0x90, 0x99));
    const char* heads[][2] = {{"Normal", "常态"},
                              {"Hover", "悬停"},
                              {"Pressed", "按下"},
                              {"Checked", "选中"},
                              {"Disabled", "禁用"}};
    for (int i = 0; i < 5; ++i) {
        painter.drawText(QRect(20 + i * 118, 14, 110, 16), Qt::AlignLeft,
                         QString::fromUtf8(heads[i][cn ? 1 : 0]));
    }
    painter.drawText(QRect(20, 150, 300, 16), Qt::AlignLeft,
                     cn ? QString::fromUtf8("页面标签") : QStringLiteral("Page tabs"));
    painter.drawText(QRect(20, 246, 300, 16), Qt::AlignLeft,
                     cn ? QString::fromUtf8("颜色") : QStringLiteral("Colours"));
    painter.drawText(QRect(330, 246, 260, 16), Qt::AlignLeft,
                     cn ? QString::fromUtf8("配置名称") : QStringLiteral("Profile name"));

    // The text box's field: a sunken strip of the page picture.
    painter.fillRect(editField, QColor(0x1f, 0x21, 0x25));
    painter.fillRect(QRect(editField.left(), editField.bottom(), editField.width(), 1), kSteelBlue);
    return picture;
}

std::unique_ptr<QWidget> makeButtonsDemo(Language language) {
    const bool cn = language == Language::Chinese;
    const auto text = [cn](const char* en, const char* zh) {
        return cn ? QString::fromUtf8(zh) : QString::fromUtf8(en);
    };

    std::vector<QRect> buttonRects;
    for (int row = 0; row < 2; ++row) {
        for (int i = 0; i < 5; ++i) {
            const int left = 20 + i * 118, top = 36 + row * 48;
            buttonRects.push_back(edges(left, top, left + 104, top + 30));
        }
    }
    // Slanted tabs side by side, each leaning into the next.
    std::vector<QPolygon> tabs;
    for (int i = 0; i < 4; ++i) {
        const int x = 19 + i * 112, y = 172;
        tabs.push_back(QPolygon({QPoint(i == 0 ? x : x - 32, y + 33), QPoint(x, y),
                                 QPoint(x + 108, y), QPoint(x + 76, y + 33)}));
    }
    tabs[0] = QPolygon({QPoint(19, 172), QPoint(127, 172), QPoint(95, 205), QPoint(19, 205)});
    const QRect editField = edges(330, 268, 590, 292);

    const PagePictures pages = paintPages(buttonRects, tabs);
    auto panel = std::make_unique<x5k::ui::MessageWindow>();
    panel->setFixedSize(kPanel);
    panel->setBackground(paintBackground(language, editField));

    // Picture buttons: one per look, a short caption in the first row and one that does
    // not fit in the second.
    const QString captions[2] = {text("Apply", "应用"),
                                 text("Restore defaults", "恢复默认设置并应用到鼠标")};
    for (int row = 0; row < 2; ++row) {
        for (int i = 0; i < 5; ++i) {
            const QRect rect = buttonRects[static_cast<size_t>(row * 5 + i)];
            auto* button = new x5k::ui::CGDIBitmapBtn(panel.get(), rect);
            button->SetImages(rect, pages[Face::Normal], pages[Face::Hover], pages[Face::Pressed],
                              pages[Face::Disabled]);
            button->SetCaption(captions[row]);
            switch (i) {
                case 1:
                    // The pointer cannot rest on a button in a rendered picture: the hover
                    // look is the hover picture with the hover caption colour.
                    button->ReplaceImages(x5k::ui::piece(pages[Face::Hover], rect), {}, {}, {});
                    button->SetCaptionColours(Qt::white, Qt::white, QColor(38, 29, 5));
                    break;
                case 2:
                    button->setDown(true);
                    break;
                case 3:
                    button->SetCheckMode(true, true);
                    button->SetChecked(true);
                    break;
                case 4:
                    button->setEnabled(false);
                    break;
                default:
                    break;
            }
        }
    }

    // Page tabs: the first is the current page, the second has the pointer over it, the
    // last is disabled.
    const char* tabNames[][2] = {
        {"Main", "主页"}, {"Lighting", "灯光"}, {"Macro", "宏"}, {"Statistics", "统计"}};
    for (int i = 0; i < 4; ++i) {
        auto* tab = new x5k::ui::CIrrButton(panel.get(), text(tabNames[i][0], tabNames[i][1]),
                                            tabs[static_cast<size_t>(i)]);
        tab->SetImages(pages[Face::Normal], pages[Face::Pressed], pages[Face::Hover],
                       pages[Face::Disabled]);
        tab->SetCheckMode(i != 3);
        if (i == 0) tab->SetChecked(true);
        if (i == 1) {
            QMouseEvent move(QEvent::MouseMove, QPointF(30, 16), QPointF(30, 16), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(tab, &move);
        }
        if (i == 3) tab->setEnabled(false);
    }

    // Swatches in the lighting page's manner: selected (steel blue, white), bordered (red,
    // black), pushed (green), plain (the rest).
    const uint32_t colours[] = {0x00B98C15, 0x000000FF, 0x0000FF00, 0x0000C8FF,
                                0x00FF00FF, 0x00FFFFFF, 0x001C1C1C};
    for (int i = 0; i < 7; ++i) {
        const int left = 20 + i * 40;
        auto* swatch = new x5k::ui::CColorBtn(panel.get(), edges(left, 270, left + 28, 290));
        swatch->SetColour(colours[i]);
        swatch->SetBorder(i == 1 || i == 6);
        swatch->SetSelected(i == 0 || i == 5);
        if (i == 2) swatch->setDown(true);
        swatch->SetTooltip(text("Steel blue", "钢蓝"), i == 0);
    }

    auto* edit = new x5k::ui::CBitmapEdit(panel.get(), editField.adjusted(6, 3, -6, -3), 14);
    edit->SetBackground(editField.left() + 6, editField.top() + 3, editField.width() - 12,
                        editField.height() - 6, panel->background().toImage());
    edit->setText(text("FPS profile – 1600 DPI", "射击游戏配置 – 1600 DPI"));
    edit->setCursorPosition(0);

    return panel;
}

}  // namespace

X5K_SNAPSHOT_DEMO("buttons", makeButtonsDemo);
