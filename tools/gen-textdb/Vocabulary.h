// The invented place, network and organisation names that generated text databases are made of,
// written in UTF-8 here and turned into GBK by the generator.
#pragma once

#include <span>
#include <string_view>

namespace ipmdb::tools {

// Provinces, cities and regions of China, used as the "country" the way such databases do.
std::span<const std::string_view> ChineseRegions();
// Countries and regions elsewhere.
std::span<const std::string_view> ForeignCountries();
// Access networks: the area of most Chinese ranges.
std::span<const std::string_view> ChineseNetworks();
// District or campus names that precede a network or an organisation in an area.
std::span<const std::string_view> ChineseDistricts();
// Schools, hospitals, offices and companies.
std::span<const std::string_view> ChineseOrganisations();
// What part of an organisation a range serves ("学生宿舍", "机房", ...).
std::span<const std::string_view> OrganisationUnits();
// States and cities abroad that precede a foreign provider.
std::span<const std::string_view> ForeignPlaces();
// Foreign providers with ASCII names, some with inner spaces, one with a quote.
std::span<const std::string_view> ForeignProviders();

}  // namespace ipmdb::tools
