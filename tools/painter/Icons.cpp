// The program's icons: the application icon (also the tray's and the desktop entry's),
// the tray menu's Exit and Config icons, and the macro lists' row icons.

#include <QPainter>
#include <QPainterPath>

#include <cmath>

#include "Pictures.h"
#include "Style.h"

namespace {

using namespace x5k::painter;
using namespace x5k::painter::style;

// The mouse seen from above, nose up, in a 256 × 256 box: the right half as curves, the
// left half its mirror image. The waist and the flared rear give it the gaming stance.
QPainterPath mouseBody() {
    QPainterPath right;
    right.moveTo(128, 30);
    right.cubicTo(162, 30, 188, 50, 190, 92);
    right.cubicTo(192, 122, 180, 134, 182, 152);
    right.cubicTo(184, 172, 194, 182, 188, 204);
    right.cubicTo(178, 226, 152, 232, 128, 232);
    QPainterPath body = right;
    const QTransform mirror(-1, 0, 0, 1, 256, 0);
    body.connectPath(mirror.map(right).toReversed());
    body.closeSubpath();
    return body;
}

QImage applicationIcon() {
    QImage image = canvas({256, 256}, true);
    QPainter p(&image);
    prepare(p);
    p.setRenderHint(QPainter::Antialiasing, true);

    // The tile: a dark rounded square with a thin light rim along its top.
    const QRectF tile(8, 8, 240, 240);
    gradient(p, tile, QColor(12, 13, 15), QColor(12, 13, 15), 52);
    gradient(p, tile.adjusted(2, 2, -2, -2), QColor(64, 70, 78), QColor(22, 24, 28), 50);
    gradient(p, tile.adjusted(3, 4, -3, -3), QColor(44, 48, 54), QColor(18, 20, 23), 49);
    glow(p, QPointF(128, 140), 118, kAccent, 120);

    const QPainterPath body = mouseBody();
    // A dark outline one step outside the body keeps the silhouette clear when small.
    p.setPen(QPen(QColor(6, 8, 10), 7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(body);
    QLinearGradient fill(80, 30, 176, 232);
    fill.setColorAt(0, kAccentHover);
    fill.setColorAt(0.45, kAccent);
    fill.setColorAt(1, kAccentDeep);
    p.setPen(Qt::NoPen);
    p.fillPath(body, fill);

    p.save();
    p.setClipPath(body);
    // The buttons: a split down the middle and a curved seam to the palm rest.
    const QColor seam(6, 30, 42, 230);
    p.setPen(QPen(seam, 5, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(128, 20), QPointF(128, 104));
    QPainterPath palm;
    palm.moveTo(50, 96);
    palm.quadTo(128, 128, 206, 96);
    p.drawPath(palm);
    // The palm's chevron, darker, pointing to the nose.
    QPolygonF chevron;
    chevron << QPointF(92, 150) << QPointF(128, 176) << QPointF(164, 150) << QPointF(164, 168)
            << QPointF(128, 194) << QPointF(92, 168);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(6, 30, 42, 150));
    p.drawPolygon(chevron);
    // Side grips: darker bands along the waist.
    p.setBrush(QColor(6, 30, 42, 110));
    for (const qreal sign : {-1.0, 1.0}) {
        QPolygonF grip;
        grip << QPointF(128 + sign * 56, 118) << QPointF(128 + sign * 70, 118)
             << QPointF(128 + sign * 62, 182) << QPointF(128 + sign * 50, 176);
        p.drawPolygon(grip);
    }
    // A sheen over the upper left.
    QRadialGradient sheen(QPointF(100, 60), 110);
    sheen.setColorAt(0, QColor(255, 255, 255, 90));
    sheen.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(QRectF(0, 0, 256, 256), sheen);
    p.restore();

    // The wheel: a dark slot with a lit roller.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(6, 14, 20));
    p.drawRoundedRect(QRectF(116, 48, 24, 44), 12, 12);
    glow(p, QPointF(128, 70), 22, kAccentHover, 160);
    QLinearGradient roller(0, 54, 0, 86);
    roller.setColorAt(0, QColor(220, 244, 252));
    roller.setColorAt(1, kAccentHover);
    p.setBrush(roller);
    p.drawRoundedRect(QRectF(123, 55, 10, 30), 5, 5);
    return image;
}

// Tray menu icons: drawn on the menu's light beige rows, so dark glyphs in accent tones.
QImage powerIcon() {
    QImage image = canvas({16, 16}, true);
    QPainter p(&image);
    prepare(p);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(kAccentDeep, 2, Qt::SolidLine, Qt::RoundCap));
    // The ring opens at the top, where the stroke stands.
    p.drawArc(QRectF(2.5, 3.5, 11, 11), 55 * 16, -290 * 16);
    p.setPen(QPen(kAccent, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 2), QPointF(8, 8));
    return image;
}

QImage gearIcon() {
    QImage image = canvas({16, 16}, true);
    QPainter p(&image);
    prepare(p);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QPointF c(8, 8);
    QPainterPath gear;
    gear.addEllipse(c, 5.2, 5.2);
    constexpr int kTeeth = 8;
    for (int i = 0; i < kTeeth; ++i) {
        QPainterPath tooth;
        tooth.addRect(QRectF(-1.6, -7.6, 3.2, 4));
        gear =
            gear.united(QTransform().translate(c.x(), c.y()).rotate(i * 360.0 / kTeeth).map(tooth));
    }
    QPainterPath hole;
    hole.addEllipse(c, 2.2, 2.2);
    gear = gear.subtracted(hole);
    QLinearGradient fill(0, 0, 0, 16);
    fill.setColorAt(0, QColor(86, 96, 106));
    fill.setColorAt(1, QColor(40, 45, 51));
    p.setPen(Qt::NoPen);
    p.fillPath(gear, fill);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kAccent, 1.2));
    p.drawEllipse(c, 2.8, 2.8);
    return image;
}

enum class RowGlyph { KeyUp, KeyDown, Delay };

// A macro row icon: a small badge holding the glyph. On the selection colour the badge
// turns into a light outline and the glyph white, so the row's accent shows through.
QImage rowIcon(RowGlyph glyph, bool selected) {
    QImage image = canvas({16, 16}, true);
    QPainter p(&image);
    prepare(p);
    const QRectF badge(0.5, 0.5, 15, 15);
    p.setRenderHint(QPainter::Antialiasing, true);
    if (selected) {
        p.setPen(QPen(QColor(255, 255, 255, 150), 1));
        p.setBrush(QColor(255, 255, 255, 40));
    } else {
        p.setPen(QPen(QColor(10, 12, 14), 1));
        QLinearGradient fill(0, 0, 0, 16);
        fill.setColorAt(0, QColor(56, 62, 69));
        fill.setColorAt(1, QColor(34, 38, 43));
        p.setBrush(fill);
    }
    p.drawRoundedRect(badge, 3, 3);
    const QColor ink =
        selected ? QColor(255, 255, 255) : (glyph == RowGlyph::KeyDown ? kAccent : kAccentHover);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    switch (glyph) {
        case RowGlyph::KeyUp:
        case RowGlyph::KeyDown: {
            // The head is a 45° triangle and the stem two whole pixels wide.
            const bool up = glyph == RowGlyph::KeyUp;
            QPolygonF head;
            const qreal tip = up ? 3 : 13, base = up ? 8 : 8;
            head << QPointF(8, tip) << QPointF(3, base) << QPointF(13, base);
            p.drawPolygon(head);
            p.setRenderHint(QPainter::Antialiasing, false);
            p.fillRect(up ? QRect(7, 8, 2, 5) : QRect(7, 3, 2, 5), ink);
            break;
        }
        case RowGlyph::Delay: {
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(selected ? ink : kGlyphLight, 1.4));
            p.drawEllipse(QPointF(8, 8), 5, 5);
            p.setRenderHint(QPainter::Antialiasing, false);
            p.fillRect(QRect(7, 4, 2, 5), ink);
            p.fillRect(QRect(9, 7, 2, 2), ink);
            break;
        }
    }
    return image;
}

void addIcons(PictureList& pictures) {
    pictures.push_back({"res/128.png", applicationIcon});
    pictures.push_back({"res/1011.png", powerIcon});
    pictures.push_back({"res/1012.png", gearIcon});
    struct Row {
        const char* name;
        RowGlyph glyph;
    };
    for (const Row& row : {Row{"up", RowGlyph::KeyUp}, Row{"down", RowGlyph::KeyDown},
                           Row{"delay", RowGlyph::Delay}}) {
        const RowGlyph glyph = row.glyph;
        pictures.push_back({std::string("skins/") + row.name + "_normal.png",
                            [glyph] { return rowIcon(glyph, false); }});
        pictures.push_back({std::string("skins/") + row.name + "_select.png",
                            [glyph] { return rowIcon(glyph, true); }});
    }
}

X5K_PICTURES(addIcons);

}  // namespace
