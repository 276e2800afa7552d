# shellcheck shell=bash
# Shared by the walkthroughs in this folder (sourced, not run): a private Xvfb screen,
# the console started in a program directory of the walk's own, clicks and keys through
# xdotool, screenshots, waiting, failing with the logs, and cleaning up.
#
#   e2e_begin NAME SHOT_SUBDIR [BUILD_DIR] [SHOT_DIR]
#     sets root, build, bin, shots, work (a temporary folder removed at exit) and home
#     (the console's program directory inside work, with the build's artwork linked in).
#   need TOOL...; need_built PROGRAM...   fail unless present.
#   e2e_logs+=(FILE...)                   tailed by fail (relative to work, or absolute).
#   e2e_pids+=(PID)                       ended at exit (after on_cleanup, if defined).
#   start_xvfb                            sets DISPLAY to a screen of the walk's own.
#   start_console [ENV=VALUE...]          runs bin/kelvane in home, logs to work/kelvane.log.
#   login PASSWORD                        answers the login prompt; leaves wx wy on the main window.
#
# Every helper that waits fails (exit status 1) when what it waits for does not come.

e2e_begin() {
  e2e_name=$1
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  build=$(realpath "${3:-$root/build}")
  shots=$(mkdir -p "${4:-$build/$2}" && realpath "${4:-$build/$2}")
  bin=$build/bin
  work=$(mktemp -d)
  home=$work/home
  mkdir -p "$home" "$work/tmp"
  trap e2e_cleanup EXIT
  # xdotool reads the text it types in the locale's encoding.
  case ${LC_ALL:-${LC_CTYPE:-${LANG:-}}} in
  *UTF-8 | *utf8) ;;
  *) export LC_ALL=C.UTF-8 ;;
  esac
  need xdotool Xvfb xwd xwdtopnm pnmtopng
  echo "$e2e_name: screenshots in $shots"
}

e2e_logs=(kelvane.log)
e2e_pids=()
xvfb_pid=
e2e_failing=

fail() {
  echo "$e2e_name: $*" >&2
  # One picture of the screen as it was, once (fail may be reached from shot itself).
  if [ -z "$e2e_failing" ] && [ -n "${DISPLAY:-}" ] && [ -n "$xvfb_pid" ]; then
    e2e_failing=1
    shot failure || true
  fi
  local log path
  for log in "${e2e_logs[@]}"; do
    case $log in /*) path=$log ;; *) path=${work:-/nonexistent}/$log ;; esac
    if [ -s "$path" ]; then
      echo "--- $log:" >&2
      tail -15 "$path" >&2
    fi
  done
  exit 1
}

need() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || fail "$tool is missing"
  done
}

need_built() {
  local program
  for program in "$@"; do
    [ -x "$bin/$program" ] || fail "$bin/$program is not built"
  done
}

# Links the build's artwork (and programs the console starts) into the program directory.
link_artwork() {
  local item
  for item in m2.bmp m3.bmp skin stickwell; do
    if [ -e "$bin/$item" ]; then ln -s "$bin/$item" "$home/$item"; fi
  done
}

e2e_cleanup() {
  if declare -F on_cleanup >/dev/null; then on_cleanup || true; fi
  local pid
  for pid in "${e2e_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${e2e_pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
    # Reaped, so that a time taken of the walk counts their CPU too.
    wait "$pid" 2>/dev/null || true
  done
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}

start_xvfb() {
  # Xvfb picks a free display itself and writes its number.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
  DISPLAY=:$(head -1 "$work/display")
  export DISPLAY
  unset QT_QPA_PLATFORM WAYLAND_DISPLAY
  for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
}

# The console is single-instance per user: its settings and temporary files are the walk's
# own, so a console running elsewhere neither takes this start over nor is taken over.
start_console() {
  env XDG_CONFIG_HOME="$work/config" TMPDIR="$work/tmp" KELVANE_HOME="$home" "$@" \
    "$bin/kelvane" >"$work/kelvane.log" 2>&1 &
  kelvane_pid=$!
  e2e_pids+=("$kelvane_pid")
}

# Screenshots: NN-NAME.png in shots; the screen of the last one stays in work/screen.ppm
# for the pixel checks.
step=0
shot() {
  step=$((step + 1))
  local file
  file=$(printf '%s/%02d-%s.png' "$shots" "$step" "$1")
  grab
  pnmtopng <"$work/screen.ppm" >"$file"
  echo "  $file"
}

# The screen into work/screen.ppm, without a screenshot.
grab() { xwd -root -silent | xwdtopnm 2>/dev/null >"$work/screen.ppm"; }

pause() { sleep "${1:-0.7}"; }
key() { xdotool key "$@"; pause 0.5; }
typ() { map_keys "$1"; xdotool type --delay 40 "$1"; pause 0.3; }

# Gives the characters of a text outside the keyboard map (Chinese) keys of their own, for
# the rest of the walk, before xdotool types them: left to itself it maps each to one spare
# key for a moment, and a console that reads the key late (a busy machine) reads another
# character or none. The keys are the 96 with an <Innn> name, meant for multimedia keys.
map_keys() {
  case $1 in *[![:ascii:]]*) ;; *) return 0 ;; esac
  [ -s "$work/keymap.xkb" ] || xkbcomp -w0 -xkb "$DISPLAY" "$work/keymap.xkb" 2>/dev/null ||
    fail "xkbcomp could not read the keyboard map"
  local changed
  changed=$(/usr/bin/python3 - "$work/keymap.xkb" "$work/keymap.chars" "$work/keymap-typing.xkb" "$1" <<'PY'
import os, re, sys
base, state, out, text = sys.argv[1:]
mapped = open(state, encoding="utf-8").read() if os.path.exists(state) else ""
new = "".join(dict.fromkeys(c for c in text if ord(c) > 127 and c not in mapped))
if not new:
    sys.exit(0)
mapped += new
keymap = open(base).read()
keycodes = keymap[keymap.index("xkb_keycodes"):]
keys = re.findall(r"^\s*<(I\d+)>\s*=", keycodes[:keycodes.index("\n};")], re.M)
if len(mapped) > len(keys):
    print("full")
    sys.exit(0)
lines = ['    override key <%s> { type= "ONE_LEVEL", symbols[Group1]= [ U%04X ] };' % (key, ord(c))
         for key, c in zip(keys, mapped)]
end = keymap.index("\n};", keymap.index("xkb_symbols"))
open(out, "w").write(keymap[:end] + "\n" + "\n".join(lines) + keymap[end:])
open(state, "w", encoding="utf-8").write(mapped)
print("new")
PY
)
  case $changed in
  full) fail "more characters to type than spare keys" ;;
  new) xkbcomp -w0 "$work/keymap-typing.xkb" "$DISPLAY" 2>/dev/null || fail "xkbcomp could not load the keyboard map" ;;
  esac
}
visible() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }

# Waits up to $2 seconds (default 15) for a visible window whose title matches $1, and
# sets wx wy to its top-left corner.
await() {
  local id='' tries=$((${2:-15} * 4))
  for _ in $(seq "$tries"); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1) && [ -n "$id" ] && break
    sleep 0.25
  done
  [ -n "$id" ] || fail "no window \"$1\" appeared"
  eval "$(xdotool getwindowgeometry --shell "$id" | sed -n 's/^X=/wx=/p; s/^Y=/wy=/p')"
}

# Clicks at a position relative to the last awaited window, then pauses $3 seconds.
at() { xdotool mousemove $((wx + $1)) $((wy + $2)) click 1; pause "${3:-0.6}"; }

# Waits up to $1 seconds for the shell condition $2.
until_true() {
  local limit=$(($1 * 10))
  for _ in $(seq "$limit"); do eval "$2" && return 0; sleep 0.1; done
  return 1
}

# A message box: waits for it, takes its picture and answers it with a key (Return).
message() {
  await "消息提示"
  pause 0.5
  shot "$1"
  key "${2:-Return}"
}

login() {
  await "请输入防伪系统操作口令" 60
  at 190 110 0.3
  typ "$1"
  key Return
  await "Ostrel" 30
  main_x=$wx
  main_y=$wy
}
main() { wx=$main_x; wy=$main_y; }

# The console's layouts are in dialog units, 1.5 pixels each (console/widgets/kit_look.cpp).
dlu() { echo $((($1 * 3 + ($1 >= 0 ? 1 : -1)) / 2)); }

# Puts a text into the focused text box through the clipboard (any characters, no typing).
# xclip stays to serve the clipboard until another program takes it, or the screen ends.
paste() {
  printf '%s' "$1" | xclip -selection clipboard 2>/dev/null
  key ctrl+v
}

# Clicks the centre of the main window's navigation button N (0 home ... 7 bulk SMS, 8 exit).
nav() {
  local ys=(64 78 92 106 121 136 151 165 180)
  main
  at $(($(dlu 21) + $(dlu 50) / 2)) $(($(dlu "${ys[$1]}") + $(dlu 12) / 2)) "${2:-1.5}"
}

# Clicks the centre of a page control placed at dialog units (x, y, w, h); the pages sit at
# (75, 64) in the main window. Then pauses $5 seconds.
page_at() {
  main
  at $(($(dlu 75) + $(dlu "$1") + $(dlu "$3") / 2)) $(($(dlu 64) + $(dlu "$2") + $(dlu "$4") / 2)) "${5:-0.8}"
}

# Reading the screen of the last shot (work/screen.ppm) in a rectangle given in pixels
# from the main window's corner (x y w h):
#   text_lines   the number of lines of dark text in it (a list's rows, a label);
#   dark_pixels  the number of its dark pixels;
#   vivid_pixels the number of its strongly coloured pixels (a chart's bars, not text);
#   digest       a digest of its pixels, to tell whether it changed.
# Dark: all three channels below 110, so text on white, blue or grey, not grid lines.
# Vivid: the channels spread by more than 100 of 255.
screen_measure() {
  /usr/bin/python3 - "$work/screen.ppm" "$1" $((main_x + $2)) $((main_y + $3)) "$4" "$5" <<'PY'
import hashlib, sys
path, what, x0, y0, w, h = sys.argv[1], sys.argv[2], *map(int, sys.argv[3:7])
with open(path, "rb") as f:
    data = f.read()
# A binary PPM (P6): magic, width, height, maximum, then RGB triples.
fields, at = [], 0
while len(fields) < 4:
    while data[at:at + 1].isspace():
        at += 1
    if data[at:at + 1] == b"#":
        at = data.index(b"\n", at)
        continue
    end = at
    while not data[end:end + 1].isspace():
        end += 1
    fields.append(data[at:end])
    at = end
at += 1
width = int(fields[1])
# xwdtopnm writes two bytes a sample (most significant first) for a 24-bit screen.
size = 2 if int(fields[3]) > 255 else 1
pixel = 3 * size
dark_rows = []
vivid = 0
digest = hashlib.md5()
for y in range(y0, y0 + h):
    row = data[at + pixel * (y * width + x0):at + pixel * (y * width + x0 + w)]
    digest.update(row)
    channels = [(row[i], row[i + size], row[i + 2 * size]) for i in range(0, len(row), pixel)]
    dark_rows.append(sum(1 for c in channels if max(c) < 110))
    vivid += sum(1 for c in channels if max(c) - min(c) > 100)
if what == "digest":
    print(digest.hexdigest())
elif what == "vivid":
    print(vivid)
elif what == "dark":
    print(sum(dark_rows))
else:
    # A line is a run of pixel rows with dark pixels; gaps of one or two rows inside a
    # line's glyphs do not split it.
    lines, gap, inside = 0, 99, False
    for count in dark_rows:
        if count >= 3:
            if not inside and gap > 2:
                lines += 1
            inside, gap = True, 0
        else:
            inside, gap = False, gap + 1
    print(lines)
PY
}
text_lines() { screen_measure lines "$@"; }
dark_pixels() { screen_measure dark "$@"; }
vivid_pixels() { screen_measure vivid "$@"; }

# Waits up to 60 s for a page's long operation to end: the command at dialog units (x y w h)
# shows dark text again (the operation greys it) and the pixels in the rectangle that
# follows (x y w h from the main window's corner, a list) stay the same for half a second.
await_done() {
  local what=$1 before='' now
  shift
  local bx by bw bh
  bx=$(($(dlu 75) + $(dlu "$1")))
  by=$(($(dlu 64) + $(dlu "$2")))
  bw=$(dlu "$3")
  bh=$(dlu "$4")
  pause 0.5
  for _ in $(seq 120); do
    grab
    if [ "$(dark_pixels "$bx" "$by" "$bw" "$bh")" -gt 20 ]; then
      now=$(screen_measure digest "$5" "$6" "$7" "$8")
      [ "$now" = "$before" ] && return 0
      before=$now
    fi
    sleep 0.5
  done
  fail "$what did not end within 60 s"
}
