#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

class CDbConnection;
class Clock;

// Demo content for every console page: batches in each state with codes from the real
// generator, a query log of the last 90 days in every outcome class, and outgoing queue
// rows in every state. The layout is fixed by a seed; times follow the clock.
class DemoData final {
public:
    DemoData(CDbConnection& connection, const Clock& clock, std::uint32_t seed = 20260101);
    ~DemoData();
    DemoData(const DemoData&) = delete;
    DemoData& operator=(const DemoData&) = delete;

    // How many query log rows to write; 0 (the default) lets the day model decide, a few
    // thousand. Any count is spread over the same days and hours.
    void SetQueryCount(long long count) { m_queryCount = count; }

    // Writes it all inside the transaction the caller holds, so that a failed or killed
    // run leaves nothing behind. False with a one-line reason.
    bool Fill(std::string& error);

private:
    struct Batch;
    struct Code;
    struct Query;

    bool CreateBatches(std::string& error);
    bool StoreCodes(const Batch& batch, std::string& error);
    bool ReadCodes(Batch& batch, std::string& error);
    std::vector<std::int64_t> QueryTimes();
    // Makes the log row by row and writes it in multi-row statements as it goes, so a
    // log of millions never sits in memory.
    bool MakeQueries(std::string& error);
    bool WriteQueryRows(std::string& values, std::string& error);
    bool WriteQueryCounts(std::string& error);
    bool WriteQueue(std::string& error);
    bool Run(const std::string& statement, std::string& error);

    std::string TimeText(std::int64_t seconds) const;
    std::string PhoneNumber();
    std::pair<std::string, std::string> Place(const std::vector<std::string>& provinces);
    struct Cities;
    Cities& CitiesOf(const std::string& province);
    std::string AnyProvince();

    CDbConnection& m_connection;
    const Clock& m_clock;
    std::mt19937 m_random;
    std::int64_t m_now = 0;
    std::vector<Batch> m_batches;
    std::vector<std::pair<std::string, std::string>> m_addresses; // province, city
    std::map<std::string, std::unique_ptr<Cities>> m_cities;
    long long m_queryCount = 0;
    // What the outgoing queue is made from: queries picked at even steps through the log,
    // and the latest forged ones, newest last.
    std::vector<Query> m_sampled;
    std::vector<Query> m_forged;
};
