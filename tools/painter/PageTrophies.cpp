// The thirteen trophy pictures of the statistics page, skins/trophy/trophy<level>Down.bmp.
// Each replaces the trophy display whole. The trophies grow grander with the level: bronze
// cups for the first levels, then silver, then gold, each a little taller, with more stars
// and a stronger light; level 12 is a gold cup with a laurel and a crown of rays.

#include <QLinearGradient>
#include <QPainterPath>

#include <cmath>
#include <string>

#include "PageKit.h"
#include "Pictures.h"
#include "Style.h"

namespace {

using namespace x5k::painter;
using namespace x5k::painter::style;
using namespace x5k::painter::pages;

struct Metal {
    QColor light, mid, dark;
};

Metal metalFor(int level) {
    if (level < 4) return {{240, 190, 140}, {184, 115, 60}, {96, 54, 24}};    // bronze
    if (level < 8) return {{250, 252, 255}, {176, 186, 196}, {86, 94, 104}};  // silver
    return {{255, 244, 170}, {232, 178, 40}, {130, 82, 10}};                  // gold
}

QLinearGradient metalGradient(const Metal& m, qreal x0, qreal x1) {
    QLinearGradient g(x0, 0, x1, 0);
    g.setColorAt(0, m.dark);
    g.setColorAt(0.3, m.light);
    g.setColorAt(0.55, m.mid);
    g.setColorAt(1, m.dark);
    return g;
}

void star(QPainter& p, const QPointF& c, qreal r, const QColor& colour) {
    QPolygonF s;
    for (int i = 0; i < 10; ++i) {
        const qreal a = -M_PI / 2 + i * M_PI / 5;
        const qreal rr = i % 2 ? r * 0.45 : r;
        s << c + QPointF(std::cos(a) * rr, std::sin(a) * rr);
    }
    p.setBrush(colour);
    p.drawPolygon(s);
}

QImage trophy(int level) {
    QImage image = canvas({298, 451}, false);
    QPainter p(&image);
    prepare(p);
    trophyGround(p, QRect(0, 0, 298, 451));
    const Metal m = metalFor(level);
    const qreal grow = level / 12.0;
    const qreal cx = 149;
    const qreal base = 381;  // the plinth's top
    const qreal cupW = 110 + 60 * grow;
    const qreal cupH = 120 + 50 * grow;
    const qreal stem = 50 + 20 * grow;
    const qreal top = base - 34 - stem - cupH;

    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    // Rays behind the grander trophies.
    if (level >= 8) {
        const int rays = 8 + 2 * (level - 8);
        for (int i = 0; i < rays; ++i) {
            const qreal a = i * 2 * M_PI / rays;
            QPolygonF ray;
            const QPointF c(cx, top + cupH * 0.45);
            ray << c << c + QPointF(std::cos(a - 0.06), std::sin(a - 0.06)) * 170
                << c + QPointF(std::cos(a + 0.06), std::sin(a + 0.06)) * 170;
            p.setBrush(QColor(255, 220, 120, 14 + 4 * (level - 8)));
            p.drawPolygon(ray);
        }
    }
    glow(p, QPointF(cx, top + cupH * 0.5), cupW * (0.8 + grow * 0.5), m.mid, 40 + 6 * level);

    // The plinth: two steps, dark lacquer with an accent band.
    gradient(p, QRectF(cx - 70, base, 140, 30), QColor(52, 56, 62), QColor(20, 22, 25), 3);
    gradient(p, QRectF(cx - 56, base - 16, 112, 18), QColor(64, 69, 76), QColor(28, 30, 34), 3);
    p.fillRect(QRectF(cx - 70, base + 12, 140, 3), kAccent);
    // The stem and foot.
    p.setBrush(metalGradient(m, cx - 40, cx + 40));
    p.drawRoundedRect(QRectF(cx - 40, base - 34, 80, 18), 4, 4);
    QPolygonF stemShape;
    stemShape << QPointF(cx - 10, base - 34 - stem) << QPointF(cx + 10, base - 34 - stem)
              << QPointF(cx + 18, base - 34) << QPointF(cx - 18, base - 34);
    p.drawPolygon(stemShape);
    p.drawEllipse(QPointF(cx, base - 34 - stem * 0.5), 14, 8);
    // The handles.
    p.setBrush(Qt::NoBrush);
    QPen handle(QBrush(metalGradient(m, cx - cupW, cx + cupW)), 9 + 3 * grow);
    handle.setCapStyle(Qt::RoundCap);
    p.setPen(handle);
    const qreal hw = cupW * 0.42;
    p.drawArc(QRectF(cx - cupW / 2 - hw * 0.7, top + 14, hw * 1.2, cupH * 0.55), 90 * 16, 180 * 16);
    p.drawArc(QRectF(cx + cupW / 2 - hw * 0.5, top + 14, hw * 1.2, cupH * 0.55), 90 * 16,
              -180 * 16);
    p.setPen(Qt::NoPen);
    // The cup.
    QPainterPath cup;
    cup.moveTo(cx - cupW / 2, top);
    cup.lineTo(cx + cupW / 2, top);
    cup.cubicTo(QPointF(cx + cupW / 2, top + cupH * 0.7), QPointF(cx + 22, top + cupH),
                QPointF(cx + 10, top + cupH + 4));
    cup.lineTo(cx - 10, top + cupH + 4);
    cup.cubicTo(QPointF(cx - 22, top + cupH), QPointF(cx - cupW / 2, top + cupH * 0.7),
                QPointF(cx - cupW / 2, top));
    p.setBrush(metalGradient(m, cx - cupW / 2, cx + cupW / 2));
    p.drawPath(cup);
    p.setBrush(m.dark);
    p.drawEllipse(QRectF(cx - cupW / 2, top - 7, cupW, 14));
    p.setBrush(m.light);
    p.drawEllipse(QRectF(cx - cupW / 2 + 4, top - 5, cupW - 8, 9));
    p.setBrush(m.dark);
    p.drawEllipse(QRectF(cx - cupW / 2 + 8, top - 3, cupW - 16, 6));
    // Stars on the cup: one more every level of the metal.
    const int stars = level % 4 + 1;
    for (int i = 0; i < stars; ++i) {
        const qreal x = cx + (i - (stars - 1) / 2.0) * 22;
        star(p, QPointF(x, top + cupH * 0.38), 9, i == stars / 2 ? QColor(255, 255, 255) : m.light);
    }
    // The accent emblem under the stars.
    p.setBrush(kAccent);
    p.drawEllipse(QPointF(cx, top + cupH * 0.62), 7 + 3 * grow, 7 + 3 * grow);
    if (level == 12) {
        // The laurel round the cup and a crown of stars above it.
        p.setBrush(QColor(120, 170, 70));
        for (int side : {-1, 1}) {
            for (int i = 0; i < 7; ++i) {
                const qreal a = M_PI * (0.55 + 0.1 * i);
                const QPointF c(cx + side * std::cos(a) * -cupW * 0.75,
                                top + cupH * 0.55 + std::sin(a) * cupH * 0.62);
                p.save();
                p.translate(c);
                p.rotate(side * (30 + 14 * i));
                p.drawEllipse(QRectF(-5, -10, 10, 20));
                p.restore();
            }
        }
        for (int i = 0; i < 5; ++i)
            star(p, QPointF(cx + (i - 2) * 30, top - 32 - (i == 2 ? 12 : (i % 2 ? 4 : 0))),
                 i == 2 ? 14 : 9, QColor(255, 236, 150));
    }
    return image;
}

void addTrophies(PictureList& pictures) {
    for (int level = 0; level <= 12; ++level)
        pictures.push_back({"skins/trophy/trophy" + std::to_string(level) + "Down.bmp",
                            [level] { return trophy(level); }});
}

X5K_PICTURES(addTrophies);

}  // namespace
