#pragma once

#include <string>
#include <vector>

class CDbConnection;

// The entries of the filter drop-down lists, read afresh each time. A failed read is shown
// to the operator and gives an empty list.

// The cities of a province in AddressTable, sorted by name.
std::vector<std::string> FillCityList(CDbConnection& connection, const std::string& province);
// Every batch name, in the database's order.
std::vector<std::string> FillProductList(CDbConnection& connection);
