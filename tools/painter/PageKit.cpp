#include "PageKit.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace x5k::painter::pages {

using namespace x5k::painter::style;

QRect toQRect(const layout::Rect& rect) {
    return QRect(rect.left, rect.top, rect.width(), rect.height());
}

QPolygonF outlineOf(const layout::Control& control) {
    QPolygonF polygon;
    for (const layout::Point& corner : control.corners) polygon << QPointF(corner.x, corner.y);
    return polygon;
}

namespace {

bool overlaps(const layout::Rect& a, const layout::Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

std::vector<QRect> facePlaces(const layout::PageLayout& page, const layout::Control& control) {
    const QRect english = toQRect(control.rect);
    if (control.chineseRect == control.rect) return {english};
    // Two-state buttons carry their box at the left edge, so they are never merged: the
    // Chinese one is drawn where its box is clear of the English layout's controls.
    const bool boxed = control.look == layout::Look::CheckButton;
    const layout::Rect chinese = control.chineseRect;
    const layout::Rect chineseBox{chinese.left, chinese.top, chinese.left + chinese.height(),
                                  chinese.bottom};
    const bool merge = !boxed && overlaps(control.rect, chinese);
    const layout::Rect both{
        std::min(control.rect.left, chinese.left), std::min(control.rect.top, chinese.top),
        std::max(control.rect.right, chinese.right), std::max(control.rect.bottom, chinese.bottom)};
    const layout::Rect& extra = merge ? both : (boxed ? chineseBox : chinese);
    for (const layout::Control& other : page.controls) {
        if (other.art == layout::Art::Background || other.art == layout::Art::Drawn) continue;
        if (&other == &control && (merge || !boxed)) continue;
        if (overlaps(other.rect, extra)) return {english};
    }
    if (merge) return {toQRect(both)};
    return {english, toQRect(chinese)};
}

void pressedFace(QPainter& p, const QRectF& rect, qreal radius) {
    // A dark rim, a shadow along the top inside it, then the accent fill lit from below.
    gradient(p, rect, QColor(6, 40, 56), QColor(6, 40, 56), radius);
    gradient(p, rect.adjusted(1, 1, -1, -1), QColor(50, 140, 178), QColor(118, 206, 240),
             std::max<qreal>(0, radius - 1));
    gradient(p, rect.adjusted(1, 2, -1, -1), QColor(78, 172, 212), QColor(124, 210, 242),
             std::max<qreal>(0, radius - 1));
}

void pressedFace(QPainter& p, const QPolygonF& outline) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(6, 40, 56));
    p.drawPolygon(outline);
    const QRectF box = outline.boundingRect();
    QPolygonF inner;
    for (const QPointF& pt : outline) {
        const qreal dx = pt.x() < box.center().x() ? 1.5 : -1.5;
        const qreal dy = pt.y() < box.center().y() ? 1.5 : -1.5;
        inner << QPointF(pt.x() + dx, pt.y() + dy);
    }
    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    fill.setColorAt(0, QColor(60, 152, 190));
    fill.setColorAt(0.25, QColor(86, 180, 218));
    fill.setColorAt(1, QColor(128, 212, 244));
    p.setBrush(fill);
    p.drawPolygon(inner);
    p.restore();
}

void buttonFace(QPainter& p, const QRect& rect, State state, Tone tone) {
    if (state == State::Pressed) {
        pressedFace(p, QRectF(rect));
        return;
    }
    paintFace(p, QRectF(rect), state, Shape::Rounded, tone);
    if (state == State::Hover) {
        // The hovered plate carries a bright accent edge along its bottom as a glow.
        hline(p, rect.left() + 3, rect.right() - 3, rect.bottom() - 1, QColor(150, 225, 250, 160));
    }
}

void outlineFace(QPainter& p, const QPolygonF& outline, State state, Tone tone) {
    if (state == State::Pressed && tone == Tone::Dark) {
        pressedFace(p, outline);
        return;
    }
    paintFace(p, outline, state, tone);
    if (state == State::Hover) {
        p.save();
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(QColor(150, 225, 250, 150), 1));
        p.setBrush(Qt::NoBrush);
        QPolygonF inner;
        const QRectF box = outline.boundingRect();
        for (const QPointF& pt : outline) {
            const qreal dx = pt.x() < box.center().x() ? 1.5 : -1.5;
            const qreal dy = pt.y() < box.center().y() ? 1.5 : -1.5;
            inner << QPointF(pt.x() + dx, pt.y() + dy);
        }
        p.drawPolygon(inner);
        p.restore();
    }
}

void checkBox(QPainter& p, const QRect& box, State state, bool round) {
    const qreal radius = round ? box.width() / 2.0 : 2;
    const QRectF r(box);
    if (state == State::Pressed) {
        gradient(p, r, kAccentDeep, kAccentDeep, radius);
        gradient(p, r.adjusted(1, 1, -1, -1), kAccentHover, kAccent,
                 std::max<qreal>(0, radius - 1));
        const QRectF mark = r.adjusted(box.width() * 0.28, box.height() * 0.28, -box.width() * 0.28,
                                       -box.height() * 0.28);
        if (round) {
            gradient(p, mark, QColor(255, 255, 255), QColor(220, 240, 250), mark.width() / 2);
        } else {
            glyph(p, r.adjusted(1, 1, -1, -1), Glyph::Check, QColor(255, 255, 255));
        }
        return;
    }
    gradient(p, r, state == State::Hover ? kAccentHover : kEdgeLight,
             state == State::Hover ? kAccent : QColor(54, 58, 64), radius);
    gradient(p, r.adjusted(1, 1, -1, -1), kWell, QColor(30, 34, 38),
             std::max<qreal>(0, radius - 1));
    if (state == State::Hover) glow(p, r.center(), box.width() * 0.45, kAccentHover, 90);
}

void hoverWash(QPainter& p, const QRect& rect) {
    QLinearGradient wash(rect.topLeft(), rect.topRight());
    wash.setColorAt(0, QColor(72, 182, 224, 70));
    wash.setColorAt(1, QColor(72, 182, 224, 0));
    p.fillRect(rect, wash);
}

void lamp(QPainter& p, const QRectF& rect, bool lit, bool hover) {
    const qreal d = std::min(rect.width(), rect.height()) - 4;
    const QRectF r(rect.center().x() - d / 2, rect.center().y() - d / 2, d, d);
    if (lit) glow(p, r.center(), d, hover ? kAccentHover : kAccent, 150);
    gradient(p, r, kEdgeDark, kEdgeDark, d / 2);
    const QRectF glass = r.adjusted(1.5, 1.5, -1.5, -1.5);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    QRadialGradient g(glass.center() - QPointF(0, glass.height() * 0.2), glass.width() * 0.7);
    if (lit) {
        g.setColorAt(0, QColor(230, 250, 255));
        g.setColorAt(0.45, kAccentHover);
        g.setColorAt(1, kAccent);
    } else {
        g.setColorAt(0, QColor(70, 78, 86));
        g.setColorAt(1, QColor(28, 32, 36));
    }
    p.setBrush(g);
    p.drawEllipse(glass);
    p.restore();
}

void section(QPainter& p, const QRect& panelRect, const QRect& titleStrip) {
    panel(p, panelRect);
    if (titleStrip.isEmpty()) return;
    // The strip runs across the panel at the height of the title area, a little darker,
    // with an accent tick in front of where the title would read.
    const QRect strip(panelRect.left() + 1, titleStrip.top(), panelRect.width() - 2,
                      titleStrip.height());
    QLinearGradient fade(strip.topLeft(), strip.topRight());
    fade.setColorAt(0, QColor(0, 0, 0, 70));
    fade.setColorAt(1, QColor(0, 0, 0, 0));
    p.fillRect(strip, fade);
    hline(p, strip.left(), strip.right(), strip.bottom(), QColor(255, 255, 255, 16));
    p.fillRect(QRect(panelRect.left() + 3, strip.top() + 4, 3, std::max(4, strip.height() - 8)),
               kAccent);
}

void well(QPainter& p, const QRect& rect) {
    plate(p, rect, Relief::Engraved);
}

void lightWell(QPainter& p, const QRect& rect) {
    p.fillRect(rect, QColor(120, 132, 140));
    gradient(p, QRectF(rect).adjusted(1, 1, -1, -1), QColor(214, 220, 224), kCardTop);
    hline(p, rect.left() + 1, rect.right() - 1, rect.top() + 1, QColor(0, 0, 0, 40));
}

void track(QPainter& p, const QRect& rect) {
    const int cy = rect.top() + rect.height() / 2;
    const QRect groove(rect.left() + 2, cy - 2, rect.width() - 4, 4);
    p.fillRect(groove, kEdgeDark);
    p.fillRect(groove.adjusted(1, 1, -1, -1), QColor(44, 98, 122));
    hline(p, groove.left(), groove.right(), groove.bottom() + 1, QColor(255, 255, 255, 30));
}

void pageBody(QPainter& p, const QRect& rect) {
    gradient(p, rect, QColor(30, 33, 38), QColor(22, 24, 28));
    glow(p, QPointF(rect.left() + rect.width() * 0.3, rect.top()), rect.width() * 0.6,
         QColor(120, 170, 200), 12);
}

namespace {

// A pen for line glyphs scaled to the glyph box.
QPen glyphPen(const QColor& colour, qreal width) {
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

}  // namespace

void glyph(QPainter& p, const QRectF& rect, Glyph which, const QColor& colour) {
    const qreal s = std::min(rect.width(), rect.height());
    const QRectF b(rect.center().x() - s / 2, rect.center().y() - s / 2, s, s);
    const qreal w = std::max<qreal>(1.3, s / 11);
    auto at = [&](qreal x, qreal y) { return QPointF(b.left() + x * s, b.top() + y * s); };
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(glyphPen(colour, w));
    p.setBrush(Qt::NoBrush);
    switch (which) {
        case Glyph::Mouse:
        case Glyph::MouseLeft:
        case Glyph::MouseMiddle:
        case Glyph::MouseRight: {
            const QRectF body(at(0.28, 0.1), at(0.72, 0.9));
            if (which == Glyph::MouseLeft || which == Glyph::MouseRight) {
                // The lit button is filled up to the split and the line under the buttons.
                QPainterPath shell;
                shell.addRoundedRect(body, s * 0.22, s * 0.22);
                QPainterPath button;
                button.addRect(which == Glyph::MouseLeft ? QRectF(at(0.28, 0.1), at(0.5, 0.4))
                                                         : QRectF(at(0.5, 0.1), at(0.72, 0.4)));
                p.fillPath(shell.intersected(button), colour);
            }
            p.drawRoundedRect(body, s * 0.22, s * 0.22);
            p.drawLine(at(0.5, 0.1), at(0.5, 0.4));
            p.drawLine(at(0.28, 0.4), at(0.72, 0.4));
            if (which == Glyph::MouseMiddle) {
                // The lit wheel: a filled pill on the split.
                p.setBrush(colour);
                p.drawRoundedRect(QRectF(at(0.42, 0.14), at(0.58, 0.36)), s * 0.08, s * 0.08);
            }
            break;
        }
        case Glyph::Lamp: {
            p.drawEllipse(QRectF(at(0.28, 0.1), at(0.72, 0.56)));
            p.drawLine(at(0.4, 0.66), at(0.6, 0.66));
            p.drawLine(at(0.42, 0.78), at(0.58, 0.78));
            for (int i = 0; i < 3; ++i) {
                const qreal a = (-150 + 60 * i) * M_PI / 180;
                const QPointF c = at(0.5, 0.33);
                p.drawLine(c + QPointF(std::cos(a), std::sin(a)) * s * 0.33,
                           c + QPointF(std::cos(a), std::sin(a)) * s * 0.45);
            }
            break;
        }
        case Glyph::Macro: {
            p.drawRoundedRect(QRectF(at(0.08, 0.28), at(0.92, 0.78)), s * 0.06, s * 0.06);
            for (int i = 0; i < 4; ++i) p.drawPoint(at(0.22 + 0.19 * i, 0.44));
            p.drawLine(at(0.3, 0.62), at(0.7, 0.62));
            break;
        }
        case Glyph::Chart: {
            p.drawLine(at(0.12, 0.88), at(0.88, 0.88));
            p.setBrush(colour);
            p.setPen(Qt::NoPen);
            p.drawRect(QRectF(at(0.18, 0.55), at(0.34, 0.82)));
            p.drawRect(QRectF(at(0.42, 0.3), at(0.58, 0.82)));
            p.drawRect(QRectF(at(0.66, 0.12), at(0.82, 0.82)));
            break;
        }
        case Glyph::Info: {
            p.drawEllipse(QRectF(at(0.12, 0.12), at(0.88, 0.88)));
            p.drawLine(at(0.5, 0.45), at(0.5, 0.72));
            p.drawPoint(at(0.5, 0.31));
            break;
        }
        case Glyph::Check: {
            p.drawPolyline(QPolygonF() << at(0.2, 0.52) << at(0.42, 0.74) << at(0.8, 0.28));
            break;
        }
        case Glyph::Plus:
            p.drawLine(at(0.5, 0.22), at(0.5, 0.78));
            [[fallthrough]];
        case Glyph::Minus:
            p.drawLine(at(0.22, 0.5), at(0.78, 0.5));
            break;
        case Glyph::Pencil: {
            p.drawPolygon(QPolygonF() << at(0.2, 0.8) << at(0.25, 0.62) << at(0.66, 0.21)
                                      << at(0.79, 0.34) << at(0.38, 0.75));
            break;
        }
        case Glyph::Globe: {
            p.drawEllipse(QRectF(at(0.12, 0.12), at(0.88, 0.88)));
            p.drawEllipse(QRectF(at(0.34, 0.12), at(0.66, 0.88)));
            p.drawLine(at(0.12, 0.5), at(0.88, 0.5));
            break;
        }
        case Glyph::Download:
        case Glyph::Import:
        case Glyph::Export: {
            const bool down = which != Glyph::Export;
            p.drawLine(at(0.5, 0.12), at(0.5, 0.62));
            if (down)
                p.drawPolyline(QPolygonF() << at(0.3, 0.44) << at(0.5, 0.64) << at(0.7, 0.44));
            else
                p.drawPolyline(QPolygonF() << at(0.3, 0.32) << at(0.5, 0.12) << at(0.7, 0.32));
            p.drawPolyline(QPolygonF()
                           << at(0.14, 0.62) << at(0.14, 0.86) << at(0.86, 0.86) << at(0.86, 0.62));
            break;
        }
        case Glyph::Reset: {
            p.drawArc(QRectF(at(0.16, 0.16), at(0.84, 0.84)), 100 * 16, 290 * 16);
            p.setBrush(colour);
            p.setPen(Qt::NoPen);
            p.drawPolygon(QPolygonF() << at(0.5, 0.02) << at(0.5, 0.3) << at(0.3, 0.16));
            break;
        }
        case Glyph::Chip: {
            p.drawRect(QRectF(at(0.26, 0.26), at(0.74, 0.74)));
            for (int i = 0; i < 3; ++i) {
                const qreal t = 0.36 + 0.14 * i;
                p.drawLine(at(t, 0.1), at(t, 0.26));
                p.drawLine(at(t, 0.74), at(t, 0.9));
                p.drawLine(at(0.1, t), at(0.26, t));
                p.drawLine(at(0.74, t), at(0.9, t));
            }
            break;
        }
        case Glyph::Monitor: {
            p.drawRect(QRectF(at(0.1, 0.16), at(0.9, 0.7)));
            p.drawLine(at(0.5, 0.7), at(0.5, 0.84));
            p.drawLine(at(0.32, 0.86), at(0.68, 0.86));
            break;
        }
        case Glyph::Lines: {
            for (int i = 0; i < 3; ++i)
                p.drawLine(at(0.14, 0.26 + 0.24 * i), at(0.62, 0.26 + 0.24 * i));
            p.drawLine(at(0.8, 0.2), at(0.8, 0.8));
            p.drawPolyline(QPolygonF() << at(0.7, 0.68) << at(0.8, 0.8) << at(0.9, 0.68));
            break;
        }
        case Glyph::Screen: {
            p.drawRect(QRectF(at(0.14, 0.14), at(0.64, 0.86)));
            p.drawLine(at(0.8, 0.2), at(0.8, 0.8));
            p.drawPolyline(QPolygonF() << at(0.7, 0.68) << at(0.8, 0.8) << at(0.9, 0.68));
            break;
        }
        case Glyph::Wave: {
            QPainterPath path(at(0.06, 0.5));
            path.cubicTo(at(0.25, 0.05), at(0.25, 0.95), at(0.5, 0.5));
            path.cubicTo(at(0.75, 0.05), at(0.75, 0.95), at(0.94, 0.5));
            p.drawPath(path);
            break;
        }
        case Glyph::Spectrum: {
            p.setPen(Qt::NoPen);
            QLinearGradient g(at(0.06, 0), at(0.94, 0));
            for (int i = 0; i <= 6; ++i)
                g.setColorAt(i / 6.0, QColor::fromHsv((i * 60) % 360, 200, 240));
            p.setBrush(g);
            p.drawRoundedRect(QRectF(at(0.06, 0.34), at(0.94, 0.66)), s * 0.1, s * 0.1);
            break;
        }
        case Glyph::Power: {
            p.drawArc(QRectF(at(0.18, 0.2), at(0.82, 0.84)), 120 * 16, 300 * 16);
            p.drawLine(at(0.5, 0.1), at(0.5, 0.46));
            break;
        }
        case Glyph::Target: {
            p.drawEllipse(QRectF(at(0.18, 0.18), at(0.82, 0.82)));
            p.drawLine(at(0.5, 0.04), at(0.5, 0.34));
            p.drawLine(at(0.5, 0.66), at(0.5, 0.96));
            p.drawLine(at(0.04, 0.5), at(0.34, 0.5));
            p.drawLine(at(0.66, 0.5), at(0.96, 0.5));
            break;
        }
        case Glyph::Folder: {
            p.drawPolygon(QPolygonF() << at(0.1, 0.24) << at(0.4, 0.24) << at(0.48, 0.34)
                                      << at(0.9, 0.34) << at(0.9, 0.8) << at(0.1, 0.8));
            break;
        }
        case Glyph::Clock: {
            p.drawEllipse(QRectF(at(0.12, 0.12), at(0.88, 0.88)));
            p.drawPolyline(QPolygonF() << at(0.5, 0.26) << at(0.5, 0.5) << at(0.68, 0.6));
            break;
        }
        case Glyph::Keyboard: {
            p.drawRoundedRect(QRectF(at(0.2, 0.2), at(0.8, 0.8)), s * 0.1, s * 0.1);
            p.drawLine(at(0.36, 0.62), at(0.64, 0.62));
            break;
        }
        case Glyph::Cup: {
            p.drawPolygon(QPolygonF() << at(0.28, 0.14) << at(0.72, 0.14) << at(0.66, 0.48)
                                      << at(0.5, 0.58) << at(0.34, 0.48));
            p.drawArc(QRectF(at(0.12, 0.18), at(0.34, 0.42)), 90 * 16, 180 * 16);
            p.drawArc(QRectF(at(0.66, 0.18), at(0.88, 0.42)), 90 * 16, -180 * 16);
            p.drawLine(at(0.5, 0.58), at(0.5, 0.76));
            p.drawLine(at(0.32, 0.84), at(0.68, 0.84));
            break;
        }
    }
    p.restore();
}

void digits(QPainter& p, const QRect& rect, const QString& text, const QColor& colour,
            Qt::Alignment align, int pixelSize) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    p.save();
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(rect, static_cast<int>(align), text);
    p.restore();
}

void mouseFigure(QPainter& p, const QRectF& body) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath shell;
    const qreal w = body.width(), h = body.height();
    auto at = [&](qreal x, qreal y) { return QPointF(body.left() + x * w, body.top() + y * h); };
    shell.moveTo(at(0.5, 0));
    shell.cubicTo(at(0.9, 0), at(1.0, 0.22), at(1.0, 0.45));
    shell.cubicTo(at(1.0, 0.8), at(0.82, 1.0), at(0.5, 1.0));
    shell.cubicTo(at(0.18, 1.0), at(0.0, 0.8), at(0.0, 0.45));
    shell.cubicTo(at(0.0, 0.22), at(0.1, 0), at(0.5, 0));
    QLinearGradient g(body.topLeft(), body.topRight());
    g.setColorAt(0, QColor(40, 44, 50));
    g.setColorAt(0.5, QColor(58, 63, 70));
    g.setColorAt(1, QColor(32, 35, 40));
    p.setPen(QPen(kEdgeDark, 2));
    p.setBrush(g);
    p.drawPath(shell);
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shell.translated(0, 1).intersected(shell));
    // The split between the two main buttons, the wheel slot and an accent stripe.
    p.setPen(QPen(kEdgeDark, 2));
    p.drawLine(at(0.5, 0.0), at(0.5, 0.36));
    p.drawLine(at(0.06, 0.38), at(0.94, 0.38));
    p.setPen(QPen(kAccent, 2));
    p.drawLine(at(0.12, 0.62), at(0.5, 0.72));
    p.drawLine(at(0.88, 0.62), at(0.5, 0.72));
    p.setPen(Qt::NoPen);
    p.setBrush(kEdgeDark);
    p.drawRoundedRect(QRectF(at(0.45, 0.09), at(0.55, 0.28)), 3, 3);
    p.restore();
}

void trophyGround(QPainter& p, const QRect& rect) {
    QRadialGradient g(QPointF(rect.center().x(), rect.top() + rect.height() * 0.42),
                      rect.width() * 0.9);
    g.setColorAt(0, QColor(40, 52, 62));
    g.setColorAt(1, QColor(16, 18, 22));
    p.fillRect(rect, g);
    vline(p, rect.left(), rect.top(), rect.bottom(), kEdgeDark);
    vline(p, rect.right(), rect.top(), rect.bottom(), kEdgeDark);
    vline(p, rect.left() + 1, rect.top(), rect.bottom(), QColor(255, 255, 255, 18));
    // A plinth near the bottom on which the trophy stands.
    const QRect plinth(rect.left() + 40, rect.bottom() - 70, rect.width() - 80, 10);
    QRadialGradient spot(QPointF(plinth.center()), plinth.width() / 2.0);
    spot.setColorAt(0, QColor(21, 140, 185, 90));
    spot.setColorAt(1, QColor(21, 140, 185, 0));
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(spot);
    p.drawEllipse(QRectF(plinth).adjusted(0, -6, 0, 6));
    p.restore();
}

}  // namespace x5k::painter::pages
