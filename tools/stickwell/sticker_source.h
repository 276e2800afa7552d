#pragma once

#include <cstddef>
#include <string>
#include <vector>

class CDbConnection;
class StickerRange;

// One sticker's data: a ProductTable row.
struct Sticker {
    std::string productId;   // first 8 digits
    std::string productCode; // last 8 digits
    std::string productName;
};

// Walks the ProductTable rows whose ProductID lies between the range's first and last,
// in ProductID order, leaving out rows whose two halves are not 8 digits each. It asks the database for one slice of
// IDs at a time, so a million codes never sit in memory at once.
class StickerSource final {
public:
    StickerSource(CDbConnection& connection, const StickerRange& range, long sliceSize = 2000);

    enum class Outcome { Sticker = 0, End = 1, Failed = 2 };
    // Failed leaves a one-line reason in error.
    Outcome Next(Sticker& sticker, std::string& error);

    // The statement that reads the slice starting at lower; for the tests.
    std::string SliceStatement(long lower) const;

private:
    bool FetchSlice(std::string& error);

    CDbConnection& m_connection;
    long m_nextLower;
    long m_last;
    long m_sliceSize;
    std::vector<Sticker> m_slice;
    std::size_t m_position = 0;
};
