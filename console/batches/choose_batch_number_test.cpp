#include "choose_batch_number.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(ChooseBatchNumber, SmallestFreeNumberOrZero)
{
    std::vector<std::string> all;
    for (int i = 1; i <= 99; ++i)
        all.push_back(std::to_string(i));
    std::vector<std::string> allButLast(all.begin(), all.end() - 1);

    struct Case {
        const char* name;
        std::vector<std::string> cells;
        int expected;
    };
    const Case cases[] = {
        {"1 2 3", {"1", "2", "3"}, 4},
        {"2 3", {"2", "3"}, 1},
        {"2 then 1: the scan restarts from the top", {"2", "1"}, 3},
        {"every number held", all, 0},
        {"all but 99", allButLast, 99},
        {"no rows", {}, 1},
        {"0 and empty cells do not hold 1", {"0", "", "0"}, 1},
        {"leading digits count", {"1x", " 2", "3 "}, 4},
        {"numbers out of range hold nothing", {"100", "-1", "1"}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ChooseBatchNumber(c.cells), c.expected);
    }
}
