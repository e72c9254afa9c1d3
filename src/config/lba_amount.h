#pragma once
// Sizes typed by the user ("131072134", "100 Mb", "204G", "17%", "2kb") as
// sector counts: the one parser of every range and size field.

#include <cstdint>
#include <optional>
#include <string_view>

namespace mrv
{

/// The sector count a size text stands for. Every decimal digit of the text
/// counts, in order, whatever stands between them ("131 072 134"), and the
/// first point starts a fraction ("1.5G" is one and a half G, truncated to
/// whole sectors); the last
/// character (the one before a trailing "B"/"b") is the unit: "%" of
/// `lba_count`, "K" (2 sectors), "M" (`sectors_per_mb`), "G", "T"; anything
/// else means sectors. An empty text or one without digits is 0. nullopt when
/// the number or the unit multiplication does not fit in 64 bits.
std::optional<uint64_t> ParseLbaAmount(std::string_view text, uint64_t lba_count, uint64_t sectors_per_mb);

} // namespace mrv
