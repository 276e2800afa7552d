#include "region_lookup.h"

#include <algorithm>

#ifdef VARNHOLT_HAVE_PHONENUMBER
#include <phonenumbers/geocoding/phonenumber_offline_geocoder.h>
#include <phonenumbers/phonenumberutil.h>
#include <unicode/locid.h>
#endif

namespace {

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

// What follows a province's short name in a full name ("省", "维吾尔自治区" ...).
constexpr std::string_view kProvinceSuffixes[] = {
    "壮族自治区", "回族自治区", "维吾尔自治区", "自治区", "省", "市",
};

} // namespace

const std::vector<std::string>& ProvinceNames()
{
    static const std::vector<std::string> names = {
        "安徽", "北京", "福建", "甘肃", "广东", "广西", "贵州",   "海南", "河北", "河南", "黑龙江",
        "湖北", "湖南", "吉林", "江苏", "江西", "辽宁", "内蒙古", "宁夏", "青海", "山东", "山西",
        "陕西", "上海", "四川", "天津", "西藏", "新疆", "云南",   "浙江", "重庆",
    };
    return names;
}

Region MapPlaceDescription(std::string_view description, const CityTable& cities)
{
    Region region;
    for (const std::string& name : ProvinceNames()) {
        if (StartsWith(description, name) && name.size() > region.province.size())
            region.province = name;
    }
    if (region.province.empty())
        return region;
    std::string_view rest = description.substr(region.province.size());
    for (std::string_view suffix : kProvinceSuffixes) {
        if (StartsWith(rest, suffix)) {
            rest.remove_prefix(suffix.size());
            break;
        }
    }
    const auto found = cities.find(region.province);
    if (found == cities.end() || rest.empty())
        return region;
    // The longest city name that begins the rest: "常州市" is 常州, "巴音郭楞蒙古自治州" 巴音郭楞.
    for (const std::string& city : found->second) {
        if (!city.empty() && StartsWith(rest, city) && city.size() > region.city.size())
            region.city = city;
    }
    return region;
}

bool RegionLookup::Available()
{
#ifdef VARNHOLT_HAVE_PHONENUMBER
    return true;
#else
    return false;
#endif
}

Region RegionLookup::Find(const std::string& phoneNumber) const
{
#ifdef VARNHOLT_HAVE_PHONENUMBER
    using namespace i18n::phonenumbers;
    static const PhoneNumberOfflineGeocoder geocoder;
    static const icu::Locale chinese("zh", "CN");
    const PhoneNumberUtil& util = *PhoneNumberUtil::GetInstance();
    PhoneNumber number;
    if (util.Parse(phoneNumber, "CN", &number) != PhoneNumberUtil::NO_PARSING_ERROR)
        return {};
    std::string regionCode;
    util.GetRegionCodeForNumber(number, &regionCode);
    if (regionCode != "CN")
        return {};
    return MapPlaceDescription(geocoder.GetDescriptionForNumber(number, chinese), m_cities);
#else
    (void)phoneNumber;
    return {};
#endif
}
