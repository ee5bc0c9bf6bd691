#!/usr/bin/env bash
# Drives the tool on the current (virtual) display as a member would, with
# real mouse and keyboard input: logs in through the login window, saves the
# cookie, fetches a quote, signs in and lets the lottery draw. Prints every
# line of the status display, read back through the clipboard, and keeps a
# screenshot of the main window.
#
# usage: drive.sh PROGRAM_FOLDER REQUEST_LOG SCREENSHOT_DIR
# Exit status 0 only when the sign-in status and the draws were shown.
# Every wait is for a condition with a generous ceiling, so that a busy
# machine slows the demo down without failing it.
set -uo pipefail
app=$1 requests=$2 shots=$3
mkdir -p "$shots"

main_title='Quilbex签到抽奖V1.0'
source "$(dirname "$0")/screen.sh"
say() { printf '[demo] %s\n' "$*"; }
# On a failure the whole screen is kept, to show what the member would have seen.
fail() {
  say "FAILED: $*"
  import -window root "$shots/failure.png" 2>/dev/null && say "screen at the failure: $shots/failure.png"
  exit 1
}

# The first visible window with this exact title, waited for up to $2 seconds.
wait_window() {
  local id
  for _ in $(seq $(( ${2:-30} * 10 ))); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1)
    [[ -n "$id" ]] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
# No --sync: it waits for the pointer to move, which never happens when it is
# already there. The warp and the click reach the X server in order.
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; sleep 0.2; }
# Clicks into a text box, selects all and copies with the keyboard, prints the clipboard.
copy_text() {
  # xclip stays behind to serve the selection: it must not hold this output open.
  printf "" | xclip -selection clipboard -i >/dev/null 2>&1
  click "$1" "$2" "$3"
  xdotool key --delay 30 ctrl+a ctrl+c
  sleep 0.2
  timeout 5 xclip -selection clipboard -o 2>/dev/null | tr -d '\r'
}
dismiss_message() {
  local box
  box=$(wait_window '信息：' "${1:-30}") || return 1
  xdotool windowactivate --sync "$box" key Return
  sleep 0.3
}
window_shot() {
  local id=$1 file=$2 x y w h
  read -r x y w h < <(client_geometry "$id")
  # With the frame: a few pixels each side and the title bar above.
  import -window root -crop "$((w + 8))x$((h + 30))+$((x > 4 ? x - 4 : 0))+$((y > 26 ? y - 26 : 0))" +repage "$file"
}

openbox --sm-disable >/dev/null 2>&1 &
wm=$!
trap 'kill "$wm" 2>/dev/null; [[ -n "${tool:-}" ]] && kill "$tool" 2>/dev/null' EXIT
sleep 0.5

(cd "$app" && exec ./quilbex) >"$app/program.log" 2>&1 &
tool=$!
main=$(wait_window "$main_title" 60) || fail "the main window did not appear"
say "main window is up"
sleep 0.5

say "opening the login window"
# The first click on a window that is not yet active may only activate it.
login=""
for _ in 1 2 3; do
  xdotool windowactivate --sync "$main" 2>/dev/null
  click "$main" 382 285
  login=$(wait_window '登录' 30) && break
done
[[ -n "$login" ]] || fail "the login window did not open"
for _ in $(seq 300); do grep -q '^>>> account' "$requests" 2>/dev/null && break; sleep 0.1; done
grep -q '^>>> account' "$requests" || fail "the account site's page was not requested"
for _ in $(seq 300); do (( $(dark_pixels "$login") > 500 )) && break; sleep 0.1; done
(( $(dark_pixels "$login") > 500 )) || fail "the account site's page was not shown"
# The page takes input once it has settled.
sleep 0.5
window_shot "$login" "$shots/login-window.png"
say "typing the user name and password into the account site's page"
xdotool windowactivate --sync "$login"
# The page's user name and password fields, in the login window's client area
# (the browser shows the page 24 pixels left of and 64 above that area).
click "$login" 76 107
# The Chinese name is pasted: xdotool types characters outside the keyboard
# map through a keycode it remaps for a moment, which a busy program may read
# after the remap is undone.
printf '张三' | xclip -selection clipboard -i >/dev/null 2>&1
xdotool key ctrl+v
click "$login" 244 107
xdotool type --delay 30 'secret'
xdotool key Return
dismiss_message 30 || fail "no greeting after the login"
say "logged in; the login window closed"
cookie=""
for _ in $(seq 30); do
  cookie=$(copy_text "$main" 224 128)
  [[ "$cookie" == *UM_distinctid=* ]] && break
  sleep 0.5
done
[[ "$cookie" == *UM_distinctid=* ]] || fail "the cookie did not reach the main window ($cookie)"
say "cookie: $cookie"

click "$main" 380 127
dismiss_message 30 || fail "no message after saving"
grep -q '^cookie=.*UM_distinctid=' "$app/Cookie.ini" || fail "Cookie.ini does not hold the cookie"
say "saved to $app/Cookie.ini"

click "$main" 392 168
quote=""
for _ in $(seq 60); do
  quote=$(copy_text "$main" 224 188)
  [[ -n "$quote" ]] && break
  sleep 0.5
done
[[ -n "$quote" ]] || fail "no quote arrived"
say "quote: $quote"

say "signing in"
click "$main" 208 257
# The status, then the draws five seconds apart until the local services
# say they are used up (after three).
shown=0
for _ in $(seq 180); do
  mapfile -t lines < <(copy_text "$main" 216 52)
  while (( shown < ${#lines[@]} )); do
    printf 'status: %s\n' "${lines[$shown]}"
    shown=$((shown + 1))
  done
  (( shown >= 5 )) && break
  sleep 0.5
done
# Copying selected the status text; the caret goes to its end for the picture.
click "$main" 216 52
xdotool key ctrl+End
sleep 0.3
window_shot "$main" "$shots/main-window.png"
say "screenshots in $shots"
(( shown >= 1 )) || fail "no sign-in status appeared"
(( shown >= 2 )) || fail "no lottery draw appeared"
say "done: the sign-in status and $((shown - 1)) draw(s) appeared"
