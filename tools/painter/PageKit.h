#pragma once
// The pieces the page pictures share: how a control of a page's layout is drawn in each of
// its looks, the section panels, wells and tracks of the backgrounds, and the small glyphs
// that stand in for words (the windows draw every word themselves, in the chosen language).

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <QRect>

#include <vector>

#include "Style.h"
#include "layout/Layout.h"

namespace x5k::painter::pages {

using style::State;

// The Windows rectangle of the layout tables as a QRect.
QRect toQRect(const layout::Rect& rect);
// The outline of an outlined control, in page coordinates.
QPolygonF outlineOf(const layout::Control& control);

// Where a control's face goes in the shared skin pictures. Both layouts read the same skin
// file, so a control whose Chinese rectangle differs gets one face over the union of both
// rectangles when they overlap, and a face at each rectangle when they do not, unless the
// Chinese one would cover another control of the English layout (the layout used by eleven
// of the twelve languages wins).
std::vector<QRect> facePlaces(const layout::PageLayout& page, const layout::Control& control);

// The pressed face: an accent plate pushed into the panel, light enough for the dark caption
// colour the buttons use while pressed.
void pressedFace(QPainter& p, const QRectF& rect, qreal radius = 3);
void pressedFace(QPainter& p, const QPolygonF& outline);
// A button face of either tone in any state (Pressed uses pressedFace for dark tones).
void buttonFace(QPainter& p, const QRect& rect, State state, style::Tone tone = style::Tone::Dark);
// A region button or slanted tab in its state.
void outlineFace(QPainter& p, const QPolygonF& outline, State state,
                 style::Tone tone = style::Tone::Dark);
// The box of a two-state button at the left of its rectangle: empty, lit rim (hover) or
// filled with the accent and a check (pressed, i.e. checked).
void checkBox(QPainter& p, const QRect& box, State state, bool round);
// The hover wash behind a two-state button's label area.
void hoverWash(QPainter& p, const QRect& rect);
// A small round lamp: dark glass when unlit, accent light with a glow when lit.
void lamp(QPainter& p, const QRectF& rect, bool lit, bool hover = false);

// Section panel with an empty title strip where the hint area lies.
void section(QPainter& p, const QRect& panelRect, const QRect& titleStrip);
// A sunk well for lists, edits and figures.
void well(QPainter& p, const QRect& rect);
// A light well (for the boxes whose windows write dark text on the picture).
void lightWell(QPainter& p, const QRect& rect);
// A thin slider track, vertically centred in the slider's rectangle.
void track(QPainter& p, const QRect& rect);
// The plain body of a page without a title bar.
void pageBody(QPainter& p, const QRect& rect);

// Glyphs, drawn in the given colour centred in the rectangle.
enum class Glyph {
    Mouse,
    Lamp,
    Macro,
    Chart,
    Info,
    Check,
    Plus,
    Minus,
    Pencil,
    Globe,
    Download,
    Import,
    Export,
    Reset,
    Chip,
    Monitor,
    Lines,
    Screen,
    Wave,
    Spectrum,
    Power,
    Target,
    Folder,
    Clock,
    Keyboard,
    Cup,
    // The mouse with its left or right button or its wheel lit.
    MouseLeft,
    MouseMiddle,
    MouseRight,
};
void glyph(QPainter& p, const QRectF& rect, Glyph which, const QColor& colour);
// Digits and other language-free marks (DPI values) in a small bold face.
void digits(QPainter& p, const QRect& rect, const QString& text, const QColor& colour,
            Qt::Alignment align = Qt::AlignCenter, int pixelSize = 10);

// A top view of the mouse as an outline drawing, used on the settings and macro pages.
void mouseFigure(QPainter& p, const QRectF& body);

// The ground the trophy display sits on; the trophy pictures repaint it whole.
void trophyGround(QPainter& p, const QRect& rect);

}  // namespace x5k::painter::pages
