// Size texts as sector counts: every unit, the digits and the decimal point, overflow.

#include "config/lba_amount.h"

#include <gtest/gtest.h>
#include <optional>

namespace mrv
{
namespace
{

constexpr uint64_t kMb512 = 2048; // sectors per MiB with 512-byte sectors

TEST(ParseLbaAmount, UnitsAndNumbersAsTheFieldsAcceptThem)
{
    const struct {
        const char* text;
        uint64_t lba_count;
        uint64_t per_mb;
        uint64_t want;
    } cases[] = {
        {"131072134", 0, kMb512, 131072134},
        {"100 Mb", 0, kMb512, 204800},
        {"100M", 0, kMb512, 204800},
        {"100mB", 0, kMb512, 204800},
        {"204G", 0, kMb512, 204ull * 1024 * 2048},
        {"204gb", 0, kMb512, 204ull * 1024 * 2048},
        {"2T", 0, kMb512, 2ull * 1048576 * 2048},
        {"17%", 1000000, kMb512, 170000},
        {"29%", 100, kMb512, 29}, // 0.29 * 100 in floating point would give 28
        {"100%", 976773168, kMb512, 976773168},
        {"150%", 1000, kMb512, 1500},
        {"2kb", 0, kMb512, 4},
        {"2K", 0, kMb512, 4},
        {"", 0, kMb512, 0},
        {"   ", 0, kMb512, 0},
        {"Mb", 0, kMb512, 0},
        {"b", 0, kMb512, 0},
        {"1.5G", 0, kMb512, 3ull * 1024 * 2048 / 2}, // one and a half, not fifteen
        {"1.5 Gb", 0, kMb512, 3ull * 1024 * 2048 / 2},
        {"0.5M", 0, kMb512, 1024},
        {".5M", 0, kMb512, 1024},
        {"2.5kb", 0, kMb512, 5},
        {"1.3K", 0, kMb512, 2}, // 2.6 sectors, truncated
        {"12.5%", 1000, kMb512, 125},
        {"33.3333%", 3, kMb512, 0},
        {"100.9", 0, kMb512, 100},   // a plain count drops its fraction
        {"1.2.3M", 0, kMb512, 2519}, // 1.23 M: a second point is skipped like any other character
        {"1.000000000001T", 0, kMb512, 1048576ull * 2048}, // finer than a billionth is dropped
        {"  63  ", 0, kMb512, 63},
        {"\t63\n", 0, kMb512, 63},
        {"-5", 0, kMb512, 5}, // a sign is no digit
        {"1 000 000", 0, kMb512, 1000000},
        {"00", 0, kMb512, 0},
        {"10X", 0, kMb512, 10},
        {"100 Mb", 0, 256, 25600}, // 4096-byte sectors
        {"3%", 0, kMb512, 0},
        {"9223372036854775807", 0, kMb512, 9223372036854775807ull},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseLbaAmount(c.text, c.lba_count, c.per_mb), std::optional<uint64_t>(c.want)) << c.text;
    }
}

TEST(ParseLbaAmount, SizesBeyondSixtyFourBitsAreRefused)
{
    EXPECT_EQ(ParseLbaAmount("9223372036854775808", 0, kMb512), std::nullopt);
    EXPECT_EQ(ParseLbaAmount("99999999999999999999999", 0, kMb512), std::nullopt);
    EXPECT_EQ(ParseLbaAmount("9300000000000000000K", 0, kMb512), std::nullopt);
    EXPECT_EQ(ParseLbaAmount("9000000000000T", 0, kMb512), std::nullopt);
    EXPECT_EQ(ParseLbaAmount("9000000000000G", 0, kMb512), std::nullopt);
    EXPECT_EQ(ParseLbaAmount("9223372036854775807%", UINT64_MAX, kMb512), std::nullopt);
    EXPECT_EQ(ParseLbaAmount("99999999999T", 0, kMb512), std::nullopt);
    EXPECT_EQ(ParseLbaAmount("8589934592.5T", 0, kMb512), std::nullopt);
    // Large sizes that fit still parse.
    EXPECT_EQ(ParseLbaAmount("8589934591.5T", 0, kMb512), std::optional<uint64_t>(18446744072635809792ull));
    EXPECT_EQ(ParseLbaAmount("4194303T", 0, kMb512), std::optional<uint64_t>(4194303ull * 1048576 * 2048));
}

} // namespace
} // namespace mrv
