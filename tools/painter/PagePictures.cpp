// The pictures of the pages: for every page of the layout tables its normal, over and down
// skin pictures, drawn from the same rectangles the windows use, the main window's region
// button pictures (res/154..159), the settings page's tab and wheel-radio pictures
// (res/160..165), and the macro and lighting pages' pictures of each layout (res/167..172,
// res/173..178).
//
// A window shows pieces of the three pictures at its controls' rectangles, so everything
// but the controls is painted identically in all three and a piece cut from any of them
// blends into the page.

#include <QLinearGradient>
#include <QPainterPath>

#include <cmath>
#include <functional>
#include <map>
#include <string>

#include "PageKit.h"
#include "Pictures.h"
#include "Style.h"
#include "layout/Layout.h"

namespace {

using namespace x5k::painter;
using namespace x5k::painter::style;
using namespace x5k::painter::pages;
namespace L = x5k::layout;

QRect rectOf(const L::PageLayout& page, std::string_view name, bool chinese = false) {
    const L::Control* control = L::findControl(page, name);
    return control ? toQRect(control->rectFor(chinese)) : QRect();
}

// ---- What sits on the faces ------------------------------------------------------------

bool isRadio(std::string_view page, std::string_view name) {
    if (page == "settings") return name.starts_with("rate") || name == "lines" || name == "screen";
    if (page == "advanced") return true;
    if (page == "lighting") return true;
    if (page == "macros") return name == "keySelector" || name == "delaySelector";
    return false;
}

// The glyph a control without a caption carries, where it has one.
bool glyphFor(std::string_view page, std::string_view name, Glyph& out) {
    static const std::map<std::string, Glyph> kGlyphs{
        {"settings/lines", Glyph::Lines},
        {"settings/screen", Glyph::Screen},
        {"settings/precision", Glyph::Target},
        {"macros/newMacro", Glyph::Plus},
        {"macros/deleteMacro", Glyph::Minus},
        {"macros/insert", Glyph::Plus},
        {"macros/deleteEvent", Glyph::Minus},
        {"macros/modify", Glyph::Pencil},
        {"macros/noDelays", Glyph::Clock},
        {"macros/keySelector", Glyph::Keyboard},
        {"macros/delaySelector", Glyph::Clock},
        {"macros/keyOk", Glyph::Check},
        {"macros/delayOk", Glyph::Check},
        {"lighting/mode4", Glyph::Spectrum},
        {"lighting/mode3", Glyph::Wave},
        {"lighting/off", Glyph::Power},
        {"lighting/mode2", Glyph::Wave},
        {"lighting/mode1", Glyph::Lamp},
        {"lighting/ledOn", Glyph::Lamp},
        {"lighting/ledOff", Glyph::Power},
        {"statistics/reset", Glyph::Reset},
        {"support/update", Glyph::Download},
        {"support/web", Glyph::Globe},
        {"support/import", Glyph::Import},
        {"support/export", Glyph::Export},
        {"support/defaults", Glyph::Reset},
        {"support/programVersion", Glyph::Monitor},
        {"support/firmwareVersion", Glyph::Chip},
        {"advanced/sound.browse", Glyph::Folder},
        {"advanced/program.browse", Glyph::Folder},
        {"advanced/file.browse", Glyph::Folder},
        {"advanced/folder.browse", Glyph::Folder},
    };
    const auto it = kGlyphs.find(std::string(page) + "/" + std::string(name));
    if (it == kGlyphs.end()) return false;
    out = it->second;
    return true;
}

// Buttons whose windows write a caption over the face: they stay plain.
bool hasCaption(std::string_view page, std::string_view name) {
    return (page == "popup" && (name == "default" || name == "ok")) ||
           (page == "macros" && (name == "group" || name == "record")) ||
           (page == "advanced" && name.ends_with(".browse"));
}

constexpr int kDpiValues[] = {500, 750, 1000, 1250, 1500, 1750, 2000, 3000};

QColor labelColour(State state) {
    switch (state) {
        case State::Hover:
            return QColor(255, 255, 255);
        case State::Pressed:
            return kAccentHover;
        default:
            return QColor(170, 178, 186);
    }
}

void checkControl(QPainter& p, std::string_view page, const L::Control& c, const QRect& r,
                  State state) {
    if (state == State::Hover) hoverWash(p, r);
    const int side = std::min(r.height() - 2, 13);
    const QRect box(r.left() + 1, r.top() + (r.height() - side) / 2, side, side);
    checkBox(p, box, state, isRadio(page, c.name));
    const QRect label(box.right() + 5, r.top(), r.right() - box.right() - 5, r.height());
    if (label.width() < 8) return;
    if (page == "settings" && c.name.starts_with("dpi")) {
        const int i = c.name.back() - '0';
        digits(p, label, QString::number(kDpiValues[i]), labelColour(state),
               Qt::AlignLeft | Qt::AlignVCenter);
    } else if (page == "settings" && c.name.starts_with("rate")) {
        digits(p, label, QString::fromLatin1(c.name.substr(4).data(), c.name.size() - 4),
               labelColour(state), Qt::AlignLeft | Qt::AlignVCenter);
    } else if (Glyph g; glyphFor(page, c.name, g)) {
        const int s = std::min(label.height() + 2, 18);
        glyph(p,
              QRectF(label.left(), r.center().y() - s / 2.0 + 0.5,
                     s * (g == Glyph::Spectrum ? 2 : 1), s),
              g, labelColour(state));
    }
}

void buttonControl(QPainter& p, std::string_view page, const L::Control& c, const QRect& r,
                   State state) {
    // The pop-up's buttons and the group button carry captions in the light-face colours.
    const bool light = page == "macros" && c.name == "group";
    buttonFace(p, r, state, light ? Tone::Light : Tone::Dark);
    if (hasCaption(page, c.name)) {
        if (page == "macros" && c.name == "record") {
            // The recording lamp in front of the caption.
            p.save();
            p.setRenderHint(QPainter::Antialiasing, true);
            p.setPen(Qt::NoPen);
            p.setBrush(state == State::Pressed ? QColor(150, 20, 20) : QColor(214, 52, 52));
            p.drawEllipse(QRectF(r.left() + 8, r.center().y() - 4, 9, 9));
            p.restore();
        }
        if (light)
            arrowGlyph(p, QRectF(r.right() - 20, r.top(), 16, r.height()), Direction::Down,
                       glyphColour(state, Tone::Light));
        return;
    }
    const QColor ink = state == State::Pressed ? QColor(20, 40, 52) : glyphColour(state);
    if (Glyph g; glyphFor(page, c.name, g)) {
        const int s = std::min(r.height() - 8, 22);
        if (r.width() > 3 * r.height() && (page == "support")) {
            // Wide plates: the glyph sits at the left, a faint rule fills the rest.
            glyph(p, QRectF(r.left() + 10, r.center().y() - s / 2.0 + 0.5, s, s), g, ink);
        } else {
            glyph(p, QRectF(r.center().x() - s / 2.0 + 0.5, r.center().y() - s / 2.0 + 0.5, s, s),
                  g, ink);
        }
        return;
    }
    if (c.name == "minimise") {
        p.fillRect(QRect(r.center().x() - 6, r.center().y() + 3, 12, 2), ink);
    } else if (c.name == "hide" || c.name == "close") {
        crossGlyph(p, QRectF(r.center().x() - 6, r.center().y() - 6, 12, 12), ink, 2);
    } else if (c.name == "language") {
        arrowGlyph(p, QRectF(r), Direction::Up, ink);
    } else if (c.name.ends_with(".up")) {
        arrowGlyph(p, QRectF(r), Direction::Up, ink);
    } else if (c.name.ends_with(".down")) {
        arrowGlyph(p, QRectF(r), Direction::Down, ink);
    } else if (c.name.ends_with("Pad")) {
        glyph(p, QRectF(r).adjusted(3, 3, -3, -3), Glyph::Mouse, ink);
    }
}

// One control of a page in one look at one place.
void drawControl(QPainter& p, const L::PageLayout& page, const L::Control& c, const QRect& r,
                 State state) {
    switch (c.look) {
        case L::Look::Button:
            buttonControl(p, page.name, c, r, state);
            break;
        case L::Look::CheckButton:
            if (page.name == "keys" || page.name == "popup") {
                checkBox(p, r, state, false);
            } else {
                checkControl(p, page.name, c, r, state);
            }
            break;
        case L::Look::Tab:
            paintFace(p, QRectF(r), state, Shape::Square, Tone::Light);
            break;
        case L::Look::Indicator:
            if (page.name == "statistics" && c.name == "levelBar") {
                // The bar is re-cut at (631, 62)..(904, 77) after every refresh.
                const QRect bar(631, 62, 273, 15);
                if (state == State::Normal) {
                    well(p, bar.adjusted(-1, -1, 1, 1));
                } else {
                    accentBar(p, bar);
                }
            } else if (page.name == "statistics") {
                // A trophy cell: a dim cup until the level is reached, a lit one after.
                const QRect cell = r.adjusted(1, 1, -1, -1);
                gradient(p, QRectF(cell),
                         state == State::Normal ? QColor(28, 31, 35) : QColor(28, 60, 76),
                         QColor(20, 22, 25), 4);
                if (state != State::Normal) glow(p, QPointF(cell.center()), 26, kAccent, 120);
                glyph(p, QRectF(cell).adjusted(5, 7, -5, -7), Glyph::Cup,
                      state == State::Normal ? QColor(70, 76, 84) : QColor(240, 200, 90));
            } else {
                lamp(p, QRectF(r), state != State::Normal, state == State::Hover);
            }
            break;
        default:
            break;
    }
}

// ---- Backgrounds -----------------------------------------------------------------------

void settingsBackground(QPainter& p, const L::PageLayout& page) {
    pageBody(p, page.bounds().right == 0 ? QRect() : QRect(0, 0, page.width, page.height));
    section(p, QRect(14, 16, 672, 84), rectOf(page, "section.dpi"));
    section(p, QRect(14, 118, 340, 122), rectOf(page, "section.speed"));
    section(p, QRect(360, 118, 326, 122), rectOf(page, "section.sensor"));
    section(p, QRect(14, 252, 340, 96), rectOf(page, "section.rate"));
    section(p, QRect(360, 252, 326, 148), rectOf(page, "section.scroll"));
    section(p, QRect(14, 360, 340, 40), rectOf(page, "section.buttons"));
    // The tab rail under the seven button tabs.
    p.fillRect(QRect(14, 404, 686, 42), kEdgeDark);
    gradient(p, QRect(15, 405, 684, 40), QColor(20, 22, 26), QColor(28, 31, 35));
    // Slider tracks: the sliders cut their grounds from the pressed tab picture, but the
    // track reads the same here so the page looks finished before they are created.
    for (const char* name : {"speed", "height"}) track(p, rectOf(page, name));
    // The lines box and its step buttons stand at other places in the two layouts: their
    // grounds and faces are in the layouts' own resources.
    // The mouse with its button lamps.
    section(p, QRect(694, 16, 218, 430), QRect());
    glow(p, QPointF(805, 210), 120, kAccent, 30);
    mouseFigure(p, QRectF(742, 110, 128, 210));
}

void popupBackground(QPainter& p, const L::PageLayout& page) {
    const QRect all(0, 0, page.width, page.height);
    p.fillRect(all, kEdgeDark);
    gradient(p, all.adjusted(1, 1, -1, -1), QColor(38, 42, 47), QColor(24, 26, 30));
    // The title reads in dark grey, so it sits on a light card strip.
    card(p, QRect(1, 1, page.width - 2, 21));
    accentLine(p, 1, page.width - 2, 22);
    // The tab row and the sub-page area.
    p.fillRect(QRect(0, 64, page.width, 1), kAccent);
    well(p, rectOf(page, "subpage").adjusted(-2, -2, 2, 2));
    hline(p, 10, page.width - 11, 249, QColor(255, 255, 255, 20));
}

void keyCap(QPainter& p, const QRect& r, int which) {
    plate(p, r, Relief::Raised, 3);
    const QColor ink = kGlyphLight;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF c = QRectF(r).center();
    switch (which) {
        case 0:  // control: a caret
            p.drawPolyline(QPolygonF()
                           << c + QPointF(-5, 3) << c + QPointF(0, -3) << c + QPointF(5, 3));
            break;
        case 1:  // option
            p.drawPolyline(QPolygonF() << c + QPointF(-7, -3) << c + QPointF(-3, -3)
                                       << c + QPointF(2, 4) << c + QPointF(7, 4));
            p.drawLine(c + QPointF(2, -3), c + QPointF(7, -3));
            break;
        case 2:  // shift: a hollow arrow
            p.drawPolygon(QPolygonF()
                          << c + QPointF(0, -6) << c + QPointF(6, 0) << c + QPointF(3, 0)
                          << c + QPointF(3, 5) << c + QPointF(-3, 5) << c + QPointF(-3, 0)
                          << c + QPointF(-6, 0));
            break;
        default:  // the system key: four panes
            p.setPen(Qt::NoPen);
            p.setBrush(ink);
            for (int i = 0; i < 4; ++i)
                p.drawRect(QRectF(c.x() - 5 + (i % 2) * 5.5, c.y() - 5 + (i / 2) * 5.5, 4.5, 4.5));
            break;
    }
    p.restore();
}

void keysBackground(QPainter& p, const L::PageLayout& page) {
    pageBody(p, QRect(0, 0, page.width, page.height));
    int i = 0;
    for (const char* name : {"ctrl", "alt", "shift", "windows"}) {
        const QRect box = rectOf(page, name);
        keyCap(p, QRect(box.right() + 10, box.center().y() - 10, 40, 20), i++);
    }
    well(p, rectOf(page, "key.repaint").adjusted(-6, -4, 6, 4));
    glyph(p, QRectF(130, 76, 26, 26), Glyph::Keyboard, kGlyphMuted);
}

void listsBackground(QPainter& p, const L::PageLayout& page) {
    pageBody(p, QRect(0, 0, page.width, page.height));
    for (const L::Control& c : page.controls)
        if (c.look == L::Look::List) well(p, toQRect(c.rect));
}

void advancedBackground(QPainter& p, const L::PageLayout& page) {
    // The row labels read in dark grey and the path boxes write dark text on the picture,
    // so the page is a light card.
    card(p, QRect(0, 0, page.width, page.height));
    for (const char* row : {"sound", "program", "file", "folder"}) {
        const QRect path = rectOf(page, std::string(row).append(".path"));
        lightWell(p, path.adjusted(-1, -1, 1, 1));
    }
}

void macrosBackground(QPainter& p, const L::PageLayout& page) {
    pageBody(p, QRect(0, 0, page.width, page.height));
    // The panels' accent ticks stand clear of the titles written after them.
    section(p, QRect(14, 12, 314, 436), rectOf(page, "macroList.title"));
    section(p, QRect(330, 12, 304, 436), rectOf(page, "eventList.title"));
    section(p, QRect(638, 12, 274, 436), QRect());
    well(p, rectOf(page, "macroList.area").adjusted(-1, -1, 1, 1));
    well(p, rectOf(page, "eventList.area").adjusted(-1, -1, 1, 1));
    // The key and delay fields are hidden until used and draw their own ground.
    well(p, rectOf(page, "loopCount").adjusted(-1, -1, 1, 1));
    glyph(p, QRectF(826, 84, 22, 22), Glyph::Reset, kGlyphMuted);
    // The mouse the pads sit on, between both layouts' pads.
    glow(p, QPointF(770, 220), 90, kAccent, 26);
    mouseFigure(p, QRectF(704, 150, 132, 150));
    hline(p, 650, 900, 300, QColor(255, 255, 255, 18));
}

// The lighting page's ground as one layout shows it: the title strips, slider tracks and
// wells follow that layout's rectangles, so each layout's resource pictures carry their own
// and the page's titles and sliders sit on them.
void lightingBackground(QPainter& p, const L::PageLayout& page, bool chinese) {
    const auto rectFor = [&](std::string_view name) { return rectOf(page, name, chinese); };
    pageBody(p, QRect(0, 0, page.width, page.height));
    const QRect proximity = rectFor("proximity");
    if (chinese) {
        // The LED switch's title stands in front of its buttons, between the two panels: it
        // gets a panel row of its own.
        section(p, QRect(12, 18, 900, 114), rectFor("backlight"));
        const QRect row(12, 133, 900, 31);
        section(p, row, proximity.intersected(row));
        section(p, QRect(12, 165, 900, 281), rectFor("colourSetting"));
    } else {
        // The LED switch's and the colour titles start at x = 17: the panels start further
        // left so that their ticks stand clear of the words.
        section(p, QRect(10, 18, 902, 140), rectFor("backlight"));
        section(p, QRect(10, 160, 902, 286), rectFor("colourSetting"));
        // The LED switch's title reads above the colour title, with a tick of its own.
        p.fillRect(QRect(13, proximity.top() + 4, 3, proximity.height() - 8), kAccent);
    }
    for (const char* name : {"level2", "level1", "red", "green", "blue"}) track(p, rectFor(name));
    for (const char* name : {"red.value", "green.value", "blue.value"})
        well(p, rectFor(name).adjusted(-1, -1, 1, 1));
    // Tint marks in front of the three colour sliders.
    const QColor tints[] = {QColor(214, 60, 60), QColor(70, 190, 90), QColor(60, 120, 220)};
    int i = 0;
    for (const char* name : {"red", "green", "blue"}) {
        const QRect r = rectFor(name);
        p.fillRect(QRect(r.left() - 12, r.center().y() - 3, 6, 6), tints[i++]);
    }
    well(p, rectFor("colour").adjusted(-2, -2, 2, 2));
    // The swatch grid lies in a well a few pixels wider than the layout's grid.
    QRect grid;
    for (const L::Control& c : page.controls)
        if (c.name.starts_with("swatch")) grid = grid.united(toQRect(c.rectFor(chinese)));
    well(p, grid.adjusted(-7, -7, 7, 7));
    // The wheel's ring.
    const QRect wheel = rectOf(page, "wheel");
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(kEdgeDark, 3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(wheel).adjusted(-2, -2, 2, 2));
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    p.drawEllipse(QRectF(wheel).adjusted(-4, -4, 4, 4));
    p.restore();
}

// The colour wheel: a click takes the colour of the picture's pixel under the pointer, so
// every pixel of the ellipse is the colour of its place: hue by angle (red to the right,
// going counter-clockwise), saturation by distance from the centre (white there), full
// value. The rim is blended into the ground over one pixel.
void paintWheel(QImage& image, const QRect& bounds) {
    const double cx = bounds.left() + bounds.width() / 2.0;
    const double cy = bounds.top() + bounds.height() / 2.0;
    const double rx = bounds.width() / 2.0, ry = bounds.height() / 2.0;
    for (int y = bounds.top(); y < bounds.top() + bounds.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = bounds.left(); x < bounds.left() + bounds.width(); ++x) {
            const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
            const double d = std::sqrt(dx * dx + dy * dy);
            const double edge = (1.0 - d) * std::min(rx, ry);  // pixels inside the rim
            if (edge <= -0.5) continue;
            double hue = std::atan2(-dy, dx) * 180.0 / M_PI;
            if (hue < 0) hue += 360.0;
            const QColor colour = QColor::fromHsvF(static_cast<float>(hue / 360.0),
                                                   static_cast<float>(std::min(1.0, d)), 1.0f);
            const double cover = std::clamp(edge + 0.5, 0.0, 1.0);
            const QColor under(line[x]);
            const auto mix = [&](int a, int b) {
                return static_cast<int>(std::lround(a * cover + b * (1 - cover)));
            };
            line[x] = qRgb(mix(colour.red(), under.red()), mix(colour.green(), under.green()),
                           mix(colour.blue(), under.blue()));
        }
    }
}

void englishLightingBackground(QPainter& p, const L::PageLayout& page) {
    lightingBackground(p, page, false);
}

void statisticsBackground(QPainter& p, const L::PageLayout& page) {
    pageBody(p, QRect(0, 0, page.width, page.height));
    section(p, QRect(12, 18, 288, 416), QRect(13, 30, 200, 24));
    // One row per figure: an icon at the left and a well for the number covering both
    // layouts' cells.
    struct Row {
        const char* name;
        Glyph glyph;
    };
    const Row rows[] = {{"left", Glyph::MouseLeft},    {"middle", Glyph::MouseMiddle},
                        {"right", Glyph::MouseRight},  {"clicks", Glyph::Target},
                        {"wheelForward", Glyph::Wave}, {"wheelBackward", Glyph::Wave},
                        {"wheel", Glyph::Wave},        {"distance", Glyph::Export}};
    for (const Row& row : rows) {
        const L::Control* c = L::findControl(page, row.name);
        const QRect cell = toQRect(c->rect).united(toQRect(c->chineseRect));
        well(p, QRect(146, cell.top() - 1, 122, cell.height() + 2));
        glyph(p, QRectF(30, cell.top() - 1, 22, 22), row.glyph, kGlyphMuted);
        hline(p, 60, 138, cell.center().y(), QColor(255, 255, 255, 14));
    }
    trophyGround(p, rectOf(page, "trophy"));
    section(p, QRect(618, 18, 296, 416), QRect(619, 30, 200, 24));
    well(p, QRect(630, 61, 275, 17));
}

void supportBackground(QPainter& p, const L::PageLayout& page) {
    pageBody(p, QRect(0, 0, page.width, page.height));
    section(p, QRect(40, 96, 300, 250), QRect());
    section(p, QRect(360, 96, 540, 250), QRect());
    section(p, QRect(40, 370, 860, 64), QRect());
    // The version texts are written in light blue from (127, 169) and (440, 169).
    well(p, QRect(118, 160, 210, 40));
    well(p, QRect(430, 160, 200, 40));
    glow(p, QPointF(768, 200), 80, kAccent, 40);
    glyph(p, QRectF(730, 160, 76, 76), Glyph::Globe, QColor(60, 110, 134));
}

void mainBackground(QPainter& p, const L::PageLayout& page) {
    const QRect all(0, 0, page.width, page.height);
    pageBackground(p, all, 78);
    // The mark: a mouse in an accent ring, no words.
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    glow(p, QPointF(48, 39), 40, kAccent, 80);
    p.setPen(QPen(kAccent, 3));
    p.setBrush(QColor(14, 16, 19));
    p.drawEllipse(QPointF(48, 39), 24, 24);
    p.restore();
    glyph(p, QRectF(30, 21, 36, 36), Glyph::Mouse, kGlyphLight);
    for (int i = 0; i < 4; ++i)
        p.fillRect(QRect(84 + 10 * i, 34 + (3 - i) * 2, 6, 10 - (3 - i) * 2),
                   i == 3 ? kAccent : kAccentDeep);
    // The page-button rail, the recessed page area and the bottom bar.
    p.fillRect(QRect(14, 82, 930, 42), QColor(14, 16, 19));
    hline(p, 14, 943, 123, QColor(21, 140, 185, 120));
    well(p, QRect(13, 126, 929, 456));
    hline(p, 1, page.width - 2, 586, QColor(0, 0, 0, 120));
    hline(p, 1, page.width - 2, 587, QColor(255, 255, 255, 18));
    well(p, rectOf(page, "flag").adjusted(-2, -2, 2, 2));
    well(p, rectOf(page, "hint").adjusted(-3, -2, 3, 2));
}

void pageGlyphs(QPainter& p, const L::Control& c, State state) {
    // The buttons show their words as captions in the middle, so the page buttons carry
    // the glyph of their page near their left end and Apply its check mark near its right
    // end. The profile buttons' captions carry their numbers.
    const QRect mark = toQRect(L::regionMark(c));
    if (mark.isEmpty()) return;
    const QColor ink = state == State::Pressed ? QColor(20, 40, 52) : glyphColour(state);
    if (c.name.starts_with("page")) {
        const Glyph glyphs[] = {Glyph::Target, Glyph::Lamp, Glyph::Macro, Glyph::Chart,
                                Glyph::Info};
        glyph(p, QRectF(mark), glyphs[c.name.back() - '1'], ink);
    } else {
        glyph(p, QRectF(mark), Glyph::Check, ink);
    }
}

using Background = void (*)(QPainter&, const L::PageLayout&);

Background backgroundFor(std::string_view name) {
    static const std::map<std::string_view, Background> kBackgrounds{
        {"main", mainBackground},
        {"settings", settingsBackground},
        {"popup", popupBackground},
        {"keys", keysBackground},
        {"macro", listsBackground},
        {"basic", listsBackground},
        {"advanced", advancedBackground},
        {"macros", macrosBackground},
        {"lighting", englishLightingBackground},
        {"statistics", statisticsBackground},
        {"support", supportBackground},
    };
    const auto it = kBackgrounds.find(name);
    return it == kBackgrounds.end() ? nullptr : it->second;
}

// The outlined controls (region buttons, slanted tabs) of a page in one look.
void paintOutlined(QPainter& p, const L::PageLayout& page, State state) {
    for (const L::Control& c : page.controls) {
        if (!c.outlined()) continue;
        outlineFace(p, outlineOf(c), state, Tone::Dark);
        // The settings page's tabs carry their buttons' functions as captions.
        if (page.name == "main") pageGlyphs(p, c, state);
    }
}

// The page in its normal look with the outlined controls (which come from resources) in
// their normal look too, so the page reads whole wherever no window covers it. The lighting
// page's ground differs by layout; the shared skins show the English one.
QImage basePicture(const L::PageLayout& page, bool chinese) {
    QImage image = canvas({page.width, page.height}, false);
    QPainter p(&image);
    prepare(p);
    if (page.name == "lighting") {
        lightingBackground(p, page, chinese);
    } else {
        backgroundFor(page.name)(p, page);
    }
    paintOutlined(p, page, State::Normal);
    p.end();
    if (const L::Control* wheel = L::findControl(page, "wheel"); wheel && page.name == "lighting")
        paintWheel(image, toQRect(wheel->rect));
    return image;
}

QImage skinPicture(const L::PageLayout& page, State state, bool chinese = false) {
    QImage image = basePicture(page, chinese);
    QPainter p(&image);
    prepare(p);
    for (const L::Control& c : page.controls) {
        if (c.art != L::Art::Skin || c.outlined()) continue;
        for (const QRect& place : facePlaces(page, c)) drawControl(p, page, c, place, state);
    }
    return image;
}

// A page-sized resource: the page's normal look with its outlined controls in the given
// look; the settings page's pictures also hold the slider and edit grounds and the wheel
// radios of the layout, the lighting page's its whole ground.
QImage resourcePicture(const L::PageLayout& page, State state, bool chinese) {
    QImage image = skinPicture(page, State::Normal, chinese);
    QPainter p(&image);
    prepare(p);
    for (const L::Control& c : page.controls) {
        if (c.art != L::Art::ResourceDown) continue;
        const QRect r = toQRect(c.rectFor(chinese));
        if (c.look == L::Look::Slider) {
            p.fillRect(r, QColor(27, 30, 34));
            gradient(p, r, QColor(36, 40, 45), QColor(31, 34, 39));
            track(p, r);
        } else {
            p.fillRect(r, kEdgeDark);
            gradient(p, QRectF(r).adjusted(1, 1, -1, -1), kWell, QColor(24, 27, 31));
        }
    }
    paintOutlined(p, page, state);
    // The controls cut from these pictures whose places differ by layout (the settings
    // page's wheel radios and step buttons, the lighting page's buttons) show at this
    // layout's rectangle only, and within it: a glyph reaching past it would show the
    // normal look beside a lit piece.
    for (const L::Control& c : page.controls) {
        if (c.art != L::Art::Resources || c.outlined()) continue;
        const QRect r = toQRect(c.rectFor(chinese));
        p.save();
        p.setClipRect(r);
        drawControl(p, page, c, r, state);
        p.restore();
    }
    return image;
}

State toStyle(L::State state) {
    switch (state) {
        case L::State::Over:
            return State::Hover;
        case L::State::Down:
            return State::Pressed;
        default:
            return State::Normal;
    }
}

void addPages(PictureList& pictures) {
    for (const L::PageLayout& page : L::pages()) {
        if (page.normal.empty() || page.down.empty() || !backgroundFor(page.name)) continue;
        const L::PageLayout* p = &page;
        pictures.push_back(
            {std::string(page.normal), [p] { return skinPicture(*p, State::Normal); }});
        pictures.push_back({std::string(page.over), [p] { return skinPicture(*p, State::Hover); }});
        pictures.push_back(
            {std::string(page.down), [p] { return skinPicture(*p, State::Pressed); }});
    }
    for (const L::ResourcePicture& resource : L::resourcePictures()) {
        if (resource.page != "main" && resource.page != "settings" && resource.page != "macros" &&
            resource.page != "lighting")
            continue;
        if (resource.width != 925 && resource.width != 960) continue;
        const L::PageLayout* page = L::findPage(resource.page);
        const State state = toStyle(resource.state);
        const bool chinese = resource.variant == L::Variant::Chinese;
        pictures.push_back({"res/" + std::to_string(resource.id) + ".png", [page, state, chinese] {
                                return opaque(resourcePicture(*page, state, chinese));
                            }});
    }
}

X5K_PICTURES(addPages);

}  // namespace
