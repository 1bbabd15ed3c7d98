#pragma once
// The program's look, shared by every painter: the palette, the plates and faces of the
// buttons, glows, frames, glyphs and the page background. The look is a dark anthracite
// body with one accent colour (the steel blue of the program's menus). Surfaces that
// carry dark text drawn by the windows (the menus, the message box) are light "cards"
// set in a dark frame, so that the fixed text colours of those windows stay readable.
//
// Straight edges are filled on whole pixels so that they stay crisp at 1:1; only curves
// are antialiased.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <QRect>
#include <QRectF>
#include <QSize>

#include <string>

namespace x5k::painter::style {

// The palette. Dark surfaces go from the deepest (wells, troughs) to the lightest (raised
// plates); the light surfaces are the cards for dark text.
inline const QColor kWell{16, 18, 21};
inline const QColor kBase{27, 30, 34};
inline const QColor kPanelTop{46, 50, 56};
inline const QColor kPanelBottom{33, 36, 41};
inline const QColor kEdgeDark{9, 10, 12};
inline const QColor kEdgeLight{74, 80, 88};
inline const QColor kAccent{21, 140, 185};
inline const QColor kAccentHover{72, 182, 224};
inline const QColor kAccentDeep{11, 84, 114};
inline const QColor kCardTop{239, 242, 244};
inline const QColor kCardBottom{223, 229, 232};
inline const QColor kCardEdge{160, 172, 179};
// The colour the windows draw their own captions and messages in on light cards.
inline const QColor kCardText{83, 97, 103};
inline const QColor kGlyphLight{214, 221, 226};
inline const QColor kGlyphMuted{128, 138, 146};

enum class State { Normal, Hover, Pressed, Disabled };
// Dark faces carry light captions; light faces carry the dark caption colour kCardText
// while normal and white while hovered or pressed.
enum class Tone { Dark, Light };
enum class Shape { Square, Rounded, Chamfered };
enum class Relief { Raised, Engraved };
enum class Direction { Up, Down, Left, Right };

// A canvas of the given size: transparent for pictures that keep an alpha channel,
// filled with `fill` for opaque (24-bit) ones.
QImage canvas(QSize size, bool alpha, const QColor& fill = kBase);
// True for the ".bmp" files, which are written as 24-bit bitmaps without alpha.
bool isBitmapPath(const std::string& path);
// A canvas following the file's convention: opaque for ".bmp", transparent for ".png".
QImage canvasFor(const std::string& path, QSize size, const QColor& fill = kBase);
// The picture as 24 bits per pixel (alpha dropped) for resources the windows read as
// bitmaps whatever their file type.
QImage opaque(const QImage& image);

// A painter with the program's render hints: antialiasing is switched on by the curve
// helpers themselves, so the painter starts without it.
void prepare(QPainter& painter);

// Crisp one-pixel lines and frames on whole pixels.
void hline(QPainter& painter, int x0, int x1, int y, const QColor& colour);
void vline(QPainter& painter, int x, int y0, int y1, const QColor& colour);
void frame(QPainter& painter, const QRect& rect, const QColor& colour);
// A two-colour bevel: `light` along the top and left edges, `dark` along the others.
void bevel(QPainter& painter, const QRect& rect, const QColor& light, const QColor& dark);
// A vertical gradient filling the rectangle, or the rounded rectangle with `radius`.
void gradient(QPainter& painter, const QRectF& rect, const QColor& top, const QColor& bottom,
              qreal radius = 0);

// An anthracite panel with a subtle top-down gradient, a dark outer edge and a light inner
// edge along the top.
void panel(QPainter& painter, const QRect& rect, qreal radius = 0);
// A plate standing out of the panel (Raised) or sunk into it (Engraved: wells, troughs,
// text fields).
void plate(QPainter& painter, const QRect& rect, Relief relief, qreal radius = 0);
// A light card for dark text, with its own edge.
void card(QPainter& painter, const QRect& rect, qreal radius = 0);

// The face of a button in one of its states, over a rectangle of the given shape.
void paintFace(QPainter& painter, const QRectF& rect, State state, Shape shape = Shape::Rounded,
               Tone tone = Tone::Dark);
// The same face over any outline (quadrilateral tabs, angled page buttons).
void paintFace(QPainter& painter, const QPolygonF& outline, State state, Tone tone = Tone::Dark);
// The colour a glyph takes on a face of that state and tone.
QColor glyphColour(State state, Tone tone = Tone::Dark);

// A soft radial glow of the colour, strongest at the centre and gone at `radius`.
void glow(QPainter& painter, const QPointF& centre, qreal radius, const QColor& colour,
          int alpha = 110);
// A thin accent line with a faint glow beneath, for the edge under a title bar.
void accentLine(QPainter& painter, int x0, int x1, int y);

// Glyphs centred in the rectangle.
void arrowGlyph(QPainter& painter, const QRectF& rect, Direction direction, const QColor& colour);
void crossGlyph(QPainter& painter, const QRectF& rect, const QColor& colour, qreal width = 1.6);

// A page or window background: the anthracite body over the whole rectangle with a
// title bar of `titleHeight` pixels across the top, closed by an accent line.
void pageBackground(QPainter& painter, const QRect& rect, int titleHeight);

// A bar fill (progress, levels) in the accent colour: a glossy vertical gradient with a
// faint diagonal grain that can be cut at any width.
void accentBar(QPainter& painter, const QRect& rect);

}  // namespace x5k::painter::style
