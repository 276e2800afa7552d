#!/usr/bin/env bash
# Walks the console as an operator would, under a private Xvfb screen, and writes a
# screenshot of each step: login, batch page, new batch, code generation (with its
# progress bar), enable, sticker PDF, disable, delete, the password dialog and exit.
# For people reviewing the look; not run by CI.
#
# Usage: scripts/e2e/console_walkthrough.sh [BUILD_DIR] [SHOT_DIR]
#   BUILD_DIR  a built tree with bin/kelvane, bin/stickwell, bin/varnholt-db (default: build)
#   SHOT_DIR   where the PNGs go (default: BUILD_DIR/e2e-shots)
# Needs: xvfb, xdotool, imagemagick (import), poppler-utils, sqlite3.
# The console runs in a fresh program directory with demo data (KELVANE_HOME), so the
# build's own database and password file are left alone.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "${1:-$root/build}")
shots=$(mkdir -p "${2:-$build/e2e-shots}" && realpath "${2:-$build/e2e-shots}")
bin=$build/bin
for tool in Xvfb xdotool import pdftotext sqlite3; do
  command -v "$tool" >/dev/null || { echo "console_walkthrough: $tool is missing" >&2; exit 1; }
done
for program in kelvane stickwell varnholt-db; do
  [ -x "$bin/$program" ] || { echo "console_walkthrough: $bin/$program is not built" >&2; exit 1; }
done

work=$(mktemp -d)
home=$work/home
mkdir -p "$home" "$work/tmp"
for item in m2.bmp m3.bmp skin stickwell; do
  [ -e "$bin/$item" ] && ln -s "$bin/$item" "$home/$item"
done
"$bin/varnholt-db" init "$home/Varnholt.db" --demo >/dev/null
db=$home/Varnholt.db

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
kelvane_pid=
cleanup() {
  if [ -n "$kelvane_pid" ]; then kill "$kelvane_pid" 2>/dev/null || true; fi
  kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

step=0
shot() {
  step=$((step + 1))
  local file
  file=$(printf '%s/%02d-%s.png' "$shots" "$step" "$1")
  import -window root "$file"
  echo "  $file"
}
pause() { sleep "${1:-0.7}"; }
key() { xdotool key "$@"; pause 0.5; }
typ() { xdotool type --delay 40 "$1"; pause 0.3; }
# Waits for a visible window whose title matches, and sets wx wy (its top-left corner).
await() {
  local id=
  for _ in $(seq 60); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1) && [ -n "$id" ] && break
    sleep 0.25
  done
  [ -n "$id" ] || { echo "console_walkthrough: no window \"$1\" appeared" >&2; shot "missing-window"; exit 1; }
  eval "$(xdotool getwindowgeometry --shell "$id" | sed -n 's/^X=/wx=/p; s/^Y=/wy=/p')"
}
# Clicks at a position relative to the last awaited window.
at() { xdotool mousemove $((wx + $1)) $((wy + $2)) click 1; pause "${3:-0.6}"; }
password() { await "$1"; at 190 110 0.3; typ "$2"; key Return; }
message() { await "消息提示"; shot "$1"; key "${2:-Return}"; }

# Positions inside the main window (pixels from its top-left corner).
nav_batches() { at 79 125 1.5; }
button() { at $((168 + 103 * $1)) 464 0.8; }   # 0 new, 1 generate, 2 print, 3 enable, 4 disable, 5 delete
row() { at 160 $((133 + 18 * $1)) 0.4; }

echo "console_walkthrough: screenshots in $shots"
# The console is single-instance per user: a running one would take this start over.
# Sticker sheets go to the documents folder, here one of the walk's own; no PDF viewer
# takes them, so the console says where the sheet is.
mkdir -p "$work/config" "$work/documents" "$work/noviewer"
printf 'XDG_DOCUMENTS_DIR="%s"\n' "$work/documents" >"$work/config/user-dirs.dirs"
printf '#!/bin/sh\nexit 3\n' >"$work/noviewer/xdg-open"
chmod +x "$work/noviewer/xdg-open"
PATH=$work/noviewer:$PATH XDG_CONFIG_HOME=$work/config TMPDIR=$work/tmp KELVANE_HOME=$home \
  "$bin/kelvane" >"$work/kelvane.log" 2>&1 &
kelvane_pid=$!

await "请输入防伪系统操作口令"
shot login
password "请输入防伪系统操作口令" 482
await "Ostrel"; main_x=$wx; main_y=$wy
pause 1.5
shot home
main() { wx=$main_x; wy=$main_y; }

main; nav_batches
shot batch-page
rows=$(sqlite3 "$db" "select count(*) from ProductGroupTable")

new_batch() {   # quantity name remark
  main; button 0
  await "新增产品"
  key ctrl+a; typ "$1"; key Tab; typ "$2"; key Tab; typ "$3"
}
delete_row() {
  main; row "$1"; main; button 5
  message "$2-delete-confirm" Return
  password "请输入防伪系统的系统管理员口令" 482
}

new_batch 1500 "走查批次" "自动走查"
shot new-batch-dialog
key Return
main; pause 0.5
shot batch-created

main; row "$rows"; main; button 1
password "请输入防伪系统的系统管理员口令" 482
message slow-warning
message generated
main; shot codes-listed

main; button 3
shot enabled
main; button 2
pdf=$work/documents/防伪贴纸/走查批次_$(sqlite3 "$db" "select StartNumber||'-'||EndNumber from ProductGroupTable where ProductName='走查批次' collate binary").pdf
for _ in $(seq 40); do [ -s "$pdf" ] && break; sleep 0.25; done
message sticker-saved
if [ -s "$pdf" ]; then
  pdftotext "$pdf" - | grep -oE '[0-9]{4} [0-9]{4} [0-9]{4} [0-9]{4}' | tr -d ' ' >"$work/printed.txt"
  sqlite3 "$db" "select ProductID||ProductCode from ProductTable where ProductName='走查批次' collate binary order by ProductID" \
    >"$work/stored.txt"
  if cmp -s "$work/printed.txt" "$work/stored.txt"; then
    echo "  stickers: $(wc -l <"$work/printed.txt") codes, the batch's codes in order"
  else
    echo "  stickers: the PDF's codes differ from the batch's codes" >&2
  fi
  command -v pdftoppm >/dev/null && pdftoppm -f 1 -l 1 -r 60 -png "$pdf" "$shots/stickers-page1"
else
  echo "  stickers: no PDF appeared at $pdf" >&2
fi

main; button 4
shot disabled
main; xdotool mousemove $((wx + 400)) $((wy + 133 + 18 * rows)) click --repeat 2 --delay 80 1; pause
shot edit-remark-dialog
key Escape

delete_row "$rows" first
main; pause 0.5
shot deleted
echo "  batch rows left: $(sqlite3 "$db" "select count(*) from ProductGroupTable where ProductName='走查批次' collate binary")," \
  "code rows left: $(sqlite3 "$db" "select count(*) from ProductTable where ProductName='走查批次' collate binary")"

# A large batch, so that the progress bar can be seen.
new_batch 400000 "进度条批次" ""
key Return
main; row "$rows"; main; button 1
password "请输入防伪系统的系统管理员口令" 482
await "消息提示"; key Return
for i in 1 2 3; do shot "generating-$i"; done
message large-generated
delete_row "$rows" large

main; at 65 385 1
password "请输入防伪系统的系统管理员口令" 482
await "修改操作口令"; shot change-passwords
key Return
message change-passwords-default-refused
await "修改操作口令"; key Escape

main; at 738 15 1
message exit-confirm Escape
main; at 79 278 1
message exit-confirm-again Return
for _ in $(seq 20); do kill -0 "$kelvane_pid" 2>/dev/null || break; sleep 0.25; done
if kill -0 "$kelvane_pid" 2>/dev/null; then
  echo "console_walkthrough: the console is still running after exit" >&2
  exit 1
fi
kelvane_pid=
echo "console_walkthrough: done"
