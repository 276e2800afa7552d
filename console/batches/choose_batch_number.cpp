#include "choose_batch_number.h"

#include <array>
#include <cctype>
#include <climits>

int CellInteger(const std::string& cell)
{
    std::size_t i = 0;
    while (i < cell.size() && std::isspace(static_cast<unsigned char>(cell[i])))
        ++i;
    bool negative = false;
    if (i < cell.size() && (cell[i] == '-' || cell[i] == '+'))
        negative = cell[i++] == '-';
    long long value = 0;
    for (; i < cell.size() && std::isdigit(static_cast<unsigned char>(cell[i])); ++i) {
        value = value * 10 + (cell[i] - '0');
        if (value > INT_MAX)
            return negative ? INT_MIN : INT_MAX;
    }
    return static_cast<int>(negative ? -value : value);
}

int ChooseBatchNumber(const std::vector<std::string>& batchNumberCells)
{
    // Scanning the rows again from the top after every hit settles on the smallest free
    // number of 1..99, or on 0 once all are taken; a set of held numbers gives the same
    // answer in one pass.
    std::array<bool, 100> held{};
    for (const std::string& cell : batchNumberCells) {
        const int number = CellInteger(cell);
        if (number >= 1 && number <= 99)
            held[static_cast<std::size_t>(number)] = true;
    }
    for (int candidate = 1; candidate <= 99; ++candidate)
        if (!held[static_cast<std::size_t>(candidate)])
            return candidate;
    return 0;
}
