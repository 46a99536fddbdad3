#!/usr/bin/env bash
# tolvane.exe under Wine, used as a person would: the main window appears at 601 x 439, a
# click on "网络优化" shows the personalisation page, "设定标题" writes the IE title into
# the registry and shows its notice in a message box captioned "托尔万(Tolvane)", the About
# dialog opens modally in its own drawn frame and closes with its button, the minimise
# picture takes the application to its task-bar entry and activating that brings the
# window back where it was, and the close picture ends the program with exit code 0.
# The desktop colour set in the registry before the start shows in the section headers and
# the bottom bar. Started again at 192 dots per inch, the window is 1202 x 878 with every
# logical pixel doubled, takes clicks at doubled positions and moves by screen pixels.
# An MSAA client in another process finds "网络优化" where it is drawn (screen pixels at
# either resolution) and presses "设定标题", whose call returns while its notice is up.
#
#   e2e_wine.sh TOLVANE_EXE WINE_PROBE_EXE
#
# Runs in the world scripts/win32.sh makes: DISPLAY, WINEPREFIX, the zh_CN.UTF-8 locale
# and a running wineserver. Positions are the layout's window coordinates.
set -euo pipefail

exe=$1
probe=$2
app_pid=""

fail() {
    echo "e2e_wine: FAIL: $*" >&2
    [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null
    exit 1
}
# Runs a check until it succeeds, for up to $1 tenths of a second.
wait_for() {
    local tenths=$1
    shift
    for _ in $(seq "$tenths"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

reg_value() {  # root\path value-name: the value as `wine reg query` shows it, in UTF-8
    wine reg query "$1" /v "$2" 2>/dev/null | iconv -f GBK -t UTF-8 | tr -d '\r' |
        sed -n "s/^ *$2 *REG_SZ *//p"
}

pixel() { wine "$probe" pixel $((left + $1)) $((top + $2)) 2>/dev/null | tr -d '\r'; }
pixel_is() { [[ "$(pixel "$1" "$2")" == "$3" ]]; }
click() {
    xdotool mousemove $((left + $1)) $((top + $2))
    sleep 0.2
    xdotool click 1
}

scale=1  # screen pixels to a logical pixel
main_window() {
    local w
    for w in $(xdotool search --onlyvisible --name '^tolvane$' 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        if [[ "$WIDTH" == $((601 * scale)) && "$HEIGHT" == $((439 * scale)) ]]; then
            left=$X
            top=$Y
            return 0
        fi
    done
    return 1
}

notice_box() {
    box=$(xdotool search --onlyvisible --name '^托尔万\(Tolvane\)$' 2>/dev/null | head -n 1)
    [[ -n "$box" ]]
}
no_notice_box() { ! notice_box; }

# A desktop colour of the user's own, which the headers and the bottom bar take. Wine's
# visual theme, when one is active, sets the system colours instead of the registry.
wine reg delete 'HKCU\Software\Wine\Temporary System Parameters\Control Panel\Colors' /f >/dev/null || true
wine reg add 'HKCU\Control Panel\Colors' /v Background /t REG_SZ /d '18 52 86' /f >/dev/null
desktop=123456

title_key='HKCU\Software\Microsoft\Internet Explorer\Main'
wine reg delete "$title_key" /v "Window Title" /f >/dev/null 2>&1 || true
[[ -z "$(reg_value "$title_key" "Window Title")" ]] || fail "the IE title could not be cleared"

wine "$exe" </dev/null >/dev/null 2>&1 &
app_pid=$!

left=0
top=0
wait_for 300 main_window || fail "no 601 x 439 window titled tolvane appeared"
echo "e2e_wine: main window at $left,$top, 601 x 439"

# The disk scan page's list is white where the personalisation page is page grey.
wait_for 50 pixel_is 420 190 FFFFFF || fail "the disk scan page is not shown: $(pixel 420 190)"
wine reg query "HKCU\\Control Panel\\Colors" /v Background >&2; pixel_is 100 370 $desktop || fail "the header is not in the desktop colour: $(pixel 100 370)"
pixel_is 300 436 $desktop || fail "the bottom bar is not in the desktop colour: $(pixel 300 436)"
# What an MSAA client in another process reads: a push button (43) where it is drawn.
where=$(wine "$probe" accessible "网络优化" | tr -d '\r')
[[ "$where" == "43 3 365 120 25" ]] || fail "MSAA: 网络优化 is '$where'"
click 100 377  # "网络优化"
wait_for 50 pixel_is 420 190 CFCFCF ||
    fail "the personalisation page did not appear: $(pixel 420 190)"
wait_for 50 pixel_is 100 127 $desktop || fail "the header did not move up: $(pixel 100 127)"

# "设定标题" pressed by an MSAA client: the call answers at once, though the click opens
# a notice that stays up.
done=$(timeout 20 wine "$probe" accessible-do "设定标题" | tr -d '\r') || true
[[ "$done" == 0x0 ]] || fail "MSAA: the default action of 设定标题 gave '$done'"
wait_for 100 notice_box || fail "no notice box captioned 托尔万(Tolvane)"
name=$(xdotool getwindowname "$box")
[[ "$name" == "托尔万(Tolvane)" ]] || fail "the box is captioned '$name'"
text=$(wine "$probe" box-text "托尔万(Tolvane)" | tr -d '\r')
[[ "$text" == "IE标题设置成功！" ]] || fail "the box says '$text'"
[[ "$(wine "$probe" box-owner "托尔万(Tolvane)" | tr -d '\r')" == application ]] ||
    fail "the box is not owned by the application window"
echo "e2e_wine: notice '$text' in a box captioned '$name'"

value=$(reg_value "$title_key" "Window Title")
[[ "$value" == "托尔万(Tolvane)" ]] || fail "HKCU Window Title is '$value'"
value=$(reg_value 'HKLM\Software\Microsoft\Internet Explorer\Main' "Window Title")
[[ "$value" == "托尔万(Tolvane)" ]] || fail "HKLM Window Title is '$value'"
echo "e2e_wine: Window Title = $value"

xdotool key Return
wait_for 50 no_notice_box || fail "Return did not dismiss the notice box"

# The About dialog: a window of its own with the frame the widget set draws.
click 100 402  # "软件帮助"
click 60 262   # "关于软件"
about_window() {
    about=$(xdotool search --onlyvisible --name '^关于' 2>/dev/null | head -n 1)
    [[ -n "$about" ]]
}
no_about_window() { ! about_window; }
wait_for 50 about_window || fail "the About dialog did not open"
eval "$(xdotool getwindowgeometry --shell "$about")"
[[ "$WIDTH" == 353 && "$HEIGHT" == 215 ]] || fail "the About dialog is $WIDTH x $HEIGHT"
xdotool mousemove $((X + 297)) $((Y + 179))  # its "确 定" button
sleep 0.2
xdotool click 1
wait_for 50 no_about_window || fail "the About dialog's button did not close it"
echo "e2e_wine: the About dialog opened at 353 x 215 and closed"

# Minimising takes the whole application down to the application window's entry.
app_window=""
for w in $(xdotool search --name '^tolvane$' 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    [[ "$WIDTH" == 1 && "$HEIGHT" == 1 ]] && app_window=$w
done
[[ -n "$app_window" ]] || fail "no application window"
before="$left,$top"
click 566 14  # the minimise picture
no_main_window() { ! main_window; }
wait_for 50 no_main_window || fail "the main window is still shown after minimising"
xdotool windowactivate "$app_window"
wait_for 50 main_window || fail "activating the application did not bring the window back"
[[ "$left,$top" == "$before" ]] || fail "the window came back at $left,$top, not $before"
echo "e2e_wine: minimised and restored at $before"

# Clicks the close picture (at X Y) and waits for the program to end with exit code 0.
close_program() {
    click "$1" "$2"
    for _ in $(seq 100); do
        kill -0 "$app_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$app_pid" 2>/dev/null && fail "the program did not end after the close picture"
    local status=0
    wait "$app_pid" || status=$?
    app_pid=""
    [[ "$status" == 0 ]] || fail "the program ended with exit code $status"
}
close_program 587 14
echo "e2e_wine: closed with exit code 0"

# At 192 dots per inch: everything doubled, the drag by screen pixels.
# The system's resolution and the user's, for the programs started from now on.
set_dpi() {
    wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
        /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null
}
set_dpi 192
scale=2
wine "$exe" </dev/null >/dev/null 2>&1 &
app_pid=$!
wait_for 300 main_window || fail "no 1202 x 878 window at 192 dots per inch"
echo "e2e_wine: main window at $left,$top, 1202 x 878"
# A logical pixel is two by two screen pixels: both ends of a header's top edge.
for p in "200 726" "201 727" "200 754" "241 775"; do
    read -r x y <<<"$p"
    pixel_is "$x" "$y" "$(pixel $((x / 2 * 2)) $((y / 2 * 2)))" || fail "$x,$y is not its pair's colour"
done
wait_for 50 pixel_is 200 740 $desktop || fail "the doubled header: $(pixel 200 740)"
where=$(wine "$probe" accessible "网络优化" | tr -d '\r')
[[ "$where" == "43 6 730 240 50" ]] || fail "MSAA doubled: 网络优化 is '$where'"
click 200 754  # "网络优化" at its doubled position
wait_for 50 pixel_is 840 380 CFCFCF || fail "the doubled click did not open the page: $(pixel 840 380)"
before_left=$left before_top=$top
xdotool mousemove $((left + 600)) $((top + 50)) mousedown 1
sleep 0.2
xdotool mousemove_relative -- 20 10
sleep 0.2
xdotool mousemove_relative -- 20 10
sleep 0.2
xdotool mouseup 1
moved() { main_window && [[ "$left,$top" == "$((before_left + 40)),$((before_top + 20))" ]]; }
wait_for 50 moved || fail "a drag by 40,20 moved the window from $before_left,$before_top to $left,$top"
echo "e2e_wine: doubled window opened its page and moved by 40,20"
close_program 1174 28
set_dpi 96  # as the tests after this one expect
echo "e2e_wine: at 192 dots per inch doubled, clicked and dragged by 40,20"
