#include "ui/CBitmapEdit.h"

#include <QPalette>

#include "ui/Accessibility.h"
#include "ui/Skin.h"

namespace x5k::ui {

namespace {

constexpr int kFontWeight = 500;

}  // namespace

CBitmapEdit::CBitmapEdit(QWidget* parent, const QRect& rect, int fontPixelHeight)
    : QLineEdit(parent) {
    setGeometry(rect);
    setMaxLength(kMaxCharacters);
    nameFromTooltip(this);
    setFont(dialogFont(fontPixelHeight, kFontWeight));
    setFrame(false);
    // Never reached with Tab, but a click puts the cursor in, as one would expect.
    setFocusPolicy(Qt::ClickFocus);
    QPalette colours = palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setColor(group, QPalette::Text, textColour());
    }
    setPalette(colours);
    setVisible(true);
}

void CBitmapEdit::SetBackground(int x, int y, int width, int height, const QImage& picture) {
    const QImage area = piece(picture, QRect(x, y, width, height));
    if (area.isNull()) return;
    background_ = QPixmap::fromImage(area);
    QPalette colours = palette();
    // A texture brush is laid from the widget's origin, so the piece lines up with the
    // page picture around the edit.
    const QBrush brush(background_);
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setBrush(group, QPalette::Base, brush);
        colours.setBrush(group, QPalette::Window, brush);
    }
    setPalette(colours);
    update();
}

}  // namespace x5k::ui
