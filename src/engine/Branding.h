// The fixed texts that name the text database's publisher and this program's maker. The insert
// statements rewrite the publisher's marker into them; the window shows the maker's web address.
#pragma once

#include <string_view>

namespace ipmdb::engine {

// The publisher's web domain, upper-case ASCII. A country or area that spells it (ASCII case
// ignored) is replaced on its way into the output table.
inline constexpr std::string_view kPublisherMarker = "MORVANE.EXAMPLE";

// This program's maker: the domain replaces a marker area, the address is the status bar's link.
inline constexpr std::string_view kMakerDomain = "FENWARDE.EXAMPLE";
inline constexpr std::string_view kMakerUrl = "http://www.fenwarde.example/";

// "未知IP" ("unknown IP") in GBK: CE B4 is 未, D6 AA is 知. It replaces a marker country. Written
// as escaped bytes because the statements are GBK while the sources are UTF-8.
inline constexpr std::string_view kUnknownCountry = "\xCE\xB4\xD6\xAA" "IP";

}  // namespace ipmdb::engine
