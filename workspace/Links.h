// The product's own web addresses, kept in one place.
#pragma once

namespace brimlet::links {

inline constexpr char kHomePage[] = "https://brimlet.example/";
inline constexpr char kDownload[] = "https://brimlet.example/download/brimlet-setup";

}  // namespace brimlet::links
