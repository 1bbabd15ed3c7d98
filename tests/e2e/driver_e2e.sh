#!/usr/bin/env bash
# The desktop program end to end, as a user sees it, on a private X server:
#   first start against the emulated mouse (data folder seeded, window centred, icon in
#   the notification area), a second start that hands over and ends, Apply (progress
#   dialog, profile and configuration block saved with the applied bytes, mouse state
#   written), the settings page's clicks and pop-ups, a macro made and recorded on the
#   macro page and bound to a button, the lighting page, a profile exported and imported
#   again, the update button of a build without an update server, clicks and wheel steps
#   counted through XInput 2, then "Exit" from the notification icon's menu (exit code 0, statistics saved with those
#   counts; the mouse holds the choices and the macro's image; nothing was written into
#   the program folder).
#
# Usage: driver_e2e.sh X5K_DRIVER TRAY_HOST
#   X5K_DRIVER  the program; its folder is the program folder with the shipped files
#   TRAY_HOST   x5k-tray-host, the notification area the icon docks into
# Exits 0 on success, 77 (skipped) when the program has not been built, 1 on a failure.
# X5K_E2E_KEEP=1 keeps the temporary folder (logs, data folder, mouse state).
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 X5K_DRIVER TRAY_HOST" >&2
    exit 64
fi
driver=$1
tray_host=$2
if [ ! -x "$driver" ]; then
    echo "e2e: $driver has not been built; nothing to run"
    exit 77
fi
for tool in xvfb-run xdotool; do
    command -v "$tool" >/dev/null || { echo "e2e: $tool is missing (scripts/setup installs it)" >&2; exit 1; }
done
[ -x "$tray_host" ] || { echo "e2e: $tray_host is missing" >&2; exit 1; }

# Everything below runs on a private X server of its own. xvfb-run picks the first free
# display number, and another X server starting at the same moment can take it first; the
# run is then tried again, but only when the script never got to start on its server or
# the program could not reach it.
readonly screen_width=1280 screen_height=1024
if [ -z "${X5K_E2E_STARTED:-}" ]; then
    marks=$(mktemp -d "${TMPDIR:-/tmp}/x5k-e2e-start.XXXXXX")
    trap 'rm -rf "$marks"' EXIT
    export X5K_E2E_STARTED="$marks/started"
    for attempt in 1 2 3; do
        rc=0
        xvfb-run -a -s "-screen 0 ${screen_width}x${screen_height}x24 -nolisten tcp" "$0" "$@" || rc=$?
        [ -e "$X5K_E2E_STARTED" ] && exit "$rc"
        echo "e2e: the X server did not start or could not be reached (attempt $attempt, exit code $rc)" >&2
    done
    exit 1
fi
touch "$X5K_E2E_STARTED"

readonly title="Zintu X5K Gaming Mouse Driver"
readonly window_width=960 window_height=640
# The Apply button's outline is (841,591) (940,591) (940,632) (806,632) in window
# coordinates; this point is well inside it.
readonly apply_x=900 apply_y=612
# The notification menu: a one-pixel frame plus a one-pixel margin above the entries,
# then "Config" and "Exit", 22 pixels each.
readonly menu_top=2 menu_entry_height=22 exit_entry=1

program_dir=$(cd "$(dirname "$driver")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/x5k-e2e.XXXXXX")
data="$work/data/ZINTU/X5K"
state="$work/mouse.state"
tray_pid="" driver_pid="" second_pid=""

cleanup() {
    local pid
    for pid in $second_pid $driver_pid $tray_pid; do
        kill -KILL "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    if [ "${X5K_E2E_KEEP:-}" = 1 ]; then
        echo "e2e: kept $work"
    else
        rm -rf "$work"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

now_ms() { echo $(($(date +%s%N) / 1000000)); }

running() {
    local _pid _comm status
    [ -r "/proc/$1/stat" ] || return 1
    read -r _pid _comm status _ <"/proc/$1/stat" || return 1
    [ "$status" != Z ]
}

# One line per window on the screen that is mapped and viewable: id, place, size, name, pid.
list_windows() {
    local id
    for id in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
        describe_window "$id"
    done
}

# "X Y W H" of a window, in screen coordinates.
geometry() {
    xdotool getwindowgeometry --shell "$1" 2>/dev/null |
        awk -F= '{ v[$1] = $2 } END { if ("X" in v) print v["X"], v["Y"], v["WIDTH"], v["HEIGHT"] }'
}

describe_window() {
    local name
    name=$(xdotool getwindowname "$1" 2>/dev/null || true)
    printf '%s %s "%s" pid %s\n' "$1" "$(geometry "$1")" "$name" \
        "$(xdotool getwindowpid "$1" 2>/dev/null || echo '?')"
}

fail() {
    echo "e2e: FAILED: $*" >&2
    echo "--- windows on the screen (id x y w h name pid):" >&2
    list_windows >&2 || true
    local log
    for log in "$work"/*.log; do
        [ -s "$log" ] || continue
        echo "--- $(basename "$log"):" >&2
        tail -n 40 "$log" >&2
    done
    if [ -d "$data" ]; then
        echo "--- data folder:" >&2
        ls -l --time-style=+%T.%N "$data" "$data/Profile" >&2 || true
    fi
    # An X server that went away or was never reachable is the machine's, not the
    # program's: the run starts again on a new server.
    if grep -qs "could not connect to display" "$work/driver.log"; then
        echo "e2e: the program could not reach the X server; trying again on a new one" >&2
        rm -f "$X5K_E2E_STARTED"
    fi
    exit 1
}

# wait_until WHAT SECONDS COMMAND...: polls COMMAND until it succeeds; fails after SECONDS
# or as soon as the program under test has ended unexpectedly.
watch_driver=1
wait_until() {
    local what=$1 seconds=$2
    shift 2
    local deadline=$(($(now_ms) + seconds * 1000))
    until "$@"; do
        if [ "$watch_driver" = 1 ] && [ -n "$driver_pid" ] && ! running "$driver_pid"; then
            local rc=0
            wait "$driver_pid" || rc=$?
            driver_pid=""
            fail "x5k-driver ended (exit code $rc) while waiting for: $what"
        fi
        [ "$(now_ms)" -lt "$deadline" ] || fail "not within $seconds s: $what"
        sleep 0.05
    done
}

# The program's main windows: the title alone would also match message boxes that carry
# it, so the size has to match too.
main_windows() {
    local id
    for id in $(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null); do
        local x y width height
        read -r x y width height <<<"$(geometry "$id")"
        if [ "${width:-}" = "$window_width" ] && [ "${height:-}" = "$window_height" ]; then
            echo "$id $x $y"
        fi
    done
}
one_main_window() { [ "$(main_windows | wc -l)" -eq 1 ]; }

# The visible windows of the program other than the main window and the docked icon.
other_windows() {
    local id
    for id in $(xdotool search --onlyvisible --pid "$driver_pid" 2>/dev/null); do
        [ "$id" = "$main_id" ] || [ "$id" = "$icon_id" ] || echo "$id"
    done
}
no_other_windows() { [ -z "$(other_windows)" ]; }

tray_line() { grep -m1 "^$1 " "$work/tray.log" 2>/dev/null; }
has_tray_line() { tray_line "$1" >/dev/null; }
rewritten() {
    # Replaced atomically (a new file) or written after the mark.
    [ -f "$1" ] && { [ "$(stat -c %i "$1")" != "$2" ] || [ -n "$(find "$1" -newer "$3")" ]; }
}
newer() { [ -f "$1" ] && [ -n "$(find "$1" -newer "$2")" ]; }
exited() { ! running "$1"; }

# A private environment: nothing of the real user's desktop, settings or session bus.
export HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
export XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export GSETTINGS_BACKEND=memory QT_QPA_PLATFORM=xcb
# Where the support page's import and export go instead of asking (step 7b).
export X5K_PROFILE_FILE="$work/exported.cfg"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-session-bus"
unset WAYLAND_DISPLAY XDG_CURRENT_DESKTOP XDG_SESSION_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION \
    GNOME_DESKTOP_SESSION_ID XDG_SESSION_TYPE QT_QPA_PLATFORMTHEME

echo "e2e: display $DISPLAY, program folder $program_dir, work folder $work"

# 1. The notification area, with its icon slots at the screen's top left.
"$tray_host" --at 0,0 --slot 24 >"$work/tray.log" 2>"$work/tray-errors.log" &
tray_pid=$!
wait_until "the notification area owns its selection" 10 has_tray_line ready
echo "e2e: $(tray_line ready)"

# 2. First start: the window appears centred, the data folder is seeded and the icon docks.
touch "$work/mark-start"
"$driver" --emulated-mouse="$state" >"$work/driver.log" 2>&1 &
driver_pid=$!
# Where the machine lacks an input device the program needs (no /dev/uinput in a
# container, say), it says so once in a plain "Info" box before its window appears; a
# user reads it and presses Enter, and so does the test.
notices=0
main_window_after_notices() {
    # The window that satisfied the wait is the one measured: a second look may fall
    # between two of the window system's steps and find nothing.
    found=$(main_windows)
    [ -n "$found" ] && [ "$(wc -l <<<"$found")" -eq 1 ] && return 0
    local id
    for id in $(xdotool search --all --onlyvisible --pid "$driver_pid" --name '^Info$' 2>/dev/null); do
        notices=$((notices + 1))
        [ "$notices" -le 2 ] || fail "more than two notices at start-up"
        echo "e2e: start-up notice $(describe_window "$id"): pressing Enter"
        xdotool windowfocus --sync "$id" key Return 2>/dev/null || true
        sleep 0.2
    done
    return 1
}
wait_until "the main window \"$title\" (${window_width}x${window_height})" 30 main_window_after_notices
read -r main_id main_x main_y <<<"$found"
echo "e2e: main window $main_id at $main_x,$main_y"
expected_x=$(((screen_width - window_width) / 2))
expected_y=$(((screen_height - window_height) / 2))
if [ $((main_x - expected_x)) -gt 1 ] || [ $((expected_x - main_x)) -gt 1 ] ||
    [ $((main_y - expected_y)) -gt 1 ] || [ $((expected_y - main_y)) -gt 1 ]; then
    fail "main window at $main_x,$main_y, not centred at $expected_x,$expected_y"
fi

wait_until "the notification icon docking" 20 has_tray_line docked
read -r _ icon_hex icon_x icon_y _ _ <<<"$(tray_line docked)"
icon_id=$((icon_hex))
echo "e2e: icon $icon_hex at $icon_x,$icon_y"

for file in Macro.cfg Language.cfg Sts.cfg Profile/ConfigInfo.cfg Profile/Profile{1,2,3,4,5}.cfg; do
    [ -f "$data/$file" ] || fail "the data folder was not seeded with $file"
    cmp -s "$program_dir/$file" "$data/$file" || fail "the seeded $file differs from the shipped one"
done

# 3. A second start hands over to the first and ends at once, without a window of its own.
#    The first one's window is hidden first (its hide button, top right), so that the
#    hand-over is seen to show it again.
xdotool mousemove --sync $((main_x + 939)) $((main_y + 17)) click 1
no_main_window() { [ -z "$(main_windows)" ]; }
wait_until "the hide button hiding the window" 10 no_main_window
"$driver" --emulated-mouse="$state" >"$work/second.log" 2>&1 &
second_pid=$!
watch_driver=0
second_ended() {
    if [ -n "$(xdotool search --onlyvisible --pid "$second_pid" 2>/dev/null)" ] ||
        [ "$(main_windows | wc -l)" -gt 1 ]; then
        fail "the second start showed a window"
    fi
    exited "$second_pid"
}
wait_until "the second start ending" 10 second_ended
watch_driver=1
second_rc=0
wait "$second_pid" || second_rc=$?
second_pid=""
[ "$second_rc" -eq 0 ] || fail "the second start ended with exit code $second_rc"
running "$driver_pid" || fail "the first instance ended when the second started"
wait_until "the hand-over showing the hidden window again" 10 one_main_window
read -r main_id main_x main_y <<<"$(main_windows)"
echo "e2e: second start handed over and ended with 0; the window is shown again"

# 4. Apply. Nothing was edited, so the files are written with the bytes they already had:
#    only a new file or a new modification time shows that they were saved.
profile="$data/Profile/Profile1.cfg"
block="$data/Profile/ConfigInfo.cfg"
profile_inode=$(stat -c %i "$profile")
block_inode=$(stat -c %i "$block")
touch "$work/mark-apply"
popups_before_apply=$(other_windows | sort)
new_popup() { [ -n "$(comm -13 <(echo "$popups_before_apply") <(other_windows | sort))" ]; }
xdotool mousemove --sync $((main_x + apply_x)) $((main_y + apply_y))
sleep 0.1
xdotool click 1
# The pointer leaves the window so that no tooltip stays up.
sleep 0.1
xdotool mousemove --sync $((screen_width - 1)) $((screen_height - 1))
wait_until "the progress dialog of Apply" 10 new_popup
wait_until "Profile1.cfg saved after Apply" 45 rewritten "$profile" "$profile_inode" "$work/mark-apply"
wait_until "ConfigInfo.cfg saved after Apply" 10 rewritten "$block" "$block_inode" "$work/mark-apply"
cmp "$program_dir/Profile/Profile1.cfg" "$profile" >&2 ||
    fail "the saved Profile1.cfg is not the applied (shipped) profile"
[ "$(stat -c %s "$block")" = "$(stat -c %s "$program_dir/Profile/ConfigInfo.cfg")" ] ||
    fail "the saved ConfigInfo.cfg has $(stat -c %s "$block") bytes, the shipped one $(stat -c %s "$program_dir/Profile/ConfigInfo.cfg")"
echo "e2e: Apply saved Profile1.cfg and ConfigInfo.cfg"

# The progress dialog closes by itself; the start-up balloon times out.
wait_until "the progress dialog (and any other pop-up) closing" 15 no_other_windows

# 5. The main settings page, by clicks, then Apply. The page's top-left corner is (15,128)
#    in the window; each click goes to the middle of a control of the page's layout.
page_x=$((main_x + 15)) page_y=$((main_y + 128))
click_page() {
    xdotool mousemove --sync $((page_x + $1)) $((page_y + $2))
    sleep 0.05
    xdotool click 1
    sleep 0.1
}
# The shipped profile has five levels on, 750 to 3000: a click on 3000 turns it off, one
# on 750 turns that off, and a second click on 3000 turns it on again.
click_page 581 73   # 3000 DPI
click_page 158 73   # 750 DPI
click_page 581 73   # 3000 DPI
click_page 162 310  # 500 reports per second

# The assignment pop-up of the tab whose middle is (X, Y) on the page.
readonly popup_width=412 popup_height=300
popup_windows() {
    local id
    for id in $(other_windows); do
        local x y width height
        read -r x y width height <<<"$(geometry "$id")"
        [ "${width:-}" = "$popup_width" ] && [ "${height:-}" = "$popup_height" ] && echo "$id $x $y"
    done
}
popup_shown() { found=$(popup_windows) && [ -n "$found" ]; }
open_popup() {
    click_page "$1" "$2"
    wait_until "the assignment pop-up of the tab at $1,$2" 10 popup_shown
    read -r popup_id popup_x popup_y <<<"$found"
}
click_popup() {
    xdotool mousemove --sync $((popup_x + $1)) $((popup_y + $2))
    sleep 0.05
    xdotool click 1
    sleep 0.1
}
popup_gone() { [ -z "$(popup_windows)" ]; }
press_ok() {
    click_popup 354 271
    wait_until "the pop-up closing on OK" 10 popup_gone
}

# Button 2 (right): Ctrl+Shift+B on the key page, which the pop-up opens on. Xvfb has no
# keyboard the input watch could read, so the keys come from the pop-up's own window.
open_popup 244 424
xdotool windowfocus --sync "$popup_id" 2>/dev/null || true
xdotool key --window "$popup_id" --clearmodifiers ctrl+shift+b
sleep 0.2
press_ok
# Button 4 (back): "Volume up", the basic page's 21st row. The list is scrolled to its
# end first, where its last nine rows show.
open_popup 418 424
click_popup 255 50
xdotool mousemove --sync $((popup_x + 200)) $((popup_y + 160))
for _ in 1 2 3 4 5 6 7 8; do xdotool click 5; sleep 0.02; done
sleep 0.1
click_popup 200 $((74 + 103))
press_ok
# Button 5 (the wheel's forward step): the disable box.
open_popup 515 424
click_popup 32 267
press_ok

# Apply after WHAT: waits for Profile1.cfg to be written and the progress dialog to close.
apply_after() {
    touch "$work/mark-$1"
    local inode
    inode=$(stat -c %i "$profile")
    xdotool mousemove --sync $((main_x + apply_x)) $((main_y + apply_y))
    sleep 0.1
    xdotool click 1
    xdotool mousemove --sync $((screen_width - 1)) $((screen_height - 1))
    wait_until "Profile1.cfg saved after the $1's Apply" 45 rewritten "$profile" "$inode" "$work/mark-$1"
    wait_until "the progress dialog closing after the $1's Apply" 15 no_other_windows
}
apply_after settings
shown_profile=$("$program_dir/x5kctl" show-profile "$profile")
expect_profile() {
    grep -Eq "$1" <<<"$shown_profile" || { echo "$shown_profile" >&2; fail "Profile1.cfg does not show /$1/"; }
}
expect_profile '^resolutions +1000 1500 2000 3000 0 0 0 0$'
expect_profile '^report rate +2 '
expect_profile '^  function +5 key Shift \+ Ctrl \+ B$'
expect_profile '^  key value +0x00050300$'
expect_profile '^  function +37 Volume up$'
expect_profile '^  function +121 Disable key$'
echo "e2e: the settings page's choices are in Profile1.cfg"

# 6. The macro page: New Macro named "Test", A recorded with a pause between its press and
#    release, then bound to button 4 through the pop-up's macro tab, and Apply. The tabs'
#    middles are (478,103) and (114,103) in the window.
click_window() {
    xdotool mousemove --sync $((main_x + $1)) $((main_y + $2))
    sleep 0.05
    xdotool click 1
    sleep 0.2
}
click_window 478 103
click_page 46 426   # New Macro: the new row opens for its name
xdotool windowfocus --sync "$main_id" 2>/dev/null || true
xdotool key --window "$main_id" ctrl+a
xdotool type --window "$main_id" --delay 20 Test
xdotool key --window "$main_id" Return
sleep 0.2
click_page 841 37   # Start Record
xdotool keydown --window "$main_id" a
sleep 0.3
xdotool keyup --window "$main_id" a
sleep 0.1
click_page 841 37   # Stop Record
macros_listed() {
    listed=$("$program_dir/x5kctl" macros "$data/Macro.cfg" 2>/dev/null) &&
        grep -Eq '^  name +"Test"$' <<<"$listed" && grep -Eq 'release +A ' <<<"$listed"
}
wait_until "the macro \"Test\" in Macro.cfg" 10 macros_listed
macro_id=$(awk '/^  id /{id = $2} /^  name +"Test"$/{print id; exit}' <<<"$listed")
events=$(awk -v id="$macro_id" '/^slot /{take = 0} /^  id /{take = ($2 == id)}
    take && /^ +[0-9]+  (press|release|delay) /{printf "%s %s,", $2, $3}' <<<"$listed")
[[ "$events" =~ ^press\ A,delay\ [0-9]+,release\ A,$ ]] ||
    fail "the recorded macro holds $events, not A's press, a pause and its release"
echo "e2e: the macro $macro_id \"Test\" holds $events"
click_window 114 103
open_popup 418 424
click_popup 159 50  # the macro tab
# The game groups' list scrolled to its end shows its last nine rows; "Customisze",
# group 21, is the last of them. The group's one macro is the first row beside it.
xdotool mousemove --sync $((popup_x + 100)) $((popup_y + 160))
for _ in 1 2 3 4 5 6 7 8; do xdotool click 5; sleep 0.02; done
sleep 0.1
click_popup 100 $((75 + 8 * 18 + 9))
click_popup 300 $((75 + 9))
press_ok
apply_after macro
shown_profile=$("$program_dir/x5kctl" show-profile "$profile")
expect_profile "^  macro id +$macro_id\$"
expect_profile '^  function +6 '
echo "e2e: button 4 runs the macro $macro_id"

# 7. The lighting page: mode 1 (the shipped mode 4 keeps the swatches off), swatch 3, the
#    level at 7, LED on, then Apply. The tab's middle is (294,103) in the window, the rest
#    are the middles of the page's controls; a click on the level track sets the level of
#    that place, 7 of 1..10 at x 666.
click_window 294 103
click_page 248 110  # mode 1
click_page 312 273  # swatch 3
click_page 666 110  # level 1: 7
click_page 359 143  # LED on
apply_after lighting
echo "e2e: the lighting page's choices were applied"

# 7b. The support page: Export writes the working profile to the file X5K_PROFILE_FILE
#     names (the program's stand-in for its file dialog); the file's sensor height (the
#     settings page's slider) is changed to 23 and the file imported again, and the next
#     Apply saves what was imported: the settings page shows it and commits it back.
#     The support tab's middle is (840,103) in the window.
info_boxes() { xdotool search --all --onlyvisible --pid "$driver_pid" --name '^Info$' 2>/dev/null; }
info_box_shown() { [ -n "$(info_boxes)" ]; }
no_info_box() { [ -z "$(info_boxes)" ]; }
# Presses Enter on the "Info" box that WHAT shows.
confirm_info() {
    wait_until "the \"Info\" box of the $1" 10 info_box_shown
    local id
    for id in $(info_boxes); do xdotool windowfocus --sync "$id" key Return 2>/dev/null || true; done
    wait_until "the \"Info\" box of the $1 closing" 10 no_info_box
}
click_window 840 103
click_page 279 404  # Export
confirm_info export
cmp "$X5K_PROFILE_FILE" "$profile" >&2 || fail "the exported profile is not the applied one"
"$program_dir/x5kctl" show-profile "$profile" | grep -Eq '^sensor height +23$' &&
    fail "the sensor height is 23 before the import"
printf '\x17\x00\x00\x00' | dd of="$X5K_PROFILE_FILE" bs=1 seek=22112 conv=notrunc status=none
click_page 179 404  # Import
confirm_info import
click_window 114 103  # the settings page, which shows the imported height
apply_after import
shown_profile=$("$program_dir/x5kctl" show-profile "$profile")
expect_profile '^sensor height +23$'
expect_profile '^report rate +2 '
expect_profile '^resolutions +1000 1500 2000 3000 0 0 0 0$'
echo "e2e: an exported profile, imported again, was applied"

# 7c. A build without an update server: the update button says so in the program's own
#     box, whose OK is at (273,143) in it, and nothing is fetched or written.
info_dialogs() { xdotool search --all --onlyvisible --pid "$driver_pid" --name '^ZintuX5KInfoDlg$' 2>/dev/null; }
info_dialog_shown() { found=$(info_dialogs) && [ -n "$found" ]; }
no_info_dialog() { [ -z "$(info_dialogs)" ]; }
click_window 840 103
click_page 462 278  # Update
wait_until "the update button's message" 10 info_dialog_shown
read -r box_x box_y _ _ <<<"$(geometry "$(head -n1 <<<"$found")")"
xdotool mousemove --sync $((box_x + 273)) $((box_y + 143))
sleep 0.05
xdotool click 1
wait_until "the update button's message closing" 10 no_info_dialog
[ ! -e "$data/FWUpdate" ] || fail "the update button of a build without a server made $data/FWUpdate"
echo "e2e: the update button said that this build has no update server"

# 8. The statistics count through XInput 2 (Xvfb has no input device the watch could read):
#    5 left presses and 3 wheel steps forward on the window's background, beside the hint
#    line, are in Sts.cfg after the Exit below.
xdotool mousemove --sync $((main_x + 150)) $((main_y + 612))
for _ in 1 2 3 4 5; do xdotool click 1; sleep 0.02; done
for _ in 1 2 3; do xdotool click 4; sleep 0.02; done
sleep 0.2

# 9. "Exit" from the notification icon's menu. The press is away from the icon's centre,
#    where a balloon's pointer would sit.
sts_inode=$(stat -c %i "$data/Sts.cfg")
touch "$work/mark-exit"
xdotool mousemove --sync $((icon_x + 4)) $((icon_y + 4)) click 3
menu_shown() { [ "$(other_windows | wc -l)" -eq 1 ]; }
wait_until "the notification menu" 5 menu_shown
menu_id=$(other_windows)
read -r menu_x menu_y menu_width menu_height <<<"$(geometry "$menu_id")"
echo "e2e: menu $menu_id at $menu_x,$menu_y size ${menu_width}x$menu_height"
[ "$menu_height" -ge $((menu_top + 2 * menu_entry_height)) ] ||
    fail "the menu is $menu_height px high, too low for two entries"
exit_x=$((menu_x + menu_width / 2))
exit_y=$((menu_y + menu_top + exit_entry * menu_entry_height + menu_entry_height / 2))
xdotool mousemove --sync "$exit_x" "$exit_y"
sleep 0.1
xdotool click 1
watch_driver=0
wait_until "x5k-driver ending after Exit" 10 exited "$driver_pid"
driver_rc=0
wait "$driver_pid" || driver_rc=$?
driver_pid=""
[ "$driver_rc" -eq 0 ] || fail "x5k-driver ended with exit code $driver_rc after Exit"
rewritten "$data/Sts.cfg" "$sts_inode" "$work/mark-exit" || fail "Sts.cfg was not saved on Exit"
# The emulated mouse keeps what Apply wrote to it in its state file.
[ -s "$state" ] || fail "the emulated mouse's state file $state was not written"
newer "$state" "$work/mark-apply" || fail "the emulated mouse's state file was not written after Apply"
echo "e2e: Exit ended the program with 0 and saved Sts.cfg"
read -r left _ _ forward _ _ <<<"$(od -An -tu4 -N24 -v "$data/Sts.cfg" | tr -s ' \n' '  ')"
[ "${left:-0}" -ge 5 ] && [ "${forward:-0}" -ge 3 ] ||
    fail "Sts.cfg counts ${left:-?} left presses and ${forward:-?} wheel steps forward, not at least 5 and 3"
echo "e2e: Sts.cfg counts $left left presses and $forward wheel steps forward"
# What the settings page applied is on the mouse: 500 reports per second, the levels
# 1000, 1500, 2000 and 3000 DPI (codes 04 06 08 0C, then unused levels).
grep -qx 'report_rate = 2' "$state" || fail "the mouse's report rate is not 500/s: $(grep report_rate "$state")"
grep -Eqi '^resolution_table = 0406080c808080800406080c80808080$' "$state" ||
    fail "the mouse's resolution table is $(grep resolution_table "$state")"
# The button matrix holds the new functions, key value included: it is what x5kctl writes
# to a fresh emulated mouse for the saved profile, and not the factory matrix.
"$program_dir/x5kctl" apply "$profile" --macros "$data/Macro.cfg" --emulated="$work/expected.state" \
    >"$work/x5kctl.log" 2>&1 || fail "x5kctl could not apply the saved profile"
"$program_dir/x5kctl" version --emulated="$work/factory.state" >/dev/null 2>&1 || true
matrix=$(grep '^button_matrix' "$state")
[ "$matrix" = "$(grep '^button_matrix' "$work/expected.state")" ] ||
    fail "the mouse's button matrix is not the saved profile's: $matrix"
[ "$matrix" != "$(grep '^button_matrix' "$work/factory.state")" ] ||
    fail "the mouse's button matrix is still the factory one"
echo "e2e: the mouse holds the settings page's resolutions, report rate and button functions"
# The mouse holds the 512-byte image of the macro "Test".
image=$("$program_dir/x5kctl" encode-macro "$data/Macro.cfg" "${macro_id#0x}" |
    grep -E '^[0-9A-F]{4} ' | cut -c6- | tr -d ' \n')
[ "${#image}" -eq 1024 ] || fail "x5kctl gave no 512-byte image for the macro $macro_id"
grep -Eqi "^macro_[0-9]+ = $image\$" "$state" ||
    fail "the mouse holds no macro slot with the image of the macro $macro_id"
echo "e2e: the mouse holds the image of the macro $macro_id"
# The lighting page's choices: swatch 3's colour (249, 237, 0), the steady effect at
# level 7, the LED on.
grep -qix 'colour = 0000EDF9' "$state" || fail "the mouse's colour is $(grep '^colour' "$state")"
grep -qix 'effect = 010701' "$state" || fail "the mouse's effect is $(grep '^effect' "$state")"
grep -qx 'lighting = on' "$state" || fail "the mouse's lighting is $(grep '^lighting' "$state")"
echo "e2e: the mouse holds the lighting page's colour, effect and switch"
# The program folder is the installation's, read-only for its users: nothing of the run
# went there.
changed=$(find "$program_dir" -newer "$work/mark-start" -print -quit)
[ -z "$changed" ] || fail "the run wrote into the program folder: $changed"
echo "e2e: passed"
