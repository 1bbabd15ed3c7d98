#pragma once
// How the owner-drawn controls show themselves to screen readers and desktop test tools
// (the accessibility tree, AT-SPI on Linux). Qt knows the standard widgets; the picture
// buttons, swatches, sliders, the progress bar and the custom pop-up menus draw
// themselves, so they get interfaces of their own here: a name from the accessible name,
// caption or tooltip in the current language, the role their use calls for, their state
// (checked, pressed, hovered, selected, disabled) and a default action that does what a
// click does.

#include <QAccessible>

class QObject;
class QWidget;

namespace x5k::ui {

// Makes the interfaces known to Qt. The program and the window tests call it once the
// application object exists; later calls do nothing.
void installAccessibility();

// The role a control announces when its use says more than its kind: the main window's
// tabs are page tabs, its profile buttons radio buttons, its pages panes. A widget that
// is not of the kit gets a plain interface with that role.
void setAccessibleRole(QWidget* widget, QAccessible::Role role);

// A kit control whose tooltip also serves as its accessible name (the edits and lists,
// whose interfaces are Qt's own): the name follows every later tooltip change, unless a
// name was given explicitly.
void nameFromTooltip(QWidget* widget);

// Tells assistive tools that the control's checked (or selected) state changed, so they
// need not poll for it.
void tellCheckedChanged(QObject* control);

// Tells assistive tools that the name of a control changed (a caption or tooltip the name
// comes from), so a screen reader that showed it reads the new one.
void tellNameChanged(QObject* control);

// Tells assistive tools that a slider's or progress bar's value changed.
void tellValueChanged(QObject* control, int value);

}  // namespace x5k::ui
