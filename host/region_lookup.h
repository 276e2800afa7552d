#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

// Province and city of a sender, named as the console names them: one of the 31 province
// names and a CityName of AddressTable for that province; empty when not known.
struct Region {
    std::string province;
    std::string city;
};

// Cities by province, as AddressTable holds them.
using CityTable = std::map<std::string, std::vector<std::string>>;

// The 31 province names of the console's selectors.
const std::vector<std::string>& ProvinceNames();

// Turns a place description such as "江苏省常州市" or "新疆巴音郭楞蒙古自治州" into a province
// of the list and (when one of its cities begins the rest) that city.
Region MapPlaceDescription(std::string_view description, const CityTable& cities);

// Where a Chinese mobile number is registered, from the offline geocoding data; empty for
// numbers of other countries and numbers the data does not know.
class RegionLookup final {
public:
    explicit RegionLookup(CityTable cities) : m_cities(std::move(cities)) {}
    void SetCities(CityTable cities) { m_cities = std::move(cities); }
    Region Find(const std::string& phoneNumber) const;
    // Whether geocoding data was built in.
    static bool Available();

private:
    CityTable m_cities;
};
