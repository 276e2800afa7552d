#pragma once

#include <string>

// One entry of a connection's error collection.
struct DbError {
    std::string description;
    std::string sqlState;
    int native = 0;
    std::string source;
};
