#pragma once
// A plain colour swatch, as the lighting page shows its preset colours: the colour fills
// the button and a one-pixel frame tells selected, pushed and hovered swatches apart.

#include <QColor>
#include <QRect>
#include <QString>

#include <cstdint>

#include "controls/ButtonLook.h"
#include "ui/HoverButton.h"

namespace x5k::ui {

class CColorBtn : public HoverButton {
    Q_OBJECT

public:
    CColorBtn(QWidget* parent, const QRect& rect);

    // 0x00BBGGRR, as profiles store colours; the top byte is ignored.
    void SetColour(uint32_t colorref);
    uint32_t Colour() const { return colour_; }
    void SetSelected(bool selected);
    bool IsSelected() const { return selected_; }
    void SetBorder(bool border);

    // The swatch colour as a QColor.
    static QColor fromColorref(uint32_t colorref);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    uint32_t colour_ = 0;
    bool selected_ = false;
    bool border_ = false;
};

}  // namespace x5k::ui
