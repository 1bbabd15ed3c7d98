// The flags of the twelve interface languages: the language menu's 19 × 11 icons
// (resources 130 to 141) and the main window's 36 × 23 language indicator (142 to 153).
// Flags are clean drawings without lettering or coats of arms; Traditional Chinese has a
// neutral red-gold badge instead of a flag.

#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cmath>

#include "Pictures.h"
#include "Style.h"

namespace {

using namespace x5k::painter;
using namespace x5k::painter::style;

constexpr int kMenuFlagFirst = 130;
constexpr int kIndicatorFirst = 142;
constexpr int kLanguageCount = 12;
constexpr QSize kMenuFlagSize{19, 11};
constexpr QSize kIndicatorSize{36, 23};

// Stripes on whole pixels: the boundaries are the rounded fractions of the length, so
// a tricolour of 19 pixels is 6 + 7 + 6 and never has a blended column.
void stripes(QPainter& p, const QRect& r, bool vertical, std::initializer_list<int> weights,
             std::initializer_list<QColor> colours) {
    int total = 0;
    for (int w : weights) total += w;
    const int length = vertical ? r.width() : r.height();
    int sum = 0;
    auto colour = colours.begin();
    for (int w : weights) {
        const int from = static_cast<int>(std::lround(double(length) * sum / total));
        sum += w;
        const int to = static_cast<int>(std::lround(double(length) * sum / total));
        const QRect band = vertical ? QRect(r.left() + from, r.top(), to - from, r.height())
                                    : QRect(r.left(), r.top() + from, r.width(), to - from);
        p.fillRect(band, *colour++);
    }
}

// A band width near `ideal` with the parity of `across`, so the band sits centred on
// whole pixels.
int centredWidth(double ideal, int across) {
    int w = std::max(1, static_cast<int>(std::lround(ideal)));
    if ((w % 2) != (across % 2)) w += (ideal > w) ? 1 : -1;
    return std::max(w, across % 2 == 0 ? 2 : 1);
}

void star(QPainter& p, QPointF centre, qreal radius, const QColor& colour, qreal turn = 0) {
    QPolygonF points;
    for (int i = 0; i < 10; ++i) {
        const qreal angle = -M_PI / 2 + turn + i * M_PI / 5;
        const qreal r = (i % 2 == 0) ? radius : radius * 0.40;
        points << QPointF(centre.x() + r * std::cos(angle), centre.y() + r * std::sin(angle));
    }
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(points);
    p.restore();
}

void disc(QPainter& p, QPointF centre, qreal radius, const QColor& colour) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(centre, radius, radius);
    p.restore();
}

void china(QPainter& p, const QRect& r) {
    p.fillRect(r, QColor(222, 41, 16));
    const qreal ux = r.width() / 30.0, uy = r.height() / 20.0;
    const QColor gold(255, 222, 0);
    const auto at = [&](qreal x, qreal y) { return QPointF(r.left() + x * ux, r.top() + y * uy); };
    star(p, at(5, 5), 3.2 * uy, gold);
    // At menu size the four small stars are only dots; they keep their places.
    const qreal small = std::max<qreal>(1.0 * uy, 0.75);
    for (const auto& [x, y] :
         std::array<std::pair<qreal, qreal>, 4>{{{10, 2}, {12, 4}, {12, 7}, {10, 9}}})
        star(p, at(x, y), small * 1.15, gold, 0.3);
}

void unitedKingdom(QPainter& p, const QRect& r) {
    const QColor blue(1, 33, 105), red(200, 16, 46), white(255, 255, 255);
    p.fillRect(r, blue);
    p.save();
    p.setClipRect(r);
    p.setRenderHint(QPainter::Antialiasing, true);
    const qreal h = r.height();
    const QRectF f(r);
    p.setPen(QPen(white, h * 0.2, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(f.topLeft(), f.bottomRight() + QPointF(1, 1));
    p.drawLine(f.bottomLeft() + QPointF(0, 1), f.topRight() + QPointF(1, 0));
    p.setPen(QPen(red, std::max<qreal>(h * 0.067, 0.9), Qt::SolidLine, Qt::FlatCap));
    p.drawLine(f.topLeft(), f.bottomRight() + QPointF(1, 1));
    p.drawLine(f.bottomLeft() + QPointF(0, 1), f.topRight() + QPointF(1, 0));
    p.restore();
    const int redH = centredWidth(h / 5.0, r.height());
    const int whiteH = redH + 2 * std::max(1, static_cast<int>(std::lround(h / 15.0)));
    const int redW = centredWidth(h / 5.0, r.width());
    const int whiteW = redW + (whiteH - redH);
    const auto cross = [&](int across, int along, const QColor& c) {
        p.fillRect(QRect(r.left(), r.top() + (r.height() - across) / 2, r.width(), across), c);
        p.fillRect(QRect(r.left() + (r.width() - along) / 2, r.top(), along, r.height()), c);
    };
    cross(whiteH, whiteW, white);
    cross(redH, redW, red);
}

void korea(QPainter& p, const QRect& r) {
    p.fillRect(r, QColor(250, 250, 250));
    const QPointF c(r.left() + r.width() / 2.0, r.top() + r.height() / 2.0);
    const qreal radius = r.height() * 0.26;
    const QColor red(205, 46, 58), blue(0, 71, 160), black(30, 30, 30);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    QPainterPath upper;
    upper.moveTo(c);
    upper.arcTo(QRectF(c.x() - radius, c.y() - radius, 2 * radius, 2 * radius), 0, 180);
    upper.closeSubpath();
    p.fillPath(upper, red);
    QPainterPath lower;
    lower.moveTo(c);
    lower.arcTo(QRectF(c.x() - radius, c.y() - radius, 2 * radius, 2 * radius), 180, 180);
    lower.closeSubpath();
    p.fillPath(lower, blue);
    p.restore();
    disc(p, c - QPointF(radius / 2, 0), radius / 2, red);
    disc(p, c + QPointF(radius / 2, 0), radius / 2, blue);
    // The four trigrams as short dark bars in the corners, slanted towards the centre.
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const qreal len = r.height() * 0.22;
    const qreal dx = r.width() * 0.30, dy = r.height() * 0.30;
    p.setPen(QPen(black, std::max<qreal>(r.height() * 0.09, 1.0), Qt::SolidLine, Qt::FlatCap));
    for (const auto& [sx, sy] :
         std::array<std::pair<int, int>, 4>{{{-1, -1}, {1, -1}, {-1, 1}, {1, 1}}}) {
        const QPointF m(c.x() + sx * dx, c.y() + sy * dy);
        const QPointF along(sx * sy * len / 2 * 0.8, -len / 2 * 0.6);
        p.drawLine(m - along, m + along);
    }
    p.restore();
}

void portugal(QPainter& p, const QRect& r) {
    stripes(p, r, true, {2, 3}, {QColor(0, 102, 0), QColor(218, 41, 28)});
    const QPointF c(r.left() + std::lround(r.width() * 0.4), r.top() + r.height() / 2.0);
    const qreal radius = r.height() * 0.27;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(255, 221, 0), std::max<qreal>(radius * 0.35, 1.0)));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, radius, radius);
    p.restore();
    // The shield at the sphere's centre, at indicator size only: at menu size it is a dot.
    if (r.height() > 15) {
        const QRectF shield(c.x() - radius * 0.45, c.y() - radius * 0.5, radius * 0.9, radius);
        p.fillRect(shield, QColor(255, 255, 255));
        p.fillRect(shield.adjusted(1, 1, -1, -1), QColor(0, 56, 168));
    } else {
        disc(p, c, 1.0, QColor(255, 255, 255));
    }
}

void badge(QPainter& p, const QRect& r) {
    gradient(p, r, QColor(190, 30, 45), QColor(140, 16, 28));
    const QPointF c(r.left() + r.width() / 2.0, r.top() + r.height() / 2.0);
    const qreal radius = r.height() * 0.34;
    const QColor gold(240, 196, 64);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(gold, std::max<qreal>(r.height() * 0.08, 1.0)));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, radius, radius);
    p.restore();
    star(p, c, radius * 0.72, gold);
    // Gold rules at the hoist and fly make the badge read as a banner, not a flag.
    p.fillRect(QRect(r.left(), r.top(), std::max(1, r.width() / 12), r.height()), gold);
    p.fillRect(QRect(r.right() + 1 - std::max(1, r.width() / 12), r.top(),
                     std::max(1, r.width() / 12), r.height()),
               gold);
}

using FlagPainter = void (*)(QPainter&, const QRect&);

// Indexed by language index − 1, in the order of the language menu.
const std::array<FlagPainter, kLanguageCount> kFlags{
    china,
    unitedKingdom,
    [](QPainter& p, const QRect& r) {
        stripes(p, r, true, {1, 1, 1}, {QColor(0, 35, 149), Qt::white, QColor(237, 41, 57)});
    },
    korea,
    [](QPainter& p, const QRect& r) {
        stripes(p, r, false, {1, 1, 1}, {QColor(0, 0, 0), QColor(221, 0, 0), QColor(255, 206, 0)});
    },
    [](QPainter& p, const QRect& r) {
        stripes(p, r, true, {1, 1, 1}, {QColor(0, 146, 70), Qt::white, QColor(206, 43, 55)});
    },
    [](QPainter& p, const QRect& r) {
        stripes(p, r, false, {1, 2, 1},
                {QColor(170, 21, 27), QColor(241, 191, 0), QColor(170, 21, 27)});
    },
    [](QPainter& p, const QRect& r) {
        stripes(p, r, false, {1, 1, 1}, {QColor(174, 28, 40), Qt::white, QColor(33, 70, 139)});
    },
    portugal,
    [](QPainter& p, const QRect& r) {
        stripes(p, r, false, {1, 1, 1}, {Qt::white, QColor(0, 57, 166), QColor(213, 43, 30)});
    },
    [](QPainter& p, const QRect& r) {
        stripes(p, r, false, {1, 1}, {QColor(0, 87, 183), QColor(255, 215, 0)});
    },
    badge,
};

// One flag filling the picture, with a soft sheen over its upper half and a dark hairline
// round it so that white fields stand apart from the light menu and the dark window.
QImage flag(int index, QSize size) {
    QImage image = canvas(size, true);
    QPainter p(&image);
    prepare(p);
    const QRect r(QPoint(0, 0), size);
    kFlags[static_cast<size_t>(index)](p, r);
    QLinearGradient sheen(0, 0, 0, size.height());
    sheen.setColorAt(0, QColor(255, 255, 255, 60));
    sheen.setColorAt(0.5, QColor(255, 255, 255, 8));
    sheen.setColorAt(0.51, QColor(0, 0, 0, 0));
    sheen.setColorAt(1, QColor(0, 0, 0, 30));
    p.fillRect(r, sheen);
    frame(p, r, QColor(0, 0, 0, 90));
    return image;
}

void addFlags(PictureList& pictures) {
    for (int i = 0; i < kLanguageCount; ++i) {
        pictures.push_back({"res/" + std::to_string(kMenuFlagFirst + i) + ".png",
                            [i] { return flag(i, kMenuFlagSize); }});
        // The indicator is a bitmap of the main window: opaque.
        pictures.push_back({"res/" + std::to_string(kIndicatorFirst + i) + ".png",
                            [i] { return opaque(flag(i, kIndicatorSize)); }});
    }
}

X5K_PICTURES(addFlags);

}  // namespace
