#include "demo_data.h"

#include "code_generator.h"
#include "one_line.h"

#include "clock.h"
#include "db_connection.h"
#include "db_recordset.h"
#include "execute_sql.h"
#include "sql_text.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <set>

namespace {

constexpr std::int64_t kDay = 24 * 60 * 60;
constexpr int kDays = 90;
// Log rows per insert statement: few statements, each well inside the engines' limits.
constexpr std::size_t kRowsPerInsert = 200;
// Codes a batch can hold: six digits of serial.
constexpr long long kMaxSerials = 1000000;

std::string Quoted(const std::string& text)
{
    return "'" + SqlQuote(BlankIfEmpty(text)) + "'";
}

} // namespace

struct DemoData::Code {
    std::string productId;
    std::string productCode;
    int queries = 0; // genuine queries so far: the next one's QueryStatus - 1
    std::string firstPhone;
};

struct DemoData::Batch {
    std::string name;
    std::string remark;
    int quantity = 0;
    std::string status;   // 未启用, 启用, 停用
    bool generate = true; // codes made
    int createdDaysAgo = 0;
    int enabledDaysAgo = -1;         // -1: never enabled
    int disabledDaysAgo = -1;        // queries stop then
    std::vector<std::string> region; // where the goods are sold
    int number = 0;                  // batch number
    std::vector<Code> codes;
    std::vector<std::size_t> asked; // codes queried so far, in the order of their first query
    std::size_t sold = 0;           // goods leave in code order: the next code never queried
    std::size_t askedAgain = 0;     // the code last asked again (valid once one was)
    bool anyAskedAgain = false;
};

struct DemoData::Query {
    std::int64_t time = 0;
    std::string phone;
    std::string productId;
    std::string productCode; // as sent
    std::string realCode;    // on file, empty when the ProductID is unknown
    int status = 0;
    std::string comm;
    std::string province;
    std::string city;
    std::string batchName;
};

DemoData::DemoData(CDbConnection& connection, const Clock& clock, std::uint32_t seed)
    : m_connection(connection), m_clock(clock), m_random(seed)
{}

DemoData::~DemoData() = default;

bool DemoData::Fill(std::string& error)
{
    m_now = m_clock.Now();

    CDbRecordset addresses;
    addresses.SetConnection(&m_connection);
    if (addresses.Open("select ProvName,CityName from AddressTable", 1, 3, 3) != 1) {
        error = "AddressTable is empty: " + OneLine(m_connection.GetErrorsText());
        return false;
    }
    for (; !addresses.IsEOF(); addresses.MoveNext()) {
        std::string province, city;
        addresses.GetFieldValue("ProvName", province);
        addresses.GetFieldValue("CityName", city);
        m_addresses.emplace_back(province, city);
    }
    addresses.CloseIfOpen();

    return CreateBatches(error) && MakeQueries(error) && WriteQueryCounts(error) && WriteQueue(error);
}

bool DemoData::Run(const std::string& statement, std::string& error)
{
    std::string runError;
    if (RunSql(m_connection, statement, runError))
        return true;
    error = OneLine(runError);
    return false;
}

std::string DemoData::TimeText(std::int64_t seconds) const
{
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm local{};
    localtime_r(&time, &local);
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

std::string DemoData::PhoneNumber()
{
    static const char* const prefixes[] = {"134", "135", "136", "137", "138", "139", "150", "151", "152", "158",
                                           "159", "182", "187", "188", "130", "131", "132", "155", "156", "186",
                                           "133", "153", "177", "180", "181", "189", "199", "191", "166", "173"};
    std::uniform_int_distribution<int> prefix(0, std::size(prefixes) - 1);
    std::uniform_int_distribution<int> rest(0, 99999999);
    char number[16];
    std::snprintf(number, sizeof number, "%s%08d", prefixes[prefix(m_random)], rest(m_random));
    return number;
}

std::string DemoData::AnyProvince()
{
    std::uniform_int_distribution<std::size_t> pick(0, m_addresses.size() - 1);
    return m_addresses[pick(m_random)].first;
}

struct DemoData::Cities {
    std::vector<const std::string*> names;
    std::discrete_distribution<std::size_t> pick;
};

DemoData::Cities& DemoData::CitiesOf(const std::string& province)
{
    std::unique_ptr<Cities>& cities = m_cities[province];
    if (!cities) {
        cities = std::make_unique<Cities>();
        for (const auto& [prov, city] : m_addresses)
            if (prov == province)
                cities->names.push_back(&city);
        // The first cities of a province are its larger ones: make them likelier.
        std::vector<double> weights;
        for (std::size_t i = 0; i < cities->names.size(); ++i)
            weights.push_back(1.0 / (1.0 + 0.3 * static_cast<double>(i)));
        cities->pick = std::discrete_distribution<std::size_t>(weights.begin(), weights.end());
    }
    return *cities;
}

std::pair<std::string, std::string> DemoData::Place(const std::vector<std::string>& provinces)
{
    const std::string province =
        provinces.empty() ? AnyProvince()
                          : provinces[std::uniform_int_distribution<std::size_t>(0, provinces.size() - 1)(m_random)];
    Cities& cities = CitiesOf(province);
    return {province, cities.names.empty() ? std::string() : *cities.names[cities.pick(m_random)]};
}

bool DemoData::CreateBatches(std::string& error)
{
    m_batches = {
        {"金穗复合肥2026春",
         "50公斤袋装，华东区",
         3000,
         "启用",
         true,
         118,
         112,
         -1,
         {"江苏", "安徽", "山东", "浙江"},
         0,
         {},
         {}},
        {"清源护肤霜A批", "50克瓶装", 1500, "启用", true, 105, 98, -1, {"广东", "福建", "广西"}, 0, {}, {}},
        {"瑞丰原浆酒52度", "500毫升礼盒", 1200, "启用", true, 96, 92, -1, {"四川", "重庆", "贵州", "湖北"}, 0, {}, {}},
        {"金穗复合肥2025秋", "40公斤袋装", 2000, "停用", true, 170, 160, 30, {"河南", "河北", "山东"}, 0, {}, {}},
        {"清源护肤霜试用装", "10克小样，赠品", 600, "停用", true, 140, 130, 50, {"上海", "浙江", "江苏"}, 0, {}, {}},
        {"瑞丰原浆酒42度", "待贴标", 2500, "未启用", true, 6, -1, -1, {}, 0, {}, {}},
        {"滤清器X200", "汽车机油滤清器", 800, "未启用", true, 2, -1, -1, {}, 0, {}, {}},
        {"新品试产批次", "", 300, "未启用", false, 0, -1, -1, {}, 0, {}, {}},
    };

    // A large log comes from large batches: most queries stay a code's first one, as with a
    // manufacturer whose goods are bought once each. The default log (about 7,000 queries)
    // fits the quantities above.
    if (m_queryCount > 6000)
        for (Batch& batch : m_batches)
            if (batch.enabledDaysAgo >= 0)
                batch.quantity = static_cast<int>(
                    std::min<long long>(kMaxSerials, static_cast<long long>(batch.quantity) * m_queryCount / 6000));

    int number = 0;
    for (Batch& batch : m_batches) {
        batch.number = ++number; // the lowest free number, as the console gives it
        const std::string name = Quoted(batch.name);
        if (!Run("insert into ProductGroupTable (ProductName,ProductRemark,ProductCount,ProductStatus,ProductCode) "
                 "values (" +
                     name + "," + Quoted(batch.remark) + "," + std::to_string(batch.quantity) + ",'未启用'," +
                     std::to_string(batch.number) + ")",
                 error))
            return false;
        if (!batch.generate)
            continue;
        if (!StoreCodes(batch, error))
            return false;
        if (batch.enabledDaysAgo >= 0) {
            if (!Run("update ProductTable set UseStatus=1 where ProductName=" + name, error) ||
                !Run("update ProductGroupTable set UseCodeTime=now(),ProductStatus='启用' where ProductName=" + name,
                     error))
                return false;
        }
        if (batch.status == "停用") {
            if (!Run("update ProductTable set UseStatus=0 where ProductName=" + name, error) ||
                !Run("update ProductGroupTable set ProductStatus='停用' where ProductName=" + name, error))
                return false;
        }
        // Date the batch back so that its history fits the query log.
        std::string dates = "CreateCodeTime=#" + TimeText(m_now - batch.createdDaysAgo * kDay - 3 * 3600) + "#";
        if (batch.enabledDaysAgo >= 0)
            dates += ",UseCodeTime=#" + TimeText(m_now - batch.enabledDaysAgo * kDay - 2 * 3600) + "#";
        if (!Run("update ProductGroupTable set " + dates + " where ProductName=" + name, error))
            return false;
        if (batch.enabledDaysAgo >= 0 && !ReadCodes(batch, error))
            return false;
    }
    return true;
}

// The rows the console's generation writes, from the same generator. The console copies
// them in short transactions of their own beside a running host; here they are part of the
// caller's one transaction, so a run that is cut short leaves none of them.
bool DemoData::StoreCodes(const Batch& batch, std::string& error)
{
    const std::string name = Quoted(batch.name);
    std::string first, last;
    for (int serial = 0; serial < batch.quantity; ++serial) {
        const CodeGenerator::Code code = CodeGenerator::Compose(batch.number, serial, m_clock.Now());
        if (!Run("insert into ProductTable (ProductID,ProductCode,QueryCount,ProductName) values ('" + code.productId +
                     "','" + code.productCode + "',0," + name + ")",
                 error))
            return false;
        if (serial == 0)
            first = code.productId;
        last = code.productId;
    }
    return Run("update ProductGroupTable set StartNumber='" + first + "',EndNumber='" + last +
                   "',CreateCodeTime=now() where ProductName=" + name,
               error);
}

bool DemoData::ReadCodes(Batch& batch, std::string& error)
{
    CDbRecordset codes;
    codes.SetConnection(&m_connection);
    if (codes.Open("select ProductID,ProductCode from ProductTable where ProductName=" + Quoted(batch.name) +
                       " order by ProductID",
                   1, 3, 3) != 1) {
        error = "cannot read the codes of " + batch.name + ": " + OneLine(m_connection.GetErrorsText());
        return false;
    }
    for (; !codes.IsEOF(); codes.MoveNext()) {
        Code code;
        codes.GetFieldValue("ProductID", code.productId);
        codes.GetFieldValue("ProductCode", code.productCode);
        batch.codes.push_back(std::move(code));
    }
    return true;
}

std::vector<std::int64_t> DemoData::QueryTimes()
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    // Busy in the day and the evening, quiet at night.
    const double hourWeights[24] = {1,   0.5, 0.3, 0.2, 0.2, 0.4, 1, 2.5, 4, 5, 5.5, 5,
                                    4.5, 4,   4.5, 5,   5,   4.5, 5, 6,   6, 5, 3.5, 2};
    std::discrete_distribution<int> hour(std::begin(hourWeights), std::end(hourWeights));
    std::uniform_int_distribution<int> secondOfHour(0, 3599);

    std::int64_t todayStart;
    {
        const std::time_t now = static_cast<std::time_t>(m_now);
        std::tm local{};
        localtime_r(&now, &local);
        local.tm_hour = local.tm_min = local.tm_sec = 0;
        local.tm_isdst = -1;
        todayStart = static_cast<std::int64_t>(std::mktime(&local));
    }
    std::vector<int> perDay;
    long long total = 0;
    for (int daysAgo = kDays - 1; daysAgo >= 0; --daysAgo) {
        // Sales grow over the quarter; weekends are busier.
        std::time_t t = static_cast<std::time_t>(todayStart - daysAgo * kDay);
        std::tm local{};
        localtime_r(&t, &local);
        const bool weekend = local.tm_wday == 0 || local.tm_wday == 6;
        perDay.push_back(
            static_cast<int>((45 + (kDays - daysAgo) * 0.6) * (weekend ? 1.3 : 1.0) * (0.8 + 0.4 * unit(m_random))));
        total += perDay.back();
    }
    if (m_queryCount > 0) {
        // The same shape at another size: each day its share of the count, rounded so that
        // the shares add up exactly.
        long long before = 0;
        long long given = 0;
        for (int& count : perDay) {
            before += count;
            const long long upTo = before * m_queryCount / total;
            count = static_cast<int>(upTo - given);
            given = upTo;
        }
    }

    std::vector<std::int64_t> times;
    times.reserve(static_cast<std::size_t>(m_queryCount > 0 ? m_queryCount : total));
    for (int daysAgo = kDays - 1; daysAgo >= 0; --daysAgo) {
        const std::int64_t dayStart = todayStart - daysAgo * kDay;
        for (int i = perDay[static_cast<std::size_t>(kDays - 1 - daysAgo)]; i > 0; --i) {
            std::int64_t when = dayStart + hour(m_random) * 3600 + secondOfHour(m_random);
            if (when >= m_now - 60) {
                // Not yet happened: a given count moves it back to an earlier day of the
                // quarter, the day model drops it. Always yesterday would pile most of today's
                // share onto one day, a spike on the charts that no manufacturer sees.
                if (m_queryCount <= 0)
                    continue;
                when -= kDay * std::uniform_int_distribution<int>(1, kDays - 1)(m_random);
            }
            times.push_back(when);
        }
    }
    std::sort(times.begin(), times.end());
    return times;
}

bool DemoData::MakeQueries(std::string& error)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const std::vector<std::int64_t> times = QueryTimes();
    const std::size_t step = std::max<std::size_t>(1, times.size() / 30);
    std::size_t made = 0;
    std::string values;

    // A few code values copied onto fake goods: the same wrong pair comes in again and again.
    struct Fake {
        Batch* batch;
        std::size_t code;
        std::string value;
    };
    std::vector<Fake> fakes;
    // Fakes turn up mostly in two provinces, so the warning page shows an outbreak there.
    const std::vector<std::string> fakeRegions = {"河南", "河南", "河南", "河南", "河南",
                                                  "广东", "广东", "广东", "湖南", "河北"};
    for (Batch& batch : m_batches) {
        if (batch.codes.empty() || fakes.size() >= 6)
            continue;
        for (int i = 0; i < 2; ++i) {
            const std::size_t code = std::uniform_int_distribution<std::size_t>(0, batch.codes.size() - 1)(m_random);
            char value[16];
            std::snprintf(value, sizeof value, "%08d", std::uniform_int_distribution<int>(0, 99999999)(m_random));
            fakes.push_back({&batch, code, value});
        }
    }

    for (const std::int64_t when : times) {
        // The batches on sale at that moment.
        std::vector<Batch*> active;
        std::vector<double> weights;
        for (Batch& batch : m_batches) {
            if (batch.codes.empty() || batch.enabledDaysAgo < 0)
                continue;
            if (when < m_now - batch.enabledDaysAgo * kDay)
                continue;
            if (batch.disabledDaysAgo >= 0 && when > m_now - batch.disabledDaysAgo * kDay)
                continue;
            active.push_back(&batch);
            weights.push_back(static_cast<double>(batch.quantity));
        }
        if (active.empty())
            continue;
        Batch& batch = *active[std::discrete_distribution<std::size_t>(weights.begin(), weights.end())(m_random)];

        Query query;
        query.time = when;
        query.comm = unit(m_random) < 0.8 ? "/dev/ttyUSB0" : "/dev/ttyUSB1";
        const double kind = unit(m_random);
        // Wrong codes are a few percent; fakes a small share that grows over the last three
        // weeks (an outbreak); all the rest genuine codes.
        const double fakeShare = when > m_now - 21 * kDay ? 0.03 : 0.01;
        if (kind < 0.03) {
            // A ProductID that no batch has.
            char id[16];
            std::snprintf(id, sizeof id, "%02d%06d", std::uniform_int_distribution<int>(20, 99)(m_random),
                          std::uniform_int_distribution<int>(0, 999999)(m_random));
            char value[16];
            std::snprintf(value, sizeof value, "%08d", std::uniform_int_distribution<int>(0, 99999999)(m_random));
            query.productId = id;
            query.productCode = value;
            query.status = -1;
            query.phone = PhoneNumber();
            std::tie(query.province, query.city) = Place({});
        } else if (kind < 0.06) {
            // A genuine ProductID with one digit of the code mistyped.
            const Code& code =
                batch.codes[std::uniform_int_distribution<std::size_t>(0, batch.codes.size() - 1)(m_random)];
            std::string typed = code.productCode;
            const std::size_t at = std::uniform_int_distribution<std::size_t>(0, typed.size() - 1)(m_random);
            typed[at] = static_cast<char>(
                '0' + (typed[at] - '0' + 1 + std::uniform_int_distribution<int>(0, 8)(m_random)) % 10);
            query.productId = code.productId;
            query.productCode = typed;
            query.realCode = code.productCode;
            query.batchName = batch.name;
            query.status = -1;
            query.phone = PhoneNumber();
            std::tie(query.province, query.city) = Place(batch.region);
        } else if (kind < 0.06 + fakeShare && !fakes.empty()) {
            // A counterfeit: a copied ProductID with a made-up code, far from the sales region.
            const Fake& fake = fakes[std::uniform_int_distribution<std::size_t>(0, fakes.size() - 1)(m_random)];
            query.productId = fake.batch->codes[fake.code].productId;
            query.productCode = fake.value;
            query.realCode = fake.batch->codes[fake.code].productCode;
            query.batchName = fake.batch->name;
            query.status = -2;
            query.phone = PhoneNumber();
            std::tie(query.province, query.city) = Place(fakeRegions);
        } else {
            // A genuine code: mostly a first query, sometimes one asked again.
            const std::vector<std::size_t>& asked = batch.asked;
            std::size_t index;
            const bool again = !asked.empty() && unit(m_random) < 0.05;
            if (again) {
                // Recently bought codes are the ones asked again.
                // A doubtful buyer often asks several times over.
                const std::size_t from = asked.size() > 40 ? asked.size() - 40 : 0;
                if (batch.anyAskedAgain && unit(m_random) < 0.4)
                    index = batch.askedAgain;
                else
                    index = asked[std::uniform_int_distribution<std::size_t>(from, asked.size() - 1)(m_random)];
                batch.askedAgain = index;
                batch.anyAskedAgain = true;
            } else if (batch.sold < batch.codes.size()) {
                index = batch.sold++;
            } else {
                // A batch sold out: any of its codes, asked again.
                index = std::uniform_int_distribution<std::size_t>(0, batch.codes.size() - 1)(m_random);
            }
            Code& code = batch.codes[index];
            query.productId = code.productId;
            query.productCode = code.productCode;
            query.realCode = code.productCode;
            query.batchName = batch.name;
            query.status = ++code.queries;
            if (code.queries == 1)
                batch.asked.push_back(index);
            if (code.queries > 1 && unit(m_random) < 0.6) {
                query.phone = code.firstPhone;
            } else {
                query.phone = PhoneNumber();
                if (code.queries == 1)
                    code.firstPhone = query.phone;
            }
            // Most goods are sold in their region; some travel.
            std::tie(query.province, query.city) =
                Place(unit(m_random) < 0.85 ? batch.region : std::vector<std::string>{});
        }
        if (made >= step / 2 && (made - step / 2) % step == 0)
            m_sampled.push_back(query);
        if (query.status == -2) {
            m_forged.push_back(query);
            if (m_forged.size() > 3)
                m_forged.erase(m_forged.begin());
        }
        ++made;

        if (!values.empty())
            values += ',';
        values += "(#" + TimeText(query.time) + "#," + Quoted(query.phone) + "," + Quoted(query.productId) + "," +
                  Quoted(query.productCode) + "," + Quoted(query.realCode) + "," + std::to_string(query.status) + "," +
                  Quoted(query.comm) + "," + Quoted(query.province) + "," + Quoted(query.city) + "," +
                  Quoted(query.batchName) + ")";
        if (made % kRowsPerInsert == 0 && !WriteQueryRows(values, error))
            return false;
    }
    return WriteQueryRows(values, error);
}

bool DemoData::WriteQueryRows(std::string& values, std::string& error)
{
    if (values.empty())
        return true;
    const bool written = Run("insert into QueryLogTable (QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,"
                             "RealProductCode,QueryStatus,QueryComm,QueryProv,QueryCity,ProductName) values " +
                                 values,
                             error);
    values.clear();
    return written;
}

bool DemoData::WriteQueryCounts(std::string& error)
{
    for (const Batch& batch : m_batches)
        for (const Code& code : batch.codes)
            if (code.queries > 0 && !Run("update ProductTable set QueryCount=" + std::to_string(code.queries) +
                                             " where ProductID='" + code.productId + "'",
                                         error))
                return false;
    return true;
}

bool DemoData::WriteQueue(std::string& error)
{
    struct Row {
        std::int64_t time; // 0: not sent yet
        std::string phone;
        std::string text;
        std::string status;
        int newFlag;
    };
    std::vector<Row> rows;
    std::uniform_real_distribution<double> unit(0.0, 1.0);

    // Consumers' messages as the host received them, and the answers sent back.
    for (const Query& query : m_sampled) {
        rows.push_back({query.time, query.phone, query.productId + query.productCode, "接收", 0});
        std::string answer;
        if (query.status == 1)
            answer = "您查询的防伪码是正品，感谢您的支持！";
        else if (query.status > 1)
            answer = "此防伪码已被查询" + std::to_string(query.status - 1) + "次，如非本人查询，谨防假冒！";
        else
            answer = "您查询的防伪码不存在，谨防假冒！客服电话400-800-1234。";
        const double outcome = unit(m_random);
        rows.push_back({query.time + 5 + static_cast<std::int64_t>(unit(m_random) * 20), query.phone, answer,
                        outcome < 0.88 ? "成功" : "失败", 0});
    }
    // Replies typed by an operator for suspicious queries of the last days.
    int replies = 0;
    for (auto it = m_forged.rbegin(); it != m_forged.rend() && replies < 3; ++it) {
        if (it->status == -2) {
            rows.push_back({it->time + 1800, it->phone,
                            "您好，您所购产品的防伪码与记录不符，请保留购物凭证并联系经销商。", "成功", 0});
            ++replies;
        }
    }
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.time < b.time; });

    // The host's latest work, not yet seen by the console.
    rows.push_back({m_now - 300, PhoneNumber(), "金穗复合肥春季促销：凭防伪码短信查询结果可享购肥优惠。", "失败", 1});
    rows.push_back({m_now - 40, PhoneNumber(), "金穗复合肥春季促销：凭防伪码短信查询结果可享购肥优惠。", "发送中", 1});
    rows.push_back({m_now - 20, PhoneNumber(), "金穗复合肥春季促销：凭防伪码短信查询结果可享购肥优惠。", "发送中", 1});
    rows.push_back({m_now - 10, PhoneNumber(), "金穗复合肥春季促销：凭防伪码短信查询结果可享购肥优惠。", "成功", 1});

    for (const Row& row : rows) {
        if (!Run("insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,SendTime,NewFlag) values (" +
                     Quoted(row.phone) + "," + Quoted(row.text) + ",'" + row.status + "',#" + TimeText(row.time) +
                     "#," + std::to_string(row.newFlag) + ")",
                 error))
            return false;
    }
    // Waiting rows, queued the way the console queues them.
    for (int i = 0; i < 5; ++i) {
        if (!Run("insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values (" +
                     Quoted(PhoneNumber()) + "," + Quoted("金穗复合肥春季促销：凭防伪码短信查询结果可享购肥优惠。") +
                     ",'待发',1)",
                 error))
            return false;
    }
    return true;
}
