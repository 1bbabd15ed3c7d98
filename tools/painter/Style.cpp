#include "Style.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include <array>
#include <cmath>

namespace x5k::painter::style {

namespace {

// One face of a button: its gradient, its edge, the light line along its top and the
// colour of a glyph on it.
struct Face {
    QColor top;
    QColor bottom;
    QColor edge;
    QColor highlight;
    QColor glyph;
};

// Faces by tone (rows) and state (columns, in the order of State). Hovered and pressed
// faces of both tones carry white captions, so they are accent plates; the pressed face
// is deeper and lit from below, as a plate pushed into the panel.
const std::array<std::array<Face, 4>, 2> kFaces{{
    {{
        {{58, 63, 70}, {38, 42, 47}, {10, 11, 13}, {255, 255, 255, 34}, {214, 221, 226}},
        {{36, 124, 160}, {20, 88, 116}, {8, 44, 60}, {140, 215, 245, 110}, {255, 255, 255}},
        {{10, 62, 84}, {19, 104, 138}, {5, 30, 42}, {0, 0, 0, 60}, {255, 255, 255}},
        {{40, 43, 47}, {36, 39, 43}, {22, 24, 27}, {255, 255, 255, 10}, {86, 92, 98}},
    }},
    {{
        {{246, 248, 249}, {206, 214, 219}, {128, 141, 149}, {255, 255, 255, 200}, {83, 97, 103}},
        {{56, 168, 212}, {21, 128, 170}, {11, 84, 114}, {170, 228, 250, 150}, {255, 255, 255}},
        {{12, 74, 100}, {21, 116, 154}, {7, 52, 72}, {0, 0, 0, 70}, {255, 255, 255}},
        {{214, 218, 220}, {204, 209, 212}, {166, 172, 176}, {255, 255, 255, 90}, {150, 158, 163}},
    }},
}};

const Face& face(State state, Tone tone) {
    return kFaces[static_cast<size_t>(tone)][static_cast<size_t>(state)];
}

QPainterPath outlinePath(const QRectF& rect, Shape shape) {
    QPainterPath path;
    const qreal r = std::min<qreal>(3.0, std::min(rect.width(), rect.height()) / 2);
    switch (shape) {
        case Shape::Square:
            path.addRect(rect);
            break;
        case Shape::Rounded:
            path.addRoundedRect(rect, r, r);
            break;
        case Shape::Chamfered: {
            const qreal c = r + 1;
            path.moveTo(rect.left() + c, rect.top());
            path.lineTo(rect.right() - c, rect.top());
            path.lineTo(rect.right(), rect.top() + c);
            path.lineTo(rect.right(), rect.bottom() - c);
            path.lineTo(rect.right() - c, rect.bottom());
            path.lineTo(rect.left() + c, rect.bottom());
            path.lineTo(rect.left(), rect.bottom() - c);
            path.lineTo(rect.left(), rect.top() + c);
            path.closeSubpath();
            break;
        }
    }
    return path;
}

// Fills a face over an outline: the edge colour first, then the gradient one pixel
// inside, then the top highlight one pixel lower still. Paths that are axis-aligned
// rectangles are filled without antialiasing so their edges fall on whole pixels.
void fillFace(QPainter& painter, const QPainterPath& outer, const QPainterPath& inner,
              const QPainterPath& lower, const QRectF& bounds, const Face& f, bool smooth) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, smooth);
    painter.setPen(Qt::NoPen);
    painter.fillPath(outer, f.edge);
    // The highlight is the strip of the inner outline not covered by the same outline
    // moved one pixel down.
    painter.fillPath(inner.subtracted(lower), f.highlight);
    QLinearGradient fill(bounds.topLeft(), bounds.bottomLeft());
    fill.setColorAt(0, f.top);
    fill.setColorAt(1, f.bottom);
    painter.fillPath(inner.intersected(lower), fill);
    painter.restore();
}

}  // namespace

QImage canvas(QSize size, bool alpha, const QColor& fill) {
    QImage image(size, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    image.fill(alpha ? QColor(Qt::transparent) : fill);
    return image;
}

bool isBitmapPath(const std::string& path) {
    if (path.size() < 4) return false;
    std::string suffix = path.substr(path.size() - 4);
    for (auto& c : suffix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return suffix == ".bmp";
}

QImage canvasFor(const std::string& path, QSize size, const QColor& fill) {
    return canvas(size, !isBitmapPath(path), fill);
}

QImage opaque(const QImage& image) {
    return image.convertToFormat(QImage::Format_RGB888);
}

void prepare(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.setPen(Qt::NoPen);
}

void hline(QPainter& painter, int x0, int x1, int y, const QColor& colour) {
    painter.fillRect(QRect(x0, y, x1 - x0 + 1, 1), colour);
}

void vline(QPainter& painter, int x, int y0, int y1, const QColor& colour) {
    painter.fillRect(QRect(x, y0, 1, y1 - y0 + 1), colour);
}

void frame(QPainter& painter, const QRect& rect, const QColor& colour) {
    bevel(painter, rect, colour, colour);
}

void bevel(QPainter& painter, const QRect& rect, const QColor& light, const QColor& dark) {
    if (rect.isEmpty()) return;
    hline(painter, rect.left(), rect.right(), rect.top(), light);
    vline(painter, rect.left(), rect.top() + 1, rect.bottom(), light);
    hline(painter, rect.left() + 1, rect.right(), rect.bottom(), dark);
    vline(painter, rect.right(), rect.top() + 1, rect.bottom() - 1, dark);
}

void gradient(QPainter& painter, const QRectF& rect, const QColor& top, const QColor& bottom,
              qreal radius) {
    QLinearGradient fill(rect.topLeft(), rect.bottomLeft());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    painter.save();
    painter.setPen(Qt::NoPen);
    if (radius > 0) {
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setBrush(fill);
        painter.drawRoundedRect(rect, radius, radius);
    } else {
        painter.fillRect(rect, fill);
    }
    painter.restore();
}

void panel(QPainter& painter, const QRect& rect, qreal radius) {
    if (radius <= 0) {
        painter.fillRect(rect, kEdgeDark);
        gradient(painter, rect.adjusted(1, 1, -1, -1), kPanelTop, kPanelBottom);
        hline(painter, rect.left() + 1, rect.right() - 1, rect.top() + 1,
              QColor(255, 255, 255, 22));
        return;
    }
    gradient(painter, QRectF(rect), kEdgeDark, kEdgeDark, radius);
    gradient(painter, QRectF(rect).adjusted(1, 1, -1, -1), kPanelTop, kPanelBottom, radius - 1);
}

void plate(QPainter& painter, const QRect& rect, Relief relief, qreal radius) {
    const QRectF r(rect);
    if (relief == Relief::Raised) {
        gradient(painter, r, kEdgeDark, kEdgeDark, radius);
        gradient(painter, r.adjusted(1, 1, -1, -1), kEdgeLight, QColor(40, 44, 49),
                 std::max<qreal>(0, radius - 1));
        gradient(painter, r.adjusted(1, 2, -1, -1), QColor(60, 65, 72), QColor(40, 44, 49),
                 std::max<qreal>(0, radius - 1));
        return;
    }
    // Engraved: a dark well whose lip catches the light at the bottom edge and whose top
    // lies in shadow.
    gradient(painter, r, QColor(255, 255, 255, 26), QColor(255, 255, 255, 40), radius);
    gradient(painter, r.adjusted(0, 0, 0, -1), kEdgeDark, kEdgeDark, radius);
    gradient(painter, r.adjusted(1, 1, -1, -1), kWell, QColor(24, 27, 31),
             std::max<qreal>(0, radius - 1));
    if (radius <= 0)
        hline(painter, rect.left() + 1, rect.right() - 1, rect.top() + 1, QColor(0, 0, 0, 90));
}

void card(QPainter& painter, const QRect& rect, qreal radius) {
    gradient(painter, QRectF(rect), kCardEdge, kCardEdge, radius);
    gradient(painter, QRectF(rect).adjusted(1, 1, -1, -1), kCardTop, kCardBottom,
             std::max<qreal>(0, radius - 1));
}

void paintFace(QPainter& painter, const QRectF& rect, State state, Shape shape, Tone tone) {
    const Face& f = face(state, tone);
    const QPainterPath outer = outlinePath(rect, shape);
    const QRectF innerRect = rect.adjusted(1, 1, -1, -1);
    const QPainterPath inner = outlinePath(innerRect, shape);
    const QPainterPath lower = outlinePath(innerRect.translated(0, 1), shape);
    fillFace(painter, outer, inner, lower, rect, f, shape != Shape::Square);
}

void paintFace(QPainter& painter, const QPolygonF& outline, State state, Tone tone) {
    const Face& f = face(state, tone);
    QPainterPath outer;
    outer.addPolygon(outline);
    outer.closeSubpath();
    // The inner outline is the outline pulled one pixel towards its centre of gravity
    // along each axis, which is exact for the convex tabs the pages use.
    const QRectF bounds = outline.boundingRect();
    QPolygonF shrunk;
    const QPointF centre = bounds.center();
    for (const QPointF& p : outline) {
        const qreal dx = p.x() < centre.x() ? 1 : (p.x() > centre.x() ? -1 : 0);
        const qreal dy = p.y() < centre.y() ? 1 : (p.y() > centre.y() ? -1 : 0);
        shrunk << QPointF(p.x() + dx, p.y() + dy);
    }
    QPainterPath inner;
    inner.addPolygon(shrunk);
    inner.closeSubpath();
    fillFace(painter, outer, inner, inner.translated(0, 1), bounds, f, true);
}

QColor glyphColour(State state, Tone tone) {
    return face(state, tone).glyph;
}

void glow(QPainter& painter, const QPointF& centre, qreal radius, const QColor& colour, int alpha) {
    QRadialGradient g(centre, radius);
    QColor inner = colour;
    inner.setAlpha(alpha);
    QColor middle = colour;
    middle.setAlpha(alpha / 3);
    QColor outer = colour;
    outer.setAlpha(0);
    g.setColorAt(0, inner);
    g.setColorAt(0.45, middle);
    g.setColorAt(1, outer);
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(g);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.drawEllipse(centre, radius, radius);
    painter.restore();
}

void accentLine(QPainter& painter, int x0, int x1, int y) {
    hline(painter, x0, x1, y, kAccent);
    hline(painter, x0, x1, y + 1, QColor(21, 140, 185, 70));
    hline(painter, x0, x1, y + 2, QColor(21, 140, 185, 25));
    // The line is brightest in the middle, as if lit from above the window.
    QLinearGradient shine(x0, 0, x1, 0);
    shine.setColorAt(0, QColor(140, 215, 245, 0));
    shine.setColorAt(0.5, QColor(140, 215, 245, 150));
    shine.setColorAt(1, QColor(140, 215, 245, 0));
    painter.fillRect(QRect(x0, y, x1 - x0 + 1, 1), shine);
}

void arrowGlyph(QPainter& painter, const QRectF& rect, Direction direction, const QColor& colour) {
    // A solid triangle whose base is twice its height, so its slanted edges run at 45°
    // and stay sharp even when small.
    const qreal h = std::floor(std::min(rect.width(), rect.height()) / 3.2) + 1;
    const QPointF c(std::round(rect.center().x()), std::round(rect.center().y()));
    QPolygonF t;
    switch (direction) {
        case Direction::Up:
            t << QPointF(c.x() - h, c.y() + h / 2) << QPointF(c.x() + h, c.y() + h / 2)
              << QPointF(c.x(), c.y() - h / 2);
            break;
        case Direction::Down:
            t << QPointF(c.x() - h, c.y() - h / 2) << QPointF(c.x() + h, c.y() - h / 2)
              << QPointF(c.x(), c.y() + h / 2);
            break;
        case Direction::Left:
            t << QPointF(c.x() + h / 2, c.y() - h) << QPointF(c.x() + h / 2, c.y() + h)
              << QPointF(c.x() - h / 2, c.y());
            break;
        case Direction::Right:
            t << QPointF(c.x() - h / 2, c.y() - h) << QPointF(c.x() - h / 2, c.y() + h)
              << QPointF(c.x() + h / 2, c.y());
            break;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPolygon(t);
    painter.restore();
}

void crossGlyph(QPainter& painter, const QRectF& rect, const QColor& colour, qreal width) {
    const qreal half = std::floor(std::min(rect.width(), rect.height()) / 2) - 0.5;
    const QPointF c = rect.center();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(c.x() - half, c.y() - half), QPointF(c.x() + half, c.y() + half));
    painter.drawLine(QPointF(c.x() - half, c.y() + half), QPointF(c.x() + half, c.y() - half));
    painter.restore();
}

void pageBackground(QPainter& painter, const QRect& rect, int titleHeight) {
    painter.fillRect(rect, kEdgeDark);
    const QRect body = rect.adjusted(1, 1, -1, -1);
    gradient(painter, body, QColor(36, 39, 44), QColor(24, 26, 30));
    if (titleHeight > 0) {
        const QRect title(body.left(), body.top(), body.width(), titleHeight - 1);
        gradient(painter, title, QColor(52, 57, 64), QColor(34, 37, 42));
        hline(painter, title.left(), title.right(), title.top(), QColor(255, 255, 255, 28));
        accentLine(painter, body.left(), body.right(), rect.top() + titleHeight);
    }
    // A faint light from the top left keeps the large areas from looking flat.
    glow(painter, QPointF(rect.left() + rect.width() * 0.25, rect.top() + titleHeight),
         std::max(rect.width(), rect.height()) * 0.6, QColor(120, 170, 200), 14);
}

void accentBar(QPainter& painter, const QRect& rect) {
    if (rect.isEmpty()) return;
    gradient(painter, rect, kAccentHover, kAccentDeep);
    painter.save();
    painter.setClipRect(rect);
    // The grain: diagonal stripes a few pixels apart, barely lighter than the bar.
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(QColor(255, 255, 255, 26), 2));
    for (int x = rect.left() - rect.height(); x <= rect.right(); x += 6)
        painter.drawLine(QPointF(x, rect.bottom() + 1), QPointF(x + rect.height() + 1, rect.top()));
    painter.restore();
    hline(painter, rect.left(), rect.right(), rect.top(), QColor(190, 236, 252, 170));
    hline(painter, rect.left(), rect.right(), rect.bottom(), QColor(6, 50, 70, 150));
}

}  // namespace x5k::painter::style
