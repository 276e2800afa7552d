#!/usr/bin/env bash
# Walks the console as an operator would, under a private Xvfb screen, and writes a
# screenshot of each step: login, batch page, new batch, code generation (with its
# progress bar), enable, sticker PDF, disable, delete, the password dialog and exit.
# For people reviewing the look; not run by CI.
#
# Usage: scripts/e2e/console_walkthrough.sh [BUILD_DIR] [SHOT_DIR]
#   BUILD_DIR  a built tree with bin/kelvane, bin/stickwell, bin/varnholt-db (default: build)
#   SHOT_DIR   where the PNGs go (default: BUILD_DIR/e2e-shots)
# Needs: xvfb, xdotool, x11-apps (xwd), netpbm, poppler-utils, sqlite3.
# The console runs in a fresh program directory with demo data (KELVANE_HOME), so the
# build's own database and password file are left alone.
set -euo pipefail

# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"

e2e_begin console_walkthrough e2e-shots "${1:-}" "${2:-}"
need pdftotext sqlite3
need_built kelvane stickwell varnholt-db
link_artwork
"$bin/varnholt-db" init "$home/Varnholt.db" --demo >/dev/null
db=$home/Varnholt.db
start_xvfb

password() { await "$1"; at 190 110 0.3; typ "$2"; key Return; }

# Positions inside the main window (pixels from its top-left corner).
button() { at $((168 + 103 * $1)) 464 0.8; }   # 0 new, 1 generate, 2 print, 3 enable, 4 disable, 5 delete
row() { at 160 $((133 + 18 * $1)) 0.4; }

# Sticker sheets go to the documents folder, here one of the walk's own; no PDF viewer
# takes them, so the console says where the sheet is.
mkdir -p "$work/config" "$work/documents" "$work/noviewer"
printf 'XDG_DOCUMENTS_DIR="%s"\n' "$work/documents" >"$work/config/user-dirs.dirs"
printf '#!/bin/sh\nexit 3\n' >"$work/noviewer/xdg-open"
chmod +x "$work/noviewer/xdg-open"
start_console PATH="$work/noviewer:$PATH"

await "请输入防伪系统操作口令" 60
shot login
login 482
pause 1.5
shot home

nav 1
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
nav 8 1
message exit-confirm-again Return
for _ in $(seq 20); do kill -0 "$kelvane_pid" 2>/dev/null || break; sleep 0.25; done
if kill -0 "$kelvane_pid" 2>/dev/null; then
  fail "the console is still running after exit"
fi
e2e_pids=()
echo "console_walkthrough: done"
