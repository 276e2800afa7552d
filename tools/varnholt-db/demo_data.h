#pragma once

#include <cstdint>
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

    // False with a one-line reason.
    bool Fill(std::string& error);

private:
    struct Batch;
    struct Code;
    struct Query;

    bool CreateBatches(std::string& error);
    bool ReadCodes(Batch& batch, std::string& error);
    void MakeQueries();
    bool WriteQueries(std::string& error);
    bool WriteQueue(std::string& error);
    bool Run(const std::string& statement, std::string& error);

    std::string TimeText(std::int64_t seconds) const;
    std::string PhoneNumber();
    std::pair<std::string, std::string> Place(const std::vector<std::string>& provinces);
    std::string AnyProvince();

    CDbConnection& m_connection;
    const Clock& m_clock;
    std::mt19937 m_random;
    std::int64_t m_now = 0;
    std::vector<Batch> m_batches;
    std::vector<std::pair<std::string, std::string>> m_addresses; // province, city
    std::vector<Query> m_queries;
};
