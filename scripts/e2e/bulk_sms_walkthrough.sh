#!/usr/bin/env bash
# Walks the bulk SMS page as an operator would, under a private Xvfb screen, with a
# script standing in for the gateway host, and writes a screenshot of each step: recipients
# typed and imported, a message sent, a row turning from 待发 to 成功 when the "host"
# updates it with NewFlag 1, resend, delete, export (the workbook read back), clear.
# For people reviewing the page; not run by CI.
#
# Usage: scripts/e2e/bulk_sms_walkthrough.sh [BUILD_DIR] [SHOT_DIR]
# Needs: xvfb, xdotool, x11-apps (xwd), netpbm, sqlite3, python3-openpyxl.
set -euo pipefail
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"

e2e_begin bulk_sms_walkthrough e2e-shots-sms "${1:-}" "${2:-}"
need sqlite3
need_built kelvane varnholt-db
link_artwork
"$bin/varnholt-db" init "$home/Varnholt.db" >/dev/null
db=$home/Varnholt.db
start_xvfb

message() {
  await "消息提示"; pause 0.8; shot "$1"
  # The box alone as well, taken from its own window.
  xwd -silent -id "$(xdotool search --onlyvisible --name 消息提示 | tail -1)" | xwdtopnm 2>/dev/null | pnmtopng \
    >"$(printf '%s/%02d-%s-box.png' "$shots" "$step" "$1")"
  key "${2:-Return}"
}
sql() { sqlite3 "$db" "$1"; }

# The page's controls at their dialog units (x, y, w, h).
add_one() { page_at 349 27 50 14; }
import_file() { page_at 349 41 50 14; }
send() { page_at 349 97 50 30; }
message_box() { page_at 24 97 319 30 0.4; }
resend() { page_at 87 237 50 14; }
delete_one() { page_at 152 237 50 14; }
export_records() { page_at 217 237 50 14; }
clear_all() { page_at 282 237 50 14; }
record_row() { main; at 250 $((358 + 18 * $1)) 0.5; }

printf '  13800138000 \r\n123\r\n13900139000\r\n' >"$work/numbers.txt"
start_console

login 482
pause 1
nav 7 2.5
shot bulk-sms-page

# Two numbers typed, three lines imported (the 3-digit one is skipped).
for number in 13600136000 13700137000; do
  add_one
  await "输入短信接收号码"; typ "$number"; key Return
done
import_file
message import-notice
await "选择要导入的号码文件"; typ "$work/numbers.txt"; key Return
pause 1
shot recipients

message_box; typ "新茶上市 tea's here"
shot message-typed
send
message send-notice
pause 0.5
shot sent
echo "  queued: $(sql "select count(*) from SendSmsTable where SendStatus='待发' collate binary") rows 待发," \
  "flagged: $(sql "select count(*) from SendSmsTable where NewFlag=1")"

# The host sends the newest row and says so with NewFlag 1; the next refresh shows it.
newest=$(sql "select max(SmsIndex) from SendSmsTable")
sql "update SendSmsTable set SendStatus='成功',SendTime=datetime('now','localtime'),NewFlag=1 where SmsIndex=$newest"
pause 5.5
shot host-sent
echo "  row $newest: $(sql "select SendStatus||' flag '||NewFlag from SendSmsTable where SmsIndex=$newest")"

record_row 0; resend
message resend-notice
pause 0.5
shot resent

record_row 1; delete_one
message delete-confirm Return
pause 0.5
shot deleted
echo "  rows left after delete: $(sql "select count(*) from SendSmsTable")"

export_records
await "输入记录保存的Excel文件名"; typ "$work/records"; key Return
message export-notice
if [ -f "$work/records.xlsx" ]; then
  cp "$work/records.xlsx" "$shots/records.xlsx"
  /usr/bin/python3 - "$work/records.xlsx" <<'PY' || true
import sys
from openpyxl import load_workbook
book = load_workbook(sys.argv[1], read_only=True)
print("  workbook sheets:", book.sheetnames)
for row in book[book.sheetnames[0]].iter_rows(values_only=True):
    print("   ", row)
PY
else
  echo "  no workbook written" >&2
fi

clear_all
message clear-confirm Return
pause 0.5
shot cleared
echo "  rows left after clear: $(sql "select count(*) from SendSmsTable")"
