#pragma once
// The general picture button of the pages: it shows one of four pictures (normal, hover,
// pressed, disabled) cut from the page's pictures, with an optional caption over it, a
// tooltip, a hover look and an optional checked state. Its click is the standard
// clicked() signal; with press notify on it also reports its own left-button press and
// release to the window it sits on, which the macro page's mouse pads record.

#include <QColor>
#include <QPixmap>
#include <QRect>
#include <QString>

#include "controls/ButtonLook.h"
#include "ui/ButtonSupport.h"
#include "ui/HoverButton.h"

namespace x5k::ui {

class CGDIBitmapBtn : public HoverButton {
    Q_OBJECT

public:
    // A child at the rectangle (parent coordinates), visible, never taking the keyboard focus.
    CGDIBitmapBtn(QWidget* parent, const QRect& rect);

    // Cuts the piece at `rect` (page client coordinates) of each page-sized source; a null
    // source leaves that picture unchanged.
    void SetImages(const QRect& rect, const QPixmap& normal, const QPixmap& hover,
                   const QPixmap& pressed, const QPixmap& disabled);
    // Takes the four pictures whole, as they are.
    void ReplaceImages(const QPixmap& normal, const QPixmap& hover, const QPixmap& pressed,
                       const QPixmap& disabled);

    void SetCheckMode(bool checkMode, bool toggleOnClick);
    bool checkMode() const { return checkMode_; }
    bool togglesOnClick() const { return toggleOnClick_; }
    // Repaints only when the state changes.
    void SetChecked(bool checked);
    bool IsChecked() const { return checked_; }

    void SetCaption(const QString& caption);
    QString Caption() const { return caption_; }
    void SetCaptionColours(const QColor& normal, const QColor& hover, const QColor& pressed);

    // Press and release reports (message 0x70D) posted to the parent window, lParam the
    // button.
    void SetPressNotify(bool on);

    // The caption colour of a disabled button is fixed.
    static QColor disabledCaptionColour() { return QColor(38, 42, 39); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void postPressReport(uint32_t wParam);
    controls::ButtonLook look() const;

    buttons::Pictures pictures_;
    QString caption_;
    buttons::CaptionColours colours_;
    bool checkMode_ = false;
    bool checked_ = false;
    bool toggleOnClick_ = false;
    bool pressNotify_ = false;
};

}  // namespace x5k::ui
