#!/usr/bin/env bash
# tolvane.exe under Wine, used as a person would: the main window appears at 601 x 439, a
# click on "网络优化" shows the personalisation page, "设定标题" writes the IE title into
# the registry and shows its notice in a message box captioned "托尔万(Tolvane)", the About
# dialog opens modally in its own drawn frame and closes with its button, the minimise
# picture takes the application to its task-bar entry and activating that brings the
# window back where it was, and the close picture ends the program with exit code 0.
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

main_window() {
    local w
    for w in $(xdotool search --onlyvisible --name '^tolvane$' 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        if [[ "$WIDTH" == 601 && "$HEIGHT" == 439 ]]; then
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
click 100 377  # "网络优化"
wait_for 50 pixel_is 420 190 CFCFCF ||
    fail "the personalisation page did not appear: $(pixel 420 190)"
wait_for 50 pixel_is 100 127 3A6EA5 || fail "the header did not move up: $(pixel 100 127)"

click 500 99  # "设定标题"
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

click 587 14  # the close picture
for _ in $(seq 100); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$app_pid" 2>/dev/null && fail "the program did not end after the close picture"
status=0
wait "$app_pid" || status=$?
app_pid=""
[[ "$status" == 0 ]] || fail "the program ended with exit code $status"
echo "e2e_wine: closed with exit code 0"
