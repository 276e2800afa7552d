#!/usr/bin/env bash
# The query pages on a demo database with a large log, under a private Xvfb screen, as an
# operator uses them: the records page filtered by date, region, batch and status; a reply
# by hand that shows as 待发 on the bulk SMS page; one record deleted; the listed rows
# exported and cleared; a code looked up; statistics in two orders and as a chart;
# cross-region sales of a batch; the counterfeit warnings of a day. Each step is checked
# against the database (sqlite3), against a workbook the console wrote, or against the
# screen (fields copied through the clipboard, lines of text counted in a list), and
# leaves a screenshot; the first check that fails ends the walk with exit status 1.
#
# Usage: scripts/e2e/query_pages_walkthrough.sh [BUILD_DIR] [SHOT_DIR]
#   BUILD_DIR  a built tree with bin/kelvane and bin/varnholt-db (default: build)
#   SHOT_DIR   where the PNGs go (default: BUILD_DIR/e2e-shots-queries)
# Environment: QUERY_WALK_ROWS, the log's size (default 200000).
# Needs: xvfb, xdotool, x11-apps (xwd), netpbm, xclip, sqlite3, python3-openpyxl.
set -euo pipefail
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"

e2e_begin query_pages_walkthrough e2e-shots-queries "${1:-}" "${2:-}"
need sqlite3 xclip
need_built kelvane varnholt-db
/usr/bin/python3 -c 'import openpyxl' 2>/dev/null || fail "python3-openpyxl is missing"
link_artwork
db=$home/Varnholt.db
rows=${QUERY_WALK_ROWS:-200000}
started=$(date +%s)
"$bin/varnholt-db" init "$db" --demo --queries "$rows" >/dev/null || fail "varnholt-db could not make the demo database"
# Progress lines carry the seconds since the start.
note() { echo "  [$(($(date +%s) - started)) s] $*"; }
note "demo database with $rows log rows"
start_xvfb

sql() { sqlite3 -cmd '.timeout 5000' "$db" "$1"; }
# A workbook's rows, one a line, cells joined by '|' (sheet name first).
workbook() {
  /usr/bin/python3 - "$1" <<'PY'
import sys
from openpyxl import load_workbook
book = load_workbook(sys.argv[1], read_only=True)
print(book.sheetnames[0])
for row in book[book.sheetnames[0]].iter_rows(values_only=True):
    print("|".join("" if cell is None else str(cell) for cell in row))
PY
}
# The text of a line edit of a page at dialog units (x, y, w, h), through the clipboard.
field_text() {
  page_at "$1" "$2" "$3" "$4" 0.2
  printf '' | xclip -selection clipboard 2>/dev/null
  key ctrl+a ctrl+c
  xclip -o -selection clipboard 2>/dev/null || true
}
# Picks an entry of a drop-down list at dialog units by typing its text.
choose() {
  page_at "$1" "$2" "$3" "$4" 0.8
  typ "$5"
  key Return
}
# Types a date into a date picker at dialog units (the year section takes the click).
set_date() {
  main
  at $(($(dlu 75) + $(dlu "$1") + 12)) $(($(dlu 64) + $(dlu "$2") + $(dlu "$4") / 2)) 0.3
  key ctrl+a
  typ "$5"
  key Tab
}
# Answers a file dialog with a path and the message box that follows with Return.
save_as() {
  await "$1"
  pause 0.5
  paste "$2"
  key Return
  message "$3"
}
day() { date -d "$1 days ago" +%F; }

# The lists' rows, in pixels from the main window's corner (x y w h): below the headings,
# as many whole rows as the list shows.
records_rect=(132 184 600 234)  # 13 rows
history_rect=(152 211 560 235)  # 13 rows
stats_rect=(132 200 590 270)    # 15 rows
cross_rect=(152 205 560 222)    # 12 rows
warnings_rect=(152 184 560 270) # 15 rows

start_console
login 482
pause 1

# ---------------------------------------------------------------------------------------
# Records page. The filter: two weeks before today, 广东 and the city and batch with the
# most correct queries there, status 正确查询.
from=$(day 14)
to=$(day 1)
province=广东
read -r city product < <(sql "select QueryCity||' '||ProductName from QueryLogTable where QueryProv='$province'
  and QueryTime>'$from 00:00:01' and QueryTime<'$to 23:59:59' and QueryStatus=1 and ProductName<>''
  group by QueryCity, ProductName order by count(*) desc limit 1") || true
[ -n "$product" ] || fail "the demo log has no correct query in $province between $from and $to"
where="QueryTime>'$from 00:00:01' and QueryTime<'$to 23:59:59' and QueryProv='$province' and QueryCity='$city'
  and ProductName='$product' and QueryStatus=1"
listed=$(sql "select count(*) from QueryLogTable where $where")
[ "$listed" -ge 3 ] || fail "only $listed rows for the filter $province $city $product"
note "filter: $from .. $to, $province $city, $product, 正确查询: $listed rows"

nav 2
page_at 6 8 46 12 0.3         # 指定地域 (regionCheck)
choose 54 6 56 14 "$province" # provinceList
choose 114 6 66 14 "$city"    # cityList
page_at 196 8 46 12 0.3       # 指定批次 (batchCheck)
choose 246 6 110 14 "$product" # productList
choose 62 26 64 14 正确查询    # statusList
set_date 196 26 64 14 "$from" # fromDate
set_date 272 26 64 14 "$to"   # toDate
shot records-filter
page_at 351 25 62 16 0.2      # 查询 (runQuery)
# The list fills while the rows are read; a message would mean none or an error.
await_done 查询 351 25 62 16 "${records_rect[@]}"
if visible 消息提示; then message records-unexpected-message; fail "查询 answered with a message"; fi
shot records-listed
records_list() { text_lines "${records_rect[@]}"; }
[ "$(records_list)" = $((listed < 13 ? listed : 13)) ] || fail "the records list shows $(records_list) lines"

# A reply by hand to the top row, the newest of the filter's rows.
top_phone=$(sql "select QueryPhoneNumber from QueryLogTable where $where order by QueryIndex desc limit 1")
queued_before=$(sql "select count(*) from SendSmsTable")
reply="e2e 您好，感谢查询 $RANDOM"
main; at 250 193 0.4
page_at 6 238 62 16 0.5       # 人工回复 (manualReply)
await "输入回复短信的内容"
pause 0.5
paste "$reply"
shot reply-dialog
at 103 157                    # 确定
until_true 10 '[ "$(sql "select count(*) from SendSmsTable")" -gt "$queued_before" ]' ||
  fail "the reply was not queued"
read -r index status phone < <(sql "select SmsIndex||' '||SendStatus||' '||PhoneNumber from SendSmsTable order by SmsIndex desc limit 1") || true
[ "$(sql "select count(*) from SendSmsTable")" = $((queued_before + 1)) ] || fail "more than one row was queued"
[ "$phone" = "$top_phone" ] || fail "the reply went to $phone, not to the top row's $top_phone"
[ "$status" = 待发 ] || fail "the reply's row is $status, not 待发"
[ "$(sql "select SmsContent from SendSmsTable where SmsIndex=$index")" = "$reply" ] || fail "the queued text is not the typed one"
note "reply queued as row $index to $phone, 待发"

# The bulk SMS page lists it on top as 待发: its own export of the list says what it shows.
nav 7 0.5
await_done 记录导出 217 237 50 14 150 352 560 86
shot bulk-sms-reply
page_at 217 237 50 14         # 记录导出
save_as "输入记录保存的Excel文件名" "$work/sms" bulk-export-done
[ -s "$work/sms.xlsx" ] || fail "the bulk SMS page wrote no workbook"
first=$(workbook "$work/sms.xlsx" | sed -n 3p)
[ "$first" = "$index|待发| |$phone|$reply" ] || [ "$first" = "$index|待发||$phone|$reply" ] ||
  fail "the bulk SMS page's top row is not the reply as 待发: $first"
note "bulk SMS page: top row $first"

# Delete the second row: the second newest of the filter goes, nothing else.
nav 2 1
second=$(sql "select QueryIndex from QueryLogTable where $where order by QueryIndex desc limit 1 offset 1")
total=$(sql "select count(*) from QueryLogTable")
main; at 250 $((193 + 18)) 0.4
page_at 75 238 62 16 0.5      # 删除记录 (deleteRecord)
message delete-confirm Return
until_true 10 '[ -z "$(sql "select QueryIndex from QueryLogTable where QueryIndex=$second")" ]' ||
  fail "row $second is still logged"
[ "$(sql "select count(*) from QueryLogTable")" = $((total - 1)) ] || fail "the delete took other rows too"
listed=$((listed - 1))
shot deleted
note "deleted row $second"

# Export the list: the workbook holds the filter's rows, newest first, without the deleted one.
page_at 144 238 62 16 0.5     # 导出记录 (exportRecords)
save_as "输入记录保存的Excel文件名" "$work/records" records-export-done
[ -s "$work/records.xlsx" ] || fail "the records page wrote no workbook"
workbook "$work/records.xlsx" >"$work/records.txt"
sql "select QueryIndex||'|正确|'||QueryTime||'|'||QueryPhoneNumber||'|'||QueryProductID||'|'||QueryProductCode||'|'||
  RealProductCode||'|'||QueryComm||'|'||QueryProv||'|'||QueryCity from QueryLogTable where $where order by QueryIndex desc" \
  >"$work/expected.txt"
[ "$(head -1 "$work/records.txt")" = 防伪查询记录表 ] || fail "the workbook's sheet is $(head -1 "$work/records.txt")"
[ "$(sed -n 2p "$work/records.txt")" = "查询序号|查询状态|查询时间|查询手机号|产品编号|查询码值|真实码值|查询串口|省份|城市" ] ||
  fail "the workbook's headings are $(sed -n 2p "$work/records.txt")"
tail -n +3 "$work/records.txt" >"$work/exported.txt"
cmp -s "$work/exported.txt" "$work/expected.txt" ||
  fail "the workbook's $(wc -l <"$work/exported.txt") rows are not the filter's $listed: $(diff "$work/exported.txt" "$work/expected.txt" | head -4)"
cp "$work/records.xlsx" "$shots/records.xlsx"
note "exported $listed rows, as the database holds them"

# Clear the list. A query logged since 查询 falls inside the filter but is not listed: it stays.
outside=$(sql "select count(*) from QueryLogTable where not ($where)")
sql "insert into QueryLogTable (QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,RealProductCode,QueryStatus,
  QueryComm,QueryProv,QueryCity,ProductName) select '$to 12:00:00','13800000000',QueryProductID,QueryProductCode,
  RealProductCode,1,QueryComm,QueryProv,QueryCity,ProductName from QueryLogTable where $where order by QueryIndex desc limit 1"
late=$(sql "select max(QueryIndex) from QueryLogTable")
page_at 213 238 62 16 0.5     # 清空记录 (clearRecords)
message clear-confirm Return
await_done 清空记录 213 238 62 16 "${records_rect[@]}"
shot cleared
[ "$(sql "select count(*) from QueryLogTable where $where")" = 1 ] ||
  fail "after the clear $(sql "select count(*) from QueryLogTable where $where") rows of the filter are left, not the late one"
[ -n "$(sql "select QueryIndex from QueryLogTable where QueryIndex=$late")" ] || fail "the query logged after 查询 was cleared"
[ "$(sql "select count(*) from QueryLogTable where not ($where)")" = "$outside" ] || fail "the clear took rows outside the filter"
[ "$(records_list)" = 0 ] || fail "the list still shows $(records_list) lines after the clear"
note "cleared $listed rows; the late row $late and $outside rows outside the filter stay"

# ---------------------------------------------------------------------------------------
# Code lookup: a code asked 3 to 8 times, so its whole history fits the list.
read -r id code name < <(sql "select p.ProductID||' '||p.ProductCode||' '||p.ProductName from ProductTable p
  join (select QueryProductID as id from QueryLogTable where QueryStatus>1 group by QueryProductID
        having count(*) between 3 and 8 limit 1) q on p.ProductID=q.id") || true
[ -n "$name" ] || fail "no code in the demo log was asked 3 to 8 times"
asked=$(sql "select count(*) from QueryLogTable where QueryProductID='$id'")
read -r created enabled < <(sql "select replace(CreateCodeTime,' ','_')||' '||replace(UseCodeTime,' ','_') from ProductGroupTable
  where ProductName='$name'") || true
nav 6 1
page_at 50 8 66 14 0.3        # 前8位编码 (productId)
typ "$id"
page_at 360 7 50 16 0.2       # 查询 (lookupCode)
await_done 查询 360 7 50 16 "${history_rect[@]}"
shot code-lookup
shown=$(field_text 168 8 66 14)     # 后8位编码 (productCode)
[ "$shown" = "$code" ] || fail "后8位编码 shows $shown, not $code"
shown=$(field_text 286 8 66 14)     # 产品名称 (productName)
[ "$shown" = "$name" ] || fail "产品名称 shows $shown, not $name"
shown=$(field_text 58 44 66 14)     # 生成日期 (createdDate)
[ "$shown" = "${created/_/ }" ] || fail "生成日期 shows $shown, not ${created/_/ }"
shown=$(field_text 206 44 66 14)    # 启用日期 (enabledDate)
[ "$shown" = "${enabled/_/ }" ] || fail "启用日期 shows $shown, not ${enabled/_/ }"
shot code-lookup-fields
[ "$(text_lines "${history_rect[@]}")" = "$asked" ] || fail "the history lists $(text_lines "${history_rect[@]}") lines, the log $asked"
note "$id: $code $name, created ${created/_/ }, enabled ${enabled/_/ }, asked $asked times"

# ---------------------------------------------------------------------------------------
# Statistics of one batch in one province on one day, in two orders: as many lines as the
# log's rows give in each order (a run of equal batch, region and result class is one line).
# The filter: of the last two weeks, with 3 to 14 lines (a page's worth) in both orders,
# preferring two orders that differ in number, then every result over one, then the latest day.
read -r stats_province stats_product stats_day stats_result by_product by_status < <(/usr/bin/python3 - "$db" "$(day 14)" <<'PY'
import collections, datetime, sqlite3, sys
db, first = sys.argv[1:]
def result(status):
    return "正确" if status == 1 else "重复查询" if status > 1 else "查询码值错误" if status < 0 else str(status)
# The result choices of the page and the statuses each takes.
choices = [("<不限>", lambda s: True), ("重复查询", lambda s: s > 1), ("错误查询", lambda s: s < 0)]
# The rows of the last two weeks by province, batch and day, sorted here as the orders sort
# them (letter case aside), and counted in runs of equal batch, region and result class.
days = collections.defaultdict(list)
for product, prov, city, status, time in sqlite3.connect(db).execute(
        "select ProductName,QueryProv,QueryCity,QueryStatus,QueryTime from QueryLogTable where QueryTime>?",
        (first + " 00:00:01",)):
    # A day runs from after 00:00:01 to before 23:59:59.
    if prov and product and " " not in prov + product and time[11:] not in ("00:00:00", "00:00:01", "23:59:59"):
        days[(prov, product, time[:10])].append((product.lower(), prov.lower(), city.lower(), status))
def lines(rows, order):
    keys = [(r[0], r[1], r[2], result(r[3])) for r in sorted(rows, key=lambda r: [r[i] for i in order])]
    return sum(1 for i, key in enumerate(keys) if i == 0 or key != keys[i - 1])
today = datetime.date.today()
fits = []
for (province, product, day), rows in days.items():
    back = (today - datetime.date.fromisoformat(day)).days
    for rank, (choice, takes) in enumerate(choices):
        chosen = [r for r in rows if takes(r[3])]
        counts = (lines(chosen, (0, 1, 2, 3)), lines(chosen, (3, 1, 2, 0)))
        if back > 0 and all(3 <= n <= 14 for n in counts):
            fits.append((counts[0] == counts[1], rank, back, province, product, day, choice, *counts))
if fits:
    print(*min(fits)[3:])
PY
) || true
[ -n "${by_status:-}" ] || fail "no batch, province and day of the last two weeks has 3 to 14 statistics lines"
note "statistics of $stats_product in $stats_province on $stats_day, $stats_result: $by_product lines by product, $by_status by status"
stats_list() { text_lines "${stats_rect[@]}"; }
nav 3 1
choose 59 23 42 12 "$stats_province" # 查询地域 (1141)
choose 199 23 58 12 "$stats_product"  # 产品类别 (1067)
if [ "$stats_result" != "<不限>" ]; then choose 59 39 80 12 "$stats_result"; fi # 返回状态 (1069)
set_date 200 39 57 12 "$stats_day"    # 1080
set_date 268 39 56 12 "$stats_day"    # 1081
page_at 361 37 50 14 0.2              # 统计 (1076)
await_done 统计 361 37 50 14 "${stats_rect[@]}"
shot stats-product-region-status
first_heading=$(dark_pixels 132 180 140 18)
[ "$(stats_list)" = "$by_product" ] ||
  fail "产品-地域-状态 lists $(stats_list) lines, the log gives $by_product"
choose 59 7 80 12 "状态-地域-产品"     # 排序方式 (1137)
shot stats-order-changed
[ "$(stats_list)" = 0 ] || fail "the list keeps $(stats_list) lines after the order changed"
page_at 361 37 50 14 0.2
await_done 统计 361 37 50 14 "${stats_rect[@]}"
shot stats-status-region-product
[ "$(stats_list)" = "$by_status" ] ||
  fail "状态-地域-产品 lists $(stats_list) lines, the log gives $by_status"
[ "$(dark_pixels 132 180 140 18)" != "$first_heading" ] || fail "the first heading did not change with the order"

# The chart over the same filter, saved as a PNG.
# The list has no strong colours; the chart's bars do.
[ "$(vivid_pixels "${stats_rect[@]}")" -lt 100 ] || fail "the statistics list shows $(vivid_pixels "${stats_rect[@]}") vivid pixels"
page_at 327 39 32 12 0.2              # 图表 (chartToggle)
await_done 图表 361 37 50 14 "${stats_rect[@]}"
shot stats-chart
[ "$(vivid_pixels "${stats_rect[@]}")" -ge 500 ] || fail "no chart in place of the list: $(vivid_pixels "${stats_rect[@]}") vivid pixels"
page_at 361 21 50 14 0.8              # 保存图表 (saveChart)
save_as "输入图表保存的图片文件名" "$work/chart.png" chart-saved
[ -s "$work/chart.png" ] || fail "no chart was saved"
cp "$work/chart.png" "$shots/chart.png"
size=$(/usr/bin/python3 -c 'import struct, sys
head = open(sys.argv[1], "rb").read(24)
print("%dx%d" % struct.unpack(">II", head[16:24]) if head[:8] == b"\x89PNG\r\n\x1a\n" else "not a PNG")' "$work/chart.png")
[[ $size =~ ^[0-9]{3,}x[0-9]{3,}$ ]] || fail "the saved chart is $size"
note "chart shown and saved as a $size PNG"

# ---------------------------------------------------------------------------------------
# Cross-region sales of a batch: its queries outside 广东 in a range of codes, one line a
# run of queries from the same region in the order they were logged.
cross_product=$(sql "select ProductName from ProductGroupTable where StartNumber<>'' order by ProductCode limit 1")
read -r cross_start cross_end cross_lines < <(/usr/bin/python3 - "$db" "$cross_product" "$province" <<'PY'
import sqlite3, sys
db, product, province = sys.argv[1:]
rows = sqlite3.connect(db).execute(
    "select QueryProductID,QueryProv,QueryCity from QueryLogTable where ProductName=? and QueryProv<>? "
    "order by QueryIndex", (product, province)).fetchall()
start = min(r[0] for r in rows)
# The narrowest range of codes above the first whose runs fill 4 to 12 lines.
for width in range(2, 100000):
    end = "%08d" % (int(start) + width)
    keys = [(r[1].lower(), r[2].lower()) for r in rows if start < r[0] < end]
    runs = sum(1 for i, key in enumerate(keys) if i == 0 or key != keys[i - 1])
    if runs >= 4:
        break
print(start, end, runs)
PY
) || true
[ "${cross_lines:-0}" -ge 4 ] && [ "$cross_lines" -le 12 ] || fail "no range of $cross_product's codes gives 4 to 12 lines"
nav 5 1
choose 52 8 56 14 "$province"          # 销售地区 (provinceList)
choose 234 8 110 14 "$cross_product"   # 产品名称 (productList)
page_at 52 26 66 14 0.3; typ "$cross_start"   # 起始编号 (startCode)
page_at 174 26 66 14 0.3; typ "$cross_end"    # 结束编号 (endCode)
page_at 358 25 50 16 0.2               # 查询 (runQuery)
await_done 查询 358 25 50 16 "${cross_rect[@]}"
shot cross-region
cross_list() { text_lines "${cross_rect[@]}"; }
[ "$(cross_list)" = "$cross_lines" ] || fail "cross-region lists $(cross_list) lines, the log gives $cross_lines"
note "cross-region: $cross_product $cross_start .. $cross_end outside $province: $cross_lines lines"

# ---------------------------------------------------------------------------------------
# Counterfeit warnings of one day in a province: repeated queries and unknown codes.
read -r warn_province warn_day warned < <(sql "select QueryProv||' '||date(QueryTime)||' '||count(*) from QueryLogTable
  where (QueryStatus>1 or QueryStatus=-2) and QueryTime>'$(day 21)' and QueryTime<'$(day 0)' and QueryProv<>''
  group by QueryProv, date(QueryTime) having count(*) between 4 and 14 order by count(*) desc limit 1" | tr '|' ' ') || true
[ -n "${warned:-}" ] || fail "no day of the last three weeks has 4 to 14 warnings in one province"
warned=$(sql "select count(*) from QueryLogTable where (QueryStatus>1 or QueryStatus=-2) and QueryProv='$warn_province'
  and QueryTime>'$warn_day 00:00:01' and QueryTime<'$warn_day 23:59:59'")
nav 4 1
shot warnings-empty
summary_dark() { dark_pixels 134 146 590 18; }
[ "$(summary_dark)" = 0 ] || fail "the summary line shows text before any query"
choose 59 14 57 14 "$warn_province"    # 查询区域 (1068)
set_date 189 15 58 13 "$warn_day"      # 1120
set_date 259 15 58 13 "$warn_day"      # 1121
page_at 358 14 50 14 0.2               # 查询 (1060)
await_done 查询 358 14 50 14 "${warnings_rect[@]}"
shot warnings
warn_list() { text_lines "${warnings_rect[@]}"; }
[ "$(warn_list)" = "$warned" ] || fail "the warnings list shows $(warn_list) lines, the log $warned"
[ "$(summary_dark)" -gt 50 ] || fail "no province summary above the warnings"
note "warnings: $warn_province on $warn_day: $warned rows and the summary line"

echo "$e2e_name: passed in $(($(date +%s) - started)) s"
