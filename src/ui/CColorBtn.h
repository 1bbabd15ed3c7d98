#pragma once
// A plain colour swatch, as the lighting page shows its preset colours: the colour fills
// the button and a one-pixel frame tells selected, pushed and hovered swatches apart.

#include <QAbstractButton>
#include <QColor>
#include <QRect>
#include <QString>

#include <cstdint>

#include "controls/ButtonLook.h"

namespace x5k::ui {

class CColorBtn : public QAbstractButton {
    Q_OBJECT

public:
    CColorBtn(QWidget* parent, const QRect& rect);

    // 0x00BBGGRR, as profiles store colours; the top byte is ignored.
    void SetColour(uint32_t colorref);
    uint32_t Colour() const { return colour_; }
    void SetSelected(bool selected);
    bool IsSelected() const { return selected_; }
    void SetBorder(bool border);
    void SetTooltip(const QString& text, bool active);
    bool IsHovering() const { return hover_.hovering(); }

    // The swatch colour as a QColor.
    static QColor fromColorref(uint32_t colorref);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void endHover();

    uint32_t colour_ = 0;
    bool selected_ = false;
    bool border_ = false;
    bool tooltipActive_ = false;
    QString tooltipText_;
    controls::HoverTracker hover_;
};

}  // namespace x5k::ui
