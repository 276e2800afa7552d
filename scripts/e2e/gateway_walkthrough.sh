#!/usr/bin/env bash
# The whole road on a private Xvfb screen: ./run.sh brings up the console, the modem
# simulator and the gateway host on a fresh demo database; a consumer's code sent with
# scripts/consumer-sms is answered and logged, and shows on top of the query records page;
# a reply typed there by hand goes to the host, reaches the simulator, and its row turns
# 成功 on the bulk SMS page. Every step is checked (exit status 1 at the first that fails)
# and leaves a screenshot.
#
# Usage: scripts/e2e/gateway_walkthrough.sh [BUILD_DIR] [SHOT_DIR]
#   BUILD_DIR  a built tree (default: build); run.sh uses its programs as they are
#   SHOT_DIR   where the PNGs go (default: BUILD_DIR/e2e-shots-gateway)
# Needs: xvfb, xdotool, x11-apps (xwd), netpbm, sqlite3.
set -euo pipefail
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"

e2e_begin gateway_walkthrough e2e-shots-gateway "${1:-}" "${2:-}"
e2e_logs=(run.out sim/gateway.log)
need sqlite3
need_built kelvane varnholt-db varnholt-gateway gsm-modem-sim
sim=$work/sim
link_artwork
db=$home/Varnholt.db

run_pid=
on_cleanup() {
  # The console's end ends run.sh, which stops the host and then the simulator.
  if [ -n "$run_pid" ]; then
    local console
    console=$(pgrep -P "$run_pid" -x kelvane || true)
    if [ -n "$console" ]; then kill "$console" 2>/dev/null || true; fi
    for _ in $(seq 100); do kill -0 "$run_pid" 2>/dev/null || break; sleep 0.1; done
    kill "$run_pid" 2>/dev/null || true
    wait "$run_pid" 2>/dev/null || true
  fi
}
start_xvfb
sql() { sqlite3 -cmd '.timeout 5000' "$db" "$1"; }

# The programs' directory is the walk's own (KELVANE_HOME), so the build's database and
# password file are left alone; run.sh makes the demo database there.
KELVANE_HOME=$home VARNHOLT_SIM_DIR=$sim VARNHOLT_BUILD_DIR=$build XDG_CONFIG_HOME=$work/config TMPDIR=$work/tmp \
  "$root/run.sh" >"$work/run.out" 2>&1 &
run_pid=$!

await "请输入防伪系统操作口令" 60
shot login
login 482
until_true 30 'grep -q "modem ready" "$sim/gateway.log" 2>/dev/null' ||
  fail "the host did not get the modem ready: $(tail -5 "$sim/gateway.log" 2>/dev/null)"
echo "  console, simulator and host are up"

# A consumer texts a genuine code of an enabled batch.
phone=139$(printf '%08d' $((RANDOM * 32768 + RANDOM)))
phone=${phone:0:11}
code=$(sql "select ProductID||ProductCode from ProductTable where UseStatus=1 order by rowid limit 1")
[ -n "$code" ] || fail "the demo database has no enabled code"
answer=$(VARNHOLT_SIM_DIR=$sim "$root/scripts/consumer-sms" "$phone" "$code") ||
  fail "no answer to the consumer: $answer"
echo "$answer" | sed 's/^/  /'
logged=$(sql "select QueryStatus||' '||QueryProv||QueryCity from QueryLogTable where QueryPhoneNumber='$phone' collate binary")
[ -n "$logged" ] || fail "the query is not in the log"
echo "  logged: status and place $logged"

# The records page lists today's queries; the newest, this one, on top.
nav 2
page_at 351 25 62 16 2   # 查询
shot records-page
# Replying to the top row queues the reply to its number: so the row on top is this query.
reply="您好，您查询的产品为正品 e2e$RANDOM"
# A busy machine may fill the list late: a press before that is refused with a message
# ("请先从列表中选择…"), then the row is chosen again.
for try in 1 2 3 4 5; do
  main; at 250 193 0.5
  page_at 6 238 62 16 0.2   # 人工回复
  until_true 10 'visible 输入回复短信的内容 || visible 消息提示' || true
  visible "输入回复短信的内容" && break
  if visible "消息提示"; then
    shot "no-row-selected-$try"
    key Return
  fi
  pause 2
done
await "输入回复短信的内容"
pause 1
typ "$reply"
shot reply-dialog
at 103 157   # 确定
until_true 10 '[ -n "$(sql "select SmsIndex from SendSmsTable where PhoneNumber='"'$phone'"' collate binary")" ]' ||
  fail "the manual reply was not queued to $phone (the records page's top row is not the query)"
index=$(sql "select SmsIndex from SendSmsTable where PhoneNumber='$phone' collate binary")
[ "$(sql "select SmsContent from SendSmsTable where SmsIndex=$index")" = "$reply" ] ||
  fail "the queued reply is not the text typed: $(sql "select SmsContent from SendSmsTable where SmsIndex=$index")"
echo "  reply queued as row $index"

# The host sends it (behind the demo's waiting rows) and marks it 成功 with NewFlag 1.
until_true 60 '[ "$(sql "select SendStatus from SendSmsTable where SmsIndex=$index")" = 成功 ]' ||
  fail "row $index did not turn 成功: $(sql "select SendStatus from SendSmsTable where SmsIndex=$index")"
received=$("$root/scripts/sms-log" --to "$phone" "$sim/modem.jsonl" | grep -cF "\"text\": \"$reply\"" || true)
[ "$received" = 1 ] || fail "the simulator got the reply $received times"
echo "  row $index: 成功, the simulator sent it to $phone"

# The bulk SMS page shows the row with its new state after its next refresh.
nav 7 6.5
shot bulk-sms-page
echo "gateway_walkthrough: passed"
