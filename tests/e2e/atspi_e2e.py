#!/usr/bin/env python3
"""Walks the accessibility tree of a running x5k-driver over AT-SPI, as a screen reader or
a desktop test tool would: the main window by its title, the five tabs, the five profile
buttons, Apply, the minimise, hide and language buttons, the flag and the pages, each with
its name and role; then presses the second tab through its action and sees the tabs'
checked states follow.

Usage: atspi_e2e.py LANGUAGE_FILE
  LANGUAGE_FILE  the language file the program shows (its interface strings are the
                 names the tabs, profiles and Apply must carry)
Exits 0 on success, 1 on a failure.
"""

import sys
import time
import xml.etree.ElementTree as ElementTree

import pyatspi

TITLE = "Zintu X5K Gaming Mouse Driver"
TAB_KEYS = ["str_main", "str_led_title", "str_macro_manager", "str_sts", "str_about"]
PROFILE_KEYS = [f"str_profile{n}" for n in range(1, 6)]
WINDOW_BUTTONS = ["Minimise", "Hide", "Language"]
MACRO_BUTTON_KEYS = ["str_new_macro", "str_del_macro", "str_macro_new", "str_macro_del",
                     "str_macro_modify"]
FLAG = "English"
WAIT_SECONDS = 15.0
POLL_SECONDS = 0.05


def fail(message):
    print(f"atspi: FAILED: {message}", file=sys.stderr)
    sys.exit(1)


def interface_strings(path):
    root = ElementTree.parse(path).getroot()
    config = root.find("config")
    if config is None:
        fail(f"{path} holds no config element")
    return {child.tag: (child.text or "") for child in config}


def wait_for(what, probe):
    deadline = time.monotonic() + WAIT_SECONDS
    while True:
        found = probe()
        if found:
            return found
        if time.monotonic() > deadline:
            fail(f"{what} within {WAIT_SECONDS:.0f} s")
        time.sleep(POLL_SECONDS)


def main_window():
    desktop = pyatspi.Registry.getDesktop(0)
    for application in desktop:
        if application is None:
            continue
        for window in application:
            if window is not None and window.name == TITLE:
                return window
    return None


def states(accessible):
    # A state read straight from the program, never one remembered from an earlier look.
    if hasattr(accessible, "clearCache"):
        accessible.clearCache()
    return accessible.getState()


def described(nodes):
    return ", ".join(f"{node.name!r} ({node.getRoleName()})" for node in nodes)


def main():
    if len(sys.argv) != 2:
        fail("usage: atspi_e2e.py LANGUAGE_FILE")
    strings = interface_strings(sys.argv[1])
    started = time.monotonic()
    window = wait_for("no window titled " + repr(TITLE) + " showed in the tree", main_window)
    everything = pyatspi.findAllDescendants(window, lambda node: node is not None)

    def with_role(role):
        return [node for node in everything if node.getRole() == role]

    tabs = with_role(pyatspi.ROLE_PAGE_TAB)
    expected_tabs = [strings[key] for key in TAB_KEYS]
    if [tab.name for tab in tabs] != expected_tabs:
        fail(f"the page tabs are {described(tabs)}, not {expected_tabs}")
    # The profile buttons, then the settings page's report-rate and wheel radios.
    radios = with_role(pyatspi.ROLE_RADIO_BUTTON)
    expected_radios = [strings[key] for key in PROFILE_KEYS] + [
        "125 Hz", "500 Hz", "1000 Hz", strings["str_rollerColumn"], strings["str_rollerScreen"]]
    if [radio.name for radio in radios] != expected_radios:
        fail(f"the radio buttons are {described(radios)}, not {expected_radios}")
    # The settings page's resolution boxes are check boxes named by their resolution; the
    # shipped profile has 750 to 3000 on.
    boxes = {box.name: box for box in with_role(pyatspi.ROLE_CHECK_BOX)}
    for dpi in (500, 750, 1000, 1250, 1500, 1750, 2000, 3000):
        box = boxes.get(f"{dpi} DPI")
        if box is None:
            fail(f"no check box named '{dpi} DPI'; the check boxes are {sorted(boxes)}")
        if states(box).contains(pyatspi.STATE_CHECKED) != (dpi in (750, 1500, 2000, 3000, 1000)):
            fail(f"the '{dpi} DPI' box does not show the shipped profile")
    buttons = {button.name for button in with_role(pyatspi.ROLE_PUSH_BUTTON)}
    for name in WINDOW_BUTTONS + [strings["str_ok"]]:
        if name not in buttons:
            fail(f"no push button named {name!r}; the push buttons are {sorted(buttons)}")
    if not any(node.name == FLAG for node in everything):
        fail(f"nothing is named {FLAG!r} for the language flag")
    pages = [panel.name for panel in with_role(pyatspi.ROLE_PANEL)]
    if pages != expected_tabs:
        fail(f"the pages are named {pages}, not after their tabs {expected_tabs}")

    # A resolution box of the page shown works through its action as through a click: 750 goes off.
    box = boxes["750 DPI"]
    action = box.queryAction()
    action.doAction(0)
    wait_for(
        "the '750 DPI' box did not go off after its action",
        lambda: not states(box).contains(pyatspi.STATE_CHECKED),
    )
    # The first tab is the selected one; pressing the second moves the check to it.
    if not states(tabs[0]).contains(pyatspi.STATE_CHECKED):
        fail("the first tab is not checked at the start")
    action = tabs[1].queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    if "Press" not in names:
        fail(f"the second tab's actions are {names}, without Press")
    action.doAction(names.index("Press"))
    wait_for(
        "the second tab did not become checked after its Press",
        lambda: states(tabs[1]).contains(pyatspi.STATE_CHECKED)
        and not states(tabs[0]).contains(pyatspi.STATE_CHECKED),
    )
    # The macro page, made when first shown: its buttons carry their hints as names, the
    # record button its caption, and the no-delays toggle is a check box its action checks.
    action = tabs[2].queryAction()
    action.doAction([action.getName(i) for i in range(action.nActions)].index("Press"))
    wanted = [strings[key] for key in MACRO_BUTTON_KEYS] + ["Start Record"]

    def macro_buttons():
        nodes = pyatspi.findAllDescendants(window, lambda node: node is not None)
        named = {n.name for n in nodes if n.getRole() == pyatspi.ROLE_PUSH_BUTTON}
        return all(name in named for name in wanted) and nodes

    nodes = wait_for(f"the macro page showed no push buttons named {wanted}", macro_buttons)
    toggle = next((n for n in nodes if n.getRole() == pyatspi.ROLE_CHECK_BOX
                   and n.name == strings["str_macro_delay"]), None)
    if toggle is None:
        fail(f"no check box named {strings['str_macro_delay']!r} on the macro page")
    action = toggle.queryAction()
    action.doAction(0)
    wait_for(
        "the no-delays toggle did not become checked after its action",
        lambda: states(toggle).contains(pyatspi.STATE_CHECKED),
    )
    print(
        f"atspi: {len(everything)} accessible objects below the main window; tabs, profiles, "
        f"Apply, window buttons, flag, pages, settings and macro page named; a tab pressed, a "
        f"resolution box turned off and the no-delays toggle on through their actions "
        f"({time.monotonic() - started:.1f} s)"
    )
    return 0


if __name__ == "__main__":
    sys.exit(main())
