// The pictures of the shared windows and controls that do not depend on a page's layout:
// the language menu's background, the skinned scroll bars, the message box, the progress
// dialog, the slider thumb and the group menu's entry skins.

#include <QPainter>
#include <QPainterPath>

#include <array>
#include <string>

#include "Pictures.h"
#include "Style.h"
#include "ui/Skin.h"

namespace {

using namespace x5k::painter;
using namespace x5k::painter::style;
using x5k::ui::edges;

constexpr std::array<State, 3> kShownStates{State::Normal, State::Hover, State::Pressed};

// --- Language menu -------------------------------------------------------------------
// The menu writes its entries in near-black and highlights one in blue, so the entries sit
// on a light card; the card is set in a dark bezel with the accent rim, matching the
// window it drops from. The corners are transparent (the menu is a layered window).
QImage languageMenu() {
    QImage image = canvas({116, 273}, true);
    QPainter p(&image);
    prepare(p);
    const QRectF outer(0, 0, 116, 273);
    gradient(p, outer, kAccent, kAccentDeep, 6);
    gradient(p, outer.adjusted(1, 1, -1, -1), QColor(44, 48, 54), QColor(26, 29, 33), 5);
    // The entries span 6..110 horizontally; the card leaves three pixels of light round
    // them and a little more below the last one.
    const QRect entries(3, 3, 110, 269);
    gradient(p, QRectF(entries), QColor(14, 16, 18), QColor(14, 16, 18), 3);
    gradient(p, QRectF(entries).adjusted(1, 1, -1, -1), kCardTop, kCardBottom, 2);
    hline(p, entries.left() + 3, entries.right() - 3, entries.top() + 1, QColor(255, 255, 255));
    return image;
}

// --- Scroll bars ---------------------------------------------------------------------
// One skin of 9 columns of square cells, rows normal / hover / pressed. The bars stretch
// the thumb and track cells along the bar, so those cells change only across the bar.
constexpr int kScrollCell = 18;

enum class Cell { UpArrow, DownArrow, VThumb, VTrack, LeftArrow, RightArrow, HThumb, HTrack };

void track(QPainter& p, const QRect& cell, bool vertical, State state) {
    const QColor fill = state == State::Pressed ? QColor(22, 44, 56)
                        : state == State::Hover ? QColor(30, 34, 39)
                                                : QColor(24, 27, 31);
    p.fillRect(cell, fill);
    // The groove: darker lines along both long edges and a faint centre line.
    const QColor edge(12, 13, 15);
    if (vertical) {
        vline(p, cell.left(), cell.top(), cell.bottom(), edge);
        vline(p, cell.right(), cell.top(), cell.bottom(), QColor(40, 44, 50));
    } else {
        hline(p, cell.left(), cell.right(), cell.top(), edge);
        hline(p, cell.left(), cell.right(), cell.bottom(), QColor(40, 44, 50));
    }
}

void thumb(QPainter& p, const QRect& cell, bool vertical, State state) {
    track(p, cell, vertical, State::Normal);
    const QRect bar = vertical ? cell.adjusted(4, 0, -4, 0) : cell.adjusted(0, 4, 0, -4);
    const auto& [light, dark] = state == State::Pressed ? std::pair{kAccentDeep, kAccent}
                                : state == State::Hover
                                    ? std::pair{kAccentHover, kAccent}
                                    : std::pair{QColor(98, 106, 116), QColor(62, 68, 76)};
    QLinearGradient across = vertical ? QLinearGradient(bar.left(), 0, bar.right() + 1, 0)
                                      : QLinearGradient(0, bar.top(), 0, bar.bottom() + 1);
    across.setColorAt(0, light);
    across.setColorAt(1, dark);
    p.fillRect(bar, across);
    const QColor rim(8, 9, 11);
    if (vertical) {
        vline(p, bar.left(), bar.top(), bar.bottom(), rim);
        vline(p, bar.right(), bar.top(), bar.bottom(), rim);
        vline(p, bar.left() + 1, bar.top(), bar.bottom(), QColor(255, 255, 255, 50));
    } else {
        hline(p, bar.left(), bar.right(), bar.top(), rim);
        hline(p, bar.left(), bar.right(), bar.bottom(), rim);
        hline(p, bar.left(), bar.right(), bar.top() + 1, QColor(255, 255, 255, 50));
    }
}

void arrowButton(QPainter& p, const QRect& cell, bool vertical, Direction direction, State state) {
    track(p, cell, vertical, State::Normal);
    paintFace(p, QRectF(cell.adjusted(1, 1, -1, -1)), state, Shape::Rounded);
    arrowGlyph(p, QRectF(cell), direction, glyphColour(state));
}

QImage scrollBarSkin() {
    QImage image = canvas({163, 54}, true);
    QPainter p(&image);
    prepare(p);
    for (int row = 0; row < 3; ++row) {
        const State state = kShownStates[static_cast<size_t>(row)];
        const auto cellAt = [&](Cell c) {
            return QRect(static_cast<int>(c) * kScrollCell, row * kScrollCell, kScrollCell,
                         kScrollCell);
        };
        arrowButton(p, cellAt(Cell::UpArrow), true, Direction::Up, state);
        arrowButton(p, cellAt(Cell::DownArrow), true, Direction::Down, state);
        thumb(p, cellAt(Cell::VThumb), true, state);
        track(p, cellAt(Cell::VTrack), true, state);
        arrowButton(p, cellAt(Cell::LeftArrow), false, Direction::Left, state);
        arrowButton(p, cellAt(Cell::RightArrow), false, Direction::Right, state);
        thumb(p, cellAt(Cell::HThumb), false, state);
        track(p, cellAt(Cell::HTrack), false, state);
    }
    return image;
}

// --- Message box ---------------------------------------------------------------------
// The window draws its title, its message and its button captions itself in RGB(83,97,103)
// (white on hovered and pressed buttons), so the box is a light card in a dark rim: dark
// text stays readable and the accent plates carry the white captions.
constexpr int kBoxTitleHeight = 30;
constexpr QRect kBoxClose = edges(300, 0, 329, 29);
constexpr QRect kBoxOkWithCancel = edges(178, 127, 244, 159);
constexpr QRect kBoxCancel = edges(245, 127, 311, 159);
constexpr QRect kBoxOkAlone = edges(240, 127, 306, 159);
constexpr int kBoxButtonBarTop = 119;
constexpr int kBoxBandWidth = 80;

void infoGlyph(QPainter& p, QPointF centre) {
    glow(p, centre, 34, kAccent, 70);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(kAccentDeep, 1));
    QLinearGradient fill(centre.x(), centre.y() - 20, centre.x(), centre.y() + 20);
    fill.setColorAt(0, kAccentHover);
    fill.setColorAt(1, kAccentDeep);
    p.setBrush(fill);
    p.drawEllipse(centre, 20, 20);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(centre.x(), centre.y() - 9), 2.8, 2.8);
    p.drawRoundedRect(QRectF(centre.x() - 2.5, centre.y() - 3, 5, 15), 1.5, 1.5);
    p.restore();
}

// A button plate inside its layout rectangle, centred where the window centres the caption.
void boxButton(QPainter& p, const QRect& rect, State state) {
    paintFace(p, QRectF(rect.adjusted(2, 3, -2, -3)), state, Shape::Rounded, Tone::Light);
}

void closeButton(QPainter& p, State state) {
    const QRect inner = kBoxClose.adjusted(1, 1, 0, 0);
    if (state != State::Normal) {
        gradient(p, inner, state == State::Hover ? kAccentHover : kAccentDeep,
                 state == State::Hover ? kAccent : QColor(16, 96, 128));
    }
    crossGlyph(p, QRectF(inner).adjusted(9, 9, -9, -9),
               state == State::Normal ? kCardText : QColor(255, 255, 255), 1.8);
}

QImage messageBox(bool withCancel, State state) {
    QImage image = canvas({330, 160}, false, kEdgeDark);
    QPainter p(&image);
    prepare(p);
    const QRect all(0, 0, 330, 160);
    frame(p, all, QColor(20, 23, 26));
    // Title strip, then the accent line, then the card with its button bar.
    const QRect title(1, 1, 328, kBoxTitleHeight - 1);
    gradient(p, title, QColor(222, 228, 231), QColor(200, 208, 213));
    hline(p, title.left(), title.right(), title.top(), QColor(255, 255, 255));
    hline(p, 1, 328, kBoxTitleHeight, kAccent);
    hline(p, 1, 328, kBoxTitleHeight + 1, QColor(120, 190, 220));
    const QRect body(1, kBoxTitleHeight + 2, 328, 158 - kBoxTitleHeight - 1);
    gradient(p, body, kCardTop, kCardBottom);
    const QRect bar(1, kBoxButtonBarTop, 328, 159 - kBoxButtonBarTop);
    gradient(p, bar, QColor(222, 228, 231), QColor(208, 215, 219));
    hline(p, 1, 328, kBoxButtonBarTop - 1, QColor(190, 199, 204));
    hline(p, 1, 328, kBoxButtonBarTop, QColor(248, 250, 251));
    // The dark side band ties the box to the program's dark windows; the info glyph glows
    // on it, clear of the message, which starts at x = 90.
    const QRect band(1, kBoxTitleHeight + 2, kBoxBandWidth, 158 - kBoxTitleHeight - 1);
    gradient(p, band, kPanelTop, kPanelBottom);
    vline(p, band.right(), band.top(), band.bottom(), kEdgeDark);
    vline(p, band.right() + 1, band.top(), band.bottom(), QColor(190, 199, 204));
    infoGlyph(p, QPointF(41, 84));

    closeButton(p, state);
    if (withCancel) {
        boxButton(p, kBoxOkWithCancel, state);
        boxButton(p, kBoxCancel, state);
    } else {
        boxButton(p, kBoxOkAlone, state);
    }
    p.end();
    return opaque(image);
}

// --- Progress dialog -----------------------------------------------------------------
constexpr QRect kProgressBar = edges(35, 47, 295, 56);

void progressBackground(QPainter& p) {
    const QRect all(0, 0, 330, 80);
    p.fillRect(all, kEdgeDark);
    gradient(p, all.adjusted(1, 1, -1, -1), QColor(40, 44, 50), QColor(24, 27, 31));
    hline(p, 1, 328, 1, kAccent);
    hline(p, 1, 328, 2, QColor(21, 140, 185, 60));
    glow(p, QPointF(60, 4), 120, QColor(120, 170, 200), 18);
    // The trough is sunk into the panel with a one-pixel lip around the bar.
    plate(p, kProgressBar.adjusted(-1, -1, 1, 1), Relief::Engraved);
}

QImage progressNormal() {
    QImage image = canvas({330, 80}, false);
    QPainter p(&image);
    prepare(p);
    progressBackground(p);
    return image;
}

QImage progressOver() {
    QImage image = canvas({330, 80}, false);
    QPainter p(&image);
    prepare(p);
    progressBackground(p);
    accentBar(p, kProgressBar);
    return image;
}

// --- Slider thumb --------------------------------------------------------------------
// The thumb window keeps every pixel whose colour differs from pixel (0, 0): the corners
// carry the key colour and the thumb itself is drawn pixel by pixel without blending, so
// no edge pixel can come close to the key and show as a pink fringe.
const QColor kThumbKey{255, 0, 255};
constexpr std::array<const char*, 12> kThumbShape{
    "..######..", ".########.", "##########", "##########", "##########", "##########",
    "##########", "##########", "##########", "##########", ".########.", "..######.."};

QImage sliderThumb() {
    const int w = 10, h = static_cast<int>(kThumbShape.size());
    QImage image = canvas({w, h}, false, kThumbKey);
    const auto inside = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < w && y < h && kThumbShape[static_cast<size_t>(y)][x] == '#';
    };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (!inside(x, y)) continue;
            const bool rim =
                !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
            QColor c;
            if (rim) {
                c = QColor(10, 12, 14);
            } else if ((x == 4 || x == 5) && y >= 3 && y <= 8) {
                c = x == 4 ? kAccentHover : kAccent;  // the grip
            } else {
                // Light steel, lit from above.
                const int shade = 236 - (y - 1) * 9;
                c = QColor(shade - 14, shade - 6, shade);
            }
            image.setPixelColor(x, y, c);
        }
    }
    return image;
}

// --- Group menu entries --------------------------------------------------------------
// The menu writes its texts in RGB(83,97,103) on normal entries and in white on hovered
// and pressed ones, and stretches the middle of each skin: the skins change only from top
// to bottom except for the submenu arrow near the right end.
constexpr QSize kMenuEntry{160, 24};

QImage menuEntry(const std::string& path, State state, bool submenu) {
    QImage image = canvasFor(path, kMenuEntry);
    QPainter p(&image);
    prepare(p);
    const QRect r(QPoint(0, 0), kMenuEntry);
    if (state == State::Normal) {
        gradient(p, r, kCardTop, kCardBottom);
        hline(p, 0, r.right(), r.bottom(), QColor(208, 215, 219));
    } else {
        const bool hover = state == State::Hover;
        // The hover tint stays dark enough for the menu's white text.
        gradient(p, r, hover ? QColor(30, 150, 196) : kAccentDeep,
                 hover ? QColor(17, 112, 150) : QColor(16, 104, 138));
        hline(p, 0, r.right(), 0, hover ? QColor(150, 218, 244) : QColor(6, 50, 70));
        hline(p, 0, r.right(), r.bottom(), hover ? kAccentDeep : QColor(24, 120, 158));
        // A bright marker at the left edge shows the entry under the pointer.
        p.fillRect(QRect(0, 0, 3, r.height()), QColor(255, 255, 255, hover ? 200 : 120));
    }
    if (submenu) {
        arrowGlyph(p, QRectF(r.right() - 16, 0, 12, r.height()), Direction::Right,
                   state == State::Normal ? kCardText : QColor(255, 255, 255));
    }
    return image;
}

void addSmallPictures(PictureList& pictures) {
    pictures.push_back({"res/129.png", languageMenu});
    pictures.push_back({"res/166.png", scrollBarSkin});

    struct BoxPicture {
        int id;
        bool withCancel;
        State state;
    };
    for (const BoxPicture& box :
         {BoxPicture{1006, true, State::Normal}, BoxPicture{1008, true, State::Hover},
          BoxPicture{1004, true, State::Pressed}, BoxPicture{1007, false, State::Normal},
          BoxPicture{1009, false, State::Hover}, BoxPicture{1005, false, State::Pressed}}) {
        pictures.push_back({"res/" + std::to_string(box.id) + ".png",
                            [box] { return messageBox(box.withCancel, box.state); }});
    }

    pictures.push_back({"skins/ProgressBar/Progress_Normal.png", progressNormal});
    pictures.push_back({"skins/ProgressBar/Progress_Over.png", progressOver});
    pictures.push_back({"skins/Slider.png", sliderThumb});

    struct MenuSkin {
        const char* name;
        State state;
        bool submenu;
    };
    for (const MenuSkin& skin : {MenuSkin{"MenuNorL.BMP", State::Normal, false},
                                 MenuSkin{"MenuOverL.BMP", State::Hover, false},
                                 MenuSkin{"MenuDownL.BMP", State::Pressed, false},
                                 MenuSkin{"MenuNorHaveSub.BMP", State::Normal, true},
                                 MenuSkin{"MenuOverHaveSub.BMP", State::Hover, true},
                                 MenuSkin{"MenuDownHaveSub.BMP", State::Pressed, true}}) {
        const std::string path = std::string("skins/Menu/") + skin.name;
        pictures.push_back(
            {path, [path, skin] { return menuEntry(path, skin.state, skin.submenu); }});
    }
}

X5K_PICTURES(addSmallPictures);

}  // namespace
