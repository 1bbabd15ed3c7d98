#pragma once
// Small pieces the owner-drawn buttons share: how they reach the window they sit on, when
// the program counts as active for a hover, and their switchable tooltip.

#include <QApplication>
#include <QColor>
#include <QEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QString>
#include <QToolTip>
#include <QWidget>

#include <cstdint>

#include "controls/ButtonLook.h"
#include "ui/MessageWindow.h"

namespace x5k::ui::buttons {

// Numbered messages go to the page or dialog the control sits on; a control on a plain
// widget has nobody to tell.
inline void postToParent(const QWidget* control, uint32_t message, uintptr_t wParam,
                         intptr_t lParam) {
    if (auto* target = qobject_cast<MessageWindow*>(control->parentWidget())) {
        target->post(message, wParam, lParam);
    }
}

// A button's four pictures, one per look.
struct Pictures {
    QPixmap normal;
    QPixmap hover;
    QPixmap pressed;
    QPixmap disabled;

    const QPixmap& of(controls::ButtonPicture picture) const {
        switch (picture) {
            case controls::ButtonPicture::Hover:
                return hover;
            case controls::ButtonPicture::Pressed:
                return pressed;
            case controls::ButtonPicture::Disabled:
                return disabled;
            case controls::ButtonPicture::Normal:
                break;
        }
        return normal;
    }
};

// A button's caption colours; the disabled colour is the button kind's own.
struct CaptionColours {
    QColor normal{189, 189, 200};
    QColor hover{255, 255, 255};
    QColor pressed{38, 29, 5};

    QColor of(controls::CaptionColour caption, const QColor& disabled) const {
        switch (caption) {
            case controls::CaptionColour::Hover:
                return hover;
            case controls::CaptionColour::Pressed:
                return pressed;
            case controls::CaptionColour::Disabled:
                return disabled;
            case controls::CaptionColour::Normal:
                break;
        }
        return normal;
    }
};

// A button starts to hover only while one of the program's windows is active.
inline bool programWindowActive() {
    return QApplication::activeWindow() != nullptr;
}

inline bool leftButtonHeld(const QMouseEvent* event) {
    return (event->buttons() & Qt::LeftButton) != 0;
}

// Answers a tooltip request: shows the text while the tooltip is active, otherwise hides
// any tooltip. Returns true for a tooltip request (handled either way).
inline bool handleTooltip(QWidget* control, QEvent* event, const QString& text, bool active) {
    if (event->type() != QEvent::ToolTip) return false;
    if (active && !text.isEmpty()) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text, control,
                           control->rect());
    } else {
        QToolTip::hideText();
        event->ignore();
    }
    return true;
}

}  // namespace x5k::ui::buttons
