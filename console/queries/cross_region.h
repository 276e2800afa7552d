#pragma once

#include "query_log.h"

#include <functional>
#include <string>
#include <vector>

class CDbConnection;

// What the operator names on the cross-region page: the product, its sales region and an
// optional range of ProductIDs. An empty text means no such condition (province and
// product are required, see CheckCrossRegionFilter).
struct CrossRegionFilter {
    std::string province;
    std::string city;
    std::string product;
    std::string startCode;
    std::string endCode;
};

// The first value the page refuses, in the order the operator is told.
enum class CrossRegionRefusal {
    None = 0,
    NoProvince = 1,
    NoProduct = 2,
    BadStartCode = 3,
    BadEndCode = 4,
};
CrossRegionRefusal CheckCrossRegionFilter(const CrossRegionFilter& filter);
// The operator's message for a refusal ("" for None).
const char* CrossRegionRefusalText(CrossRegionRefusal refusal);

// The queries of the product from outside its sales region: from other cities when a city
// is named (other cities of the same province count), else from other provinces. Rows
// with no city (or province) recorded never match. Code bounds are strict and compared as
// text.
std::string CrossRegionClause(const CrossRegionFilter& filter);

// One line of the page's list.
struct CrossRegionLine {
    std::string product;
    std::string region; // province + "." + city
    std::string count;  // "%d次"
};

// Groups queries, in the order they were logged, into runs of the same province and city
// (letter case ignored, as the database compares them). A run ends when a query from
// another region follows; the same region later starts a new run.
class CrossRegionRuns final {
public:
    using LineSink = std::function<void(CrossRegionLine)>;

    CrossRegionRuns(std::string product, LineSink finished);
    void Add(const std::string& province, const std::string& city);
    // Hands over the last run, if any.
    void Finish();

private:
    std::string m_product;
    LineSink m_finished;
    std::string m_province;
    std::string m_city;
    long long m_count = 0;
};

// The lines for queries from these regions (province, city, in logged order) as the list
// shows them top to bottom: the last run first.
std::vector<CrossRegionLine> CrossRegionLines(const std::string& product,
                                              const std::vector<std::pair<std::string, std::string>>& regions);

// Reads the province and city of every query the clause selects, in the order they were
// logged, a window of row numbers at a time; sink gets each as the database gives it and
// must not use the connection. betweenWindows runs after each window, when no statement
// runs (to serve a window). After a failure what the sink got is no result.
ReadOutcome ReadCrossRegionQueries(CDbConnection& connection, const CrossRegionFilter& filter,
                                   const std::function<void(const std::string&, const std::string&)>& sink,
                                   const std::function<void()>& betweenWindows, std::string& errorText);
