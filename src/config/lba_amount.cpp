#include "config/lba_amount.h"

#include <limits>

namespace mrv
{

namespace
{

bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

/// Fraction digits kept; finer ones are dropped (a billionth of a unit is
/// less than a sector for every unit but "T", where it is two sectors at most).
constexpr int kMaxFractionDigits = 9;

} // namespace

std::optional<uint64_t> ParseLbaAmount(std::string_view text, uint64_t lba_count, uint64_t sectors_per_mb)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    if (text.empty()) return 0;

    char unit = text.back();
    if ((unit == 'B' || unit == 'b') && text.size() > 1) unit = text[text.size() - 2];

    // The digits in order make the number, read as a signed 64-bit value as
    // every size field shows it; the first point starts its fraction ("1.5G").
    constexpr uint64_t kMaxNumber = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    uint64_t number = 0;
    uint64_t scale = 1; // 10 to the power of the fraction digits kept
    int fraction_digits = 0;
    bool in_fraction = false;
    for (char c : text) {
        if (c == '.' && !in_fraction) {
            in_fraction = true;
            continue;
        }
        if (c < '0' || c > '9') continue;
        if (in_fraction && fraction_digits == kMaxFractionDigits) continue;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (number > (kMaxNumber - digit) / 10) return std::nullopt;
        number = number * 10 + digit;
        if (in_fraction) {
            ++fraction_digits;
            scale *= 10;
        }
    }

    unsigned __int128 per_unit = 1;
    unsigned __int128 divisor = 1;
    switch (unit) {
    case '%':
        // Exact integer arithmetic: a floating-point product such as 0.29 * 100
        // truncates to one sector less than the share typed.
        per_unit = lba_count;
        divisor = 100;
        break;
    case 'K':
    case 'k':
        per_unit = 2;
        break;
    case 'M':
    case 'm':
        per_unit = sectors_per_mb;
        break;
    case 'G':
    case 'g':
        per_unit = static_cast<unsigned __int128>(1024) * sectors_per_mb;
        break;
    case 'T':
    case 't':
        per_unit = static_cast<unsigned __int128>(1048576) * sectors_per_mb;
        break;
    default:
        break;
    }
    // number x per_unit / (divisor x scale), truncated: the whole multiples of
    // the divisor first, so that no step needs more than 128 bits.
    const unsigned __int128 whole = per_unit / (divisor * scale);
    const unsigned __int128 part = per_unit % (divisor * scale);
    const unsigned __int128 limit = std::numeric_limits<uint64_t>::max();
    if (whole != 0 && number > limit / whole) return std::nullopt;
    const unsigned __int128 sectors = number * whole + number * part / (divisor * scale);
    if (sectors > limit) return std::nullopt;
    return static_cast<uint64_t>(sectors);
}

} // namespace mrv
