#pragma once
// RTF documents of a given size for the benchmarks: text-heavy (formatted paragraphs in
// several scripts) or with pictures (a PNG every few paragraphs).

#include <string>

namespace qb::bench {

std::string TextHeavyRtf(std::size_t bytes);
std::string PictureRtf(std::size_t bytes);

} // namespace qb::bench
