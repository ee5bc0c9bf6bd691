#!/usr/bin/env bash
# Start-up of the tool against a bare GTK window, on the current display:
# time from exec to the window mapped and the peak resident memory (VmHWM)
# once it is up, the median of several runs each. Then the tool's peak memory
# before and after the login window opens and the time from the click to its
# page, against a bare WebKitGTK window that loads the same page, and the
# sign-in click against two plain libcurl requests.
#
# usage: measure.sh BIN_DIR [RUNS]   (BIN_DIR holds quilbex, node.dll, quilbex-sim)
# With QUILBEX_BENCH_ONLY=login only the login window against its peer is
# measured (the two take turns, one round each per run).
# Registered as the CTest benchmark bench.program (label bench). With
# QUILBEX_BENCH_RESULTS set to a file, the figures are also appended to it as
# "name value" lines (for bench/report).
set -uo pipefail
bin=$1 runs=${2:-5}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/demo/screen.sh"
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
cc -O2 -o "$work/bare-window" "$here/bare_window.c" $(pkg-config --cflags --libs gtk+-3.0) || exit 1
cp "$bin/quilbex" "$bin/quilbex-gtk.so" "$bin/node.dll" "$work/"

now_ms() { date +%s%3N; }
# Starts $1, waits for a visible window titled $2; prints "ms kB pid".
start_and_wait() {
  local t0 pid
  t0=$(now_ms)
  (cd "$work" && exec "$1") >/dev/null 2>&1 &
  pid=$!
  until xdotool search --onlyvisible --name "^$2\$" >/dev/null 2>&1; do sleep 0.005; done
  local t1; t1=$(now_ms)
  sleep 0.5
  echo "$((t1 - t0)) $(awk '/VmHWM/ {print $2}' /proc/$pid/status) $pid"
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
ratio() { awk "BEGIN {printf \"%.2f\", $1/$2}"; }
result() { [[ -z ${QUILBEX_BENCH_RESULTS:-} ]] || echo "$1 $2" >>"$QUILBEX_BENCH_RESULTS"; }

# One start of $1 (window titled $2): appends its time and peak memory to
# the arrays named $3 and $4.
measure_once() {
  local -n times_=$3 mems_=$4
  local ms kb pid
  read -r ms kb pid < <(start_and_wait "$1" "$2")
  times_+=("$ms"); mems_+=("$kb")
  kill "$pid"; wait "$pid" 2>/dev/null
}

"$bin/quilbex-sim" --any-ports >"$work/sim.out" 2>&1 &
for _ in $(seq 100); do grep -q '^ca ' "$work/sim.out" && break; sleep 0.1; done
host() { sed -n "s|^$1 https://||p" "$work/sim.out"; }
printf '[HOSTS]\nforum=%s\napi=%s\nquote=%s\naccount=%s\n[TLS]\nca_file=%s\n' "$(host forum)" "$(host api)" \
  "$(host quote)" "$(host account)" "$(sed -n 's/^ca //p' "$work/sim.out")" >"$work/Config.ini"

only=${QUILBEX_BENCH_ONLY:-}
if [[ -z $only ]]; then
printf '#!/bin/sh\nexec "%s/bare-window" texts\n' "$work" >"$work/texts-window"
chmod +x "$work/texts-window"
# The three programs take turns, so that a busy spell of the machine falls
# on all of them alike.
bare_t=() bare_m=() texts_t=() texts_m=() tool_t=() tool_m=()
for _ in $(seq "$runs"); do
  measure_once "$work/bare-window" bare-window bare_t bare_m
  measure_once "$work/texts-window" texts-window texts_t texts_m
  measure_once "$work/quilbex" 'Quilbex签到抽奖V1.0' tool_t tool_m
done
med() { local -n values_=$1; printf '%s\n' "${values_[@]}" | median; }
bare_ms=$(med bare_t) bare_kb=$(med bare_m) texts_ms=$(med texts_t) texts_kb=$(med texts_m)
tool_ms=$(med tool_t) tool_kb=$(med tool_m)
result startup_ratio_bare "$(ratio "$tool_ms" "$bare_ms")"
result startup_ratio_texts "$(ratio "$tool_ms" "$texts_ms")"
result peak_memory_ratio_bare "$(ratio "$tool_kb" "$bare_kb")"
result peak_memory_ratio_texts "$(ratio "$tool_kb" "$texts_kb")"
result startup_ms "$tool_ms"
result startup_texts_ms "$texts_ms"
result peak_memory_kb "$tool_kb"
result peak_memory_texts_kb "$texts_kb"
echo "start-up to window mapped: bare GTK ${bare_ms} ms, GTK with the same texts ${texts_ms} ms," \
  "quilbex ${tool_ms} ms ($(ratio "$tool_ms" "$bare_ms")x bare, $(ratio "$tool_ms" "$texts_ms")x with texts)"
echo "peak memory (VmHWM):       bare GTK ${bare_kb} kB, GTK with the same texts ${texts_kb} kB," \
  "quilbex ${tool_kb} kB ($(ratio "$tool_kb" "$bare_kb")x bare, $(ratio "$tool_kb" "$texts_kb")x with texts)"
fi

main_of() { xdotool search --onlyvisible --name '^Quilbex签到抽奖V1.0$' | head -n1; }

# The login window: peak memory before and after it opens (WebKit is loaded
# only then), the time from the click to the account site's page drawn, and
# what is given back when it closes: the program's resident memory before the
# click, while the window is open and 5 s after it closed, and what is left
# of WebKit's helper processes then.
descendants() {
  local child
  for child in $(pgrep -P "$1"); do
    echo "$child"
    descendants "$child"
  done
}
# "count kB" of the live helper processes below $1.
helpers_of() {
  local count=0 kb=0 rss child
  for child in $(descendants "$1"); do
    rss=$(awk '/VmRSS/ {print $2}' /proc/$child/status 2>/dev/null) || continue
    [[ -n "$rss" ]] || continue
    count=$((count + 1)) kb=$((kb + rss))
  done
  echo "$count $kb"
}
rss_of() { awk '/VmRSS/ {print $2}' /proc/$1/status; }
# The part of it that is the program's own memory, not mapped files.
anon_of() { awk '/RssAnon/ {print $2}' /proc/$1/status; }
# "name rss_kB anon_kB" of each mapped file (or [heap], [anon] ...) of $1.
mappings_of() {
  awk '/^[0-9a-f]+-[0-9a-f]+ / {name = NF >= 6 ? $6 : "[anon]"; sub(".*/", "", name)}
       /^Rss:/ {rss[name] += $2} /^Anonymous:/ {anon[name] += $2}
       END {for (name in rss) print name, rss[name], anon[name] + 0}' "/proc/$1/smaps"
}
# The mappings that grew most from the file $1 to the file $2, as "name +rss kB (anon +kB)".
grown_mappings() {
  awk 'NR == FNR {rss[$1] = $2; anon[$1] = $3; next}
       $2 > rss[$1] {print $2 - rss[$1], $3 - anon[$1], $1}' "$1" "$2" |
    sort -rn | head -n 12 | awk '{printf "  %-40s +%6d kB (anon +%d kB)\n", $3, $1, $2}'
}

# Whether window $1 shows a page: its heading and fields make a few thousand
# dark pixels in the upper half. A window that X has mapped before anything
# drew in it is black all over, which is no page.
page_drawn() {
  local x y w h dark
  read -r x y w h < <(client_geometry "$1")
  [[ -n "$h" ]] || return 1
  dark=$(dark_pixels "$1" || echo 0)
  (( dark > 500 && dark < w * h / 8 ))
}

# The peer of the login window: a bare WebKitGTK window that loads the same
# account page (bare_login.c), measured the same way: from the click to the
# page drawn, and what its peak memory grows by with the window open.
cc -O2 -o "$work/bare-login" "$here/bare_login.c" $(pkg-config --cflags webkit2gtk-4.1) \
  $(pkg-config --libs gtk+-3.0) -ldl || exit 1
account_page="https://$(host account)/index.html?&callback=https%3A%2F%2F$(host forum)%2F"
printf '#!/bin/sh\nexec "%s/bare-login" "%s"\n' "$work" "$account_page" >"$work/login-peer"
chmod +x "$work/login-peer"
# One opening of the tool's login window: its click-to-page time and memory.
tool_login_once() {
  local before pid main t0 t1 t2 login after rss_open helpers rss_before anon_before rss_closed anon_closed
  local left_count left_kb
  read -r _ before pid < <(start_and_wait "$work/quilbex" 'Quilbex签到抽奖V1.0')
  main=$(main_of)
  rss_before=$(rss_of "$pid") anon_before=$(anon_of "$pid")
  [[ -s "$work/mappings.before" ]] || mappings_of "$pid" >"$work/mappings.before"
  t0=$(now_ms)
  xdotool mousemove --window "$main" 382 285 click 1
  # The window is looked up each time: the first one found may still be replaced.
  until login=$(xdotool search --onlyvisible --name '^登录$' 2>/dev/null | head -n1) && [[ -n "$login" ]] &&
        page_drawn "$login"; do
    (( $(now_ms) - t0 > 30000 )) && { echo "the login page was not shown"; exit 1; }
  done
  t1=$(now_ms)
  logins+=("$((t1 - t0))")
  sleep 2
  after=$(awk '/VmHWM/ {print $2}' /proc/$pid/status)
  rss_open=$(rss_of "$pid")
  read -r _ helpers < <(helpers_of "$pid")
  opens+=("$((after - before))") open_helpers+=("$helpers")
  xdotool windowactivate --sync "$login" key alt+F4
  t2=$(now_ms)
  while xdotool search --onlyvisible --name '^登录$' >/dev/null 2>&1; do
    (( $(now_ms) - t2 > 30000 )) && { echo "the login window did not close"; exit 1; }
    sleep 0.05
  done
  sleep 5
  rss_closed=$(rss_of "$pid") anon_closed=$(anon_of "$pid")
  # What the program keeps, by mapping (from the first run).
  [[ -s "$work/mappings.closed" ]] || mappings_of "$pid" >"$work/mappings.closed"
  anon_ratios+=("$(awk "BEGIN {printf \"%d\", 1000 * $anon_closed / $anon_before}")")
  read -r left_count left_kb < <(helpers_of "$pid")
  rss_ratios+=("$(awk "BEGIN {printf \"%d\", 1000 * $rss_closed / $rss_before}")")
  left_counts+=("$left_count") left_kbs+=("$left_kb") rss_opens+=("$rss_open")
  kill "$pid"; wait "$pid" 2>/dev/null
  echo "login round: quilbex $((t1 - t0)) ms" >&2
}
# The same for the peer.
peer_login_once() {
  local before pid main t0 t1 login after
  read -r _ before pid < <(start_and_wait "$work/login-peer" bare-login)
  main=$(xdotool search --onlyvisible --name '^bare-login$' | head -n1)
  t0=$(now_ms)
  xdotool mousemove --window "$main" 217 156 click 1
  until login=$(xdotool search --onlyvisible --name '^登录$' 2>/dev/null | head -n1) && [[ -n "$login" ]] &&
        page_drawn "$login"; do
    (( $(now_ms) - t0 > 30000 )) && { echo "the peer's login page was not shown"; exit 1; }
  done
  t1=$(now_ms)
  peer_logins+=("$((t1 - t0))")
  sleep 2
  after=$(awk '/VmHWM/ {print $2}' /proc/$pid/status)
  peer_opens+=("$((after - before))")
  kill "$pid"; wait "$pid" 2>/dev/null
  echo "login round: bare WebKitGTK $((t1 - t0)) ms" >&2
  while xdotool search --onlyvisible --name '^登录$' >/dev/null 2>&1; do sleep 0.05; done
}
# The two take turns, so that a busy spell of the machine falls on both alike.
anon_ratios=() logins=() opens=() rss_opens=() rss_ratios=() left_counts=() left_kbs=() open_helpers=()
peer_logins=() peer_opens=()
for _ in $(seq "$runs"); do
  peer_login_once
  tool_login_once
done
login_ms=$(printf '%s\n' "${logins[@]}" | median)
added_kb=$(printf '%s\n' "${opens[@]}" | median)
helpers_kb=$(printf '%s\n' "${open_helpers[@]}" | median)
close_ratio=$(awk "BEGIN {printf \"%.2f\", $(printf '%s\n' "${rss_ratios[@]}" | median) / 1000}")
anon_ratio=$(awk "BEGIN {printf \"%.2f\", $(printf '%s\n' "${anon_ratios[@]}" | median) / 1000}")
left_count=$(printf '%s\n' "${left_counts[@]}" | median)
left_kb=$(printf '%s\n' "${left_kbs[@]}" | median)
rss_open=$(printf '%s\n' "${rss_opens[@]}" | median)
echo "login window: click to page shown ${login_ms} ms; the program's peak memory grows by ${added_kb} kB" \
  "(resident ${rss_open} kB while open), plus ${helpers_kb} kB in WebKit's helper processes"
echo "login window closed (5 s after): the program's resident memory ${close_ratio}x what it was before" \
  "the click (its own memory, less mapped files: ${anon_ratio}x); ${left_count} helper processes left with ${left_kb} kB"
echo "what grew from before the click to 5 s after the close, by mapping (first run):"
grown_mappings "$work/mappings.before" "$work/mappings.closed"
result login_closed_anon_ratio "$anon_ratio"
result login_click_ms "$login_ms"
result login_added_kb "$added_kb"
result login_helpers_kb "$helpers_kb"
result login_closed_rss_ratio "$close_ratio"
result login_closed_helpers "$left_count"
result login_closed_helpers_kb "$left_kb"
peer_login_ms=$(printf '%s\n' "${peer_logins[@]}" | median)
peer_added_kb=$(printf '%s\n' "${peer_opens[@]}" | median)
echo "login window against a bare WebKitGTK window: click to page shown ${login_ms} ms against ${peer_login_ms} ms" \
  "($(ratio "$login_ms" "$peer_login_ms")x); peak memory added ${added_kb} kB against ${peer_added_kb} kB" \
  "($(ratio "$added_kb" "$peer_added_kb")x)"
result login_click_ratio_webkit "$(ratio "$login_ms" "$peer_login_ms")"
result login_added_ratio_webkit "$(ratio "$added_kb" "$peer_added_kb")"
result login_peer_click_ms "$peer_login_ms"
result login_peer_added_kb "$peer_added_kb"
[[ -z $only ]] || exit 0

# The sign-in click, timed by the services' clocks: from the arrival of the
# sign-in page's request to the arrival of the lottery's first request, which
# the handler starts right after appending the status line. That holds the
# page's reply, the whole sign action, the append and the thread's start;
# against it the same two requests made with plain libcurl.
# Each run starts from a fresh scenario with no winning draws, so that the
# tool's draws end with their first reply and never reach the next run. The
# peer runs after the tool without a reset: its sign must be answered "signed
# already" and its draw "too fast", which the services give only once the
# tool's sign and draw passed every check; a refused request is no figure.
cc -O2 -o "$work/two_requests" "$here/two_requests.c" $(pkg-config --cflags --libs libcurl) || exit 1
forum="https://$(host forum)" api="https://$(host api)"
ca=$(sed -n 's/^ca //p' "$work/sim.out")
cookie='UM_distinctid=sim-member-0001; BBS_UNAME=%E5%BC%A0%E4%B8%89'
printf '[COOKIE]\r\ncookie=%s\r\n' "$cookie" >"$work/Cookie.ini"
control="http://$(sed -n 's|^control http://||p' "$work/sim.out")"
read -r _ _ pid < <(start_and_wait "$work/quilbex" 'Quilbex签到抽奖V1.0')
main=$(main_of)
# The forum refuses an empty message of the day: the member's message first.
xdotool mousemove --window "$main" 223 187 click 1 type --delay 20 'keep going'
clicks=() peers=()
for _ in $(seq "$runs"); do
  curl -s -X POST "$control/reset" >/dev/null
  curl -s -X POST -d draws=0 "$control/scenario" >/dev/null
  xdotool mousemove --window "$main" 208 257 click 1
  times=""
  for _ in $(seq 400); do
    times=$(curl -s "$control/log/times")
    grep -q '^api ' <<<"$times" && break
    sleep 0.05
  done
  page=$(awk '$1 == "forum" && $3 == "GET" {print $2; exit}' <<<"$times")
  draw=$(awk '$1 == "api" {print $2; exit}' <<<"$times")
  [[ -n "$page" && -n "$draw" ]] || { echo "the sign-in did not reach the services"; exit 1; }
  read -r peer_ms sign drawn < <("$work/two_requests" "$forum" "$api" "$ca" "$cookie")
  [[ "$sign" == already && "$drawn" == too_fast ]] ||
    { echo "a sign-in or draw was refused (peer after the tool: sign $sign, draw $drawn)"; exit 1; }
  clicks+=("$(( (draw - page) / 100 ))")
  peers+=("$(awk -v t="$peer_ms" 'BEGIN {printf "%d", t * 10}')")
done
kill "$pid"; wait "$pid" 2>/dev/null
click_ms=$(printf '%s\n' "${clicks[@]}" | median)
peer_ms=$(printf '%s\n' "${peers[@]}" | median)
echo "sign-in click: quilbex $(awk "BEGIN {print $click_ms/10}") ms, two plain libcurl requests" \
  "$(awk "BEGIN {print $peer_ms/10}") ms ($(awk "BEGIN {printf \"%.2f\", $click_ms/$peer_ms}")x)"
result signin_click_ratio "$(awk "BEGIN {printf \"%.2f\", $click_ms/$peer_ms}")"
