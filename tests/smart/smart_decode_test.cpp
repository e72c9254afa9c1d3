// The pure SMART decoding: attribute names, raw values, temperatures and their
// extreme rows, health bars, colours, the status texts and the verdict.

#include "smart/smart_attribute_names.h"
#include "smart/smart_block.h"
#include "smart/smart_rows.h"

#include <array>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace mrv
{
namespace
{

using form::Colour;
namespace c = form::colours;

/// A data block and a threshold block built entry by entry.
struct Blocks {
    std::array<uint8_t, 512> data{};
    std::array<uint8_t, 512> thresholds{};

    void Put(int slot, uint8_t id, uint16_t flags, uint8_t value, uint8_t worst, std::array<uint8_t, 6> raw,
             uint8_t threshold = 0)
    {
        uint8_t* e = data.data() + 2 + 12 * slot;
        e[0] = id;
        e[1] = static_cast<uint8_t>(flags);
        e[2] = static_cast<uint8_t>(flags >> 8);
        e[3] = value;
        e[4] = worst;
        std::memcpy(e + 5, raw.data(), 6);
        thresholds[2 + 12 * slot] = id;
        thresholds[3 + 12 * slot] = threshold;
    }
    SmartTable Decode(uint8_t family, uint8_t requested = 194) const
    {
        return DecodeSmartTable(data.data(), thresholds.data(), family, requested);
    }
};

const std::string kDegree = "\xC2\xB0";
std::string Temp(int c, int f)
{
    return std::to_string(c) + kDegree + "C/" + std::to_string(f) + kDegree + "F";
}

// ---- Temperatures ----------------------------------------------------------

TEST(SmartTemperature, MinimumAndMaximumRowsFollowTheFamilyLayout)
{
    Blocks b;
    b.Put(0, 194, 0x0022, 40, 45, {0x28, 0x00, 0x0F, 0x00, 0x2D, 0x00});
    const uint64_t full = 45ull * (1ull << 32) + 15ull * 65536 + 40;

    const SmartTable f2 = b.Decode(2);
    ASSERT_EQ(f2.rows.size(), 3u);
    EXPECT_EQ(f2.rows[0].cells[kSmartRaw], Temp(40, 104));
    EXPECT_EQ(f2.rows[1].cells[kSmartName], "Minimum temperature");
    EXPECT_EQ(f2.rows[1].cells[kSmartRaw], Temp(15, 59));
    EXPECT_EQ(f2.rows[2].cells[kSmartName], "Maximum temperature");
    EXPECT_EQ(f2.rows[2].cells[kSmartRaw], Temp(45, 113));
    ASSERT_TRUE(f2.requested_raw);
    EXPECT_EQ(*f2.requested_raw, full);
    EXPECT_EQ(static_cast<int16_t>(*f2.requested_raw & 0xFFFF), 40);
    // The extra rows repeat the values and count as healthy.
    EXPECT_EQ(f2.rows[1].cells[kSmartValue], "40");
    EXPECT_EQ(f2.rows[1].cells[kSmartHealth], " -");
    EXPECT_EQ(f2.rows[1].cells[kSmartLetter], "g");

    // Family 4 keeps the maximum in r2 and the minimum in r1.
    const SmartTable f4 = b.Decode(4);
    ASSERT_EQ(f4.rows.size(), 3u);
    EXPECT_EQ(f4.rows[1].cells[kSmartName], "Maximum temperature");
    EXPECT_EQ(f4.rows[1].cells[kSmartRaw], Temp(45, 113));
    EXPECT_EQ(f4.rows[2].cells[kSmartName], "Minimum temperature");
    EXPECT_EQ(f4.rows[2].cells[kSmartRaw], Temp(15, 59));

    // Family 15 shows the raw number itself, and its extremes the other way round.
    const SmartTable f15 = b.Decode(15);
    ASSERT_EQ(f15.rows.size(), 3u);
    EXPECT_EQ(f15.rows[0].cells[kSmartRaw], std::to_string(full));
    EXPECT_EQ(f15.rows[0].cells[kSmartName], "Temperature controller");
    EXPECT_EQ(f15.rows[1].cells[kSmartRaw], Temp(45, 113));
    EXPECT_EQ(f15.rows[2].cells[kSmartRaw], Temp(15, 59));

    // Other families have no extreme rows.
    EXPECT_EQ(b.Decode(5).rows.size(), 1u);
    EXPECT_EQ(b.Decode(0).rows.size(), 1u);
}

TEST(SmartTemperature, OnlyNonZeroExtremesGetRowsAndTemperaturesCountAsNinety)
{
    Blocks b;
    b.Put(0, 194, 0, 30, 30, {0x1E, 0x00, 0x00, 0x00, 0x32, 0x00});
    b.Put(1, 190, 0, 10, 10, {0xFB, 0xFF, 0, 0, 0, 0}); // −5 °C
    const SmartTable t = b.Decode(2);
    ASSERT_EQ(t.rows.size(), 3u);
    EXPECT_EQ(t.rows[1].cells[kSmartName], "Maximum temperature");
    EXPECT_EQ(t.rows[2].cells[kSmartRaw], Temp(-5, 23));
    // A value of 30 or 10 would be one bar; a temperature always shows four.
    EXPECT_EQ(t.rows[0].cells[kSmartLetter], "y");
    EXPECT_EQ(t.rows[2].cells[kSmartLetter], "y");
    EXPECT_EQ(t.rows[0].colours[kSmartRaw], c::kBlue);
    EXPECT_EQ(t.rows[0].colours[kSmartName], c::kBlue);
}

// ---- Raw values ------------------------------------------------------------

TEST(SmartRaw, CountersWithVendorBytesShowOnlyTheLowWord)
{
    Blocks b;
    b.Put(0, 5, 0x0033, 100, 100, {0x05, 0x00, 0x00, 0x00, 0x01, 0x00}, 36);
    b.Put(1, 9, 0x0032, 90, 90, {0x05, 0x00, 0x00, 0x00, 0x01, 0x00});
    b.Put(2, 197, 0x0012, 100, 100, {0x00, 0x00, 0x07, 0x00, 0x00, 0x00});
    b.Put(3, 241, 0, 100, 100, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    const SmartTable t = b.Decode(0, 5);
    ASSERT_EQ(t.rows.size(), 4u);
    EXPECT_EQ(t.rows[0].cells[kSmartRaw], "5");
    EXPECT_EQ(t.rows[0].colours[kSmartRaw], c::kRed);
    EXPECT_EQ(*t.requested_raw, 5u);
    EXPECT_EQ(t.rows[1].cells[kSmartRaw], std::to_string((1ull << 32) + 5));
    // Pending sectors with only upper bytes set count as none (and green).
    EXPECT_EQ(t.rows[2].cells[kSmartRaw], "0");
    EXPECT_EQ(t.rows[2].colours[kSmartRaw], c::kGreen);
    // All 48 bits, exactly.
    EXPECT_EQ(t.rows[3].cells[kSmartRaw], "281474976710655");
    EXPECT_EQ(t.rows[3].colours[kSmartRaw], Colour::Rgb(128, 0, 0));
}

TEST(SmartRaw, AbsentIdAndEmptyBlock)
{
    Blocks b;
    EXPECT_TRUE(b.Decode(0).rows.empty());
    EXPECT_FALSE(b.Decode(0).requested_raw);
    b.Put(4, 9, 0, 100, 100, {1, 0, 0, 0, 0, 0});
    EXPECT_EQ(b.Decode(0).rows.size(), 1u);
    EXPECT_FALSE(b.Decode(0, 194).requested_raw);
    // The last entry with the ID answers.
    b.Put(7, 9, 0, 100, 100, {2, 0, 0, 0, 0, 0});
    EXPECT_EQ(*b.Decode(0, 9).requested_raw, 2u);
}

TEST(SmartRaw, ThresholdIsTakenByPositionNotById)
{
    Blocks b;
    b.Put(0, 1, 0, 100, 100, {}, 51);
    b.Put(1, 3, 0, 100, 100, {}, 21);
    b.thresholds[2 + 12] = 99; // a different ID in the threshold entry
    const SmartTable t = b.Decode(0);
    EXPECT_EQ(t.rows[0].cells[kSmartThreshold], "51");
    EXPECT_EQ(t.rows[1].cells[kSmartThreshold], "21");
}

// ---- Health and colours ------------------------------------------------------

TEST(SmartHealth, BarBoundaries)
{
    struct Case {
        int value;
        int bars;
        const char* letter;
    };
    for (const Case& k :
         {Case{0, 1, "r"}, Case{39, 1, "r"}, Case{40, 2, "r"}, Case{59, 2, "r"}, Case{60, 3, "y"},
          Case{99, 4, "y"}, Case{100, 5, "g"}, Case{253, 5, "g"}, Case{255, 5, "g"}}) {
        const SmartHealth h = HealthOf(k.value);
        std::string bars = " ";
        for (int i = 0; i < k.bars; ++i)
            bars += "\xE2\x80\xA2";
        EXPECT_EQ(h.bars, bars) << k.value;
        EXPECT_EQ(h.letter, k.letter) << k.value;
    }
}

TEST(SmartColours, ByColumnAttributeAndFamily)
{
    Blocks b;
    b.Put(0, 1, 0x000F, 100, 99, {}, 6);             // pre-failure: green name, hidden flag
    b.Put(1, 4, 0x0032, 50, 50, {1, 0, 0, 0, 0, 0}); // advisory: black name, maroon raw
    b.Put(2, 199, 0x003E, 200, 200, {3, 0, 0, 0, 0, 0});
    b.Put(3, 231, 0x0013, 20, 20, {});
    const SmartTable t = b.Decode(15);
    EXPECT_EQ(t.rows[0].cells[kSmartFlag], kPreFailureFlag);
    EXPECT_EQ(t.rows[0].colours[kSmartName], c::kGreen);
    EXPECT_EQ(t.rows[1].cells[kSmartFlag], " ");
    EXPECT_EQ(t.rows[1].colours[kSmartName], c::kBlack);
    EXPECT_EQ(t.rows[1].colours[kSmartRaw], c::kMaroon);
    EXPECT_EQ(t.rows[1].colours[kSmartHealth], Colour::Rgb(255, 0, 0));
    EXPECT_EQ(t.rows[2].colours[kSmartRaw], c::kRed);
    EXPECT_EQ(t.rows[2].colours[kSmartName], c::kBlack);
    EXPECT_EQ(t.rows[2].colours[kSmartHealth], Colour::Rgb(0, 115, 0));
    EXPECT_EQ(t.rows[3].colours[kSmartName], c::kGreen); // 231 of family 15: life remaining
    EXPECT_EQ(t.rows[3].cells[kSmartName], "SSD Life Remaining");
    for (const SmartRow& row : t.rows) {
        EXPECT_EQ(row.colours[kSmartId], c::kNavy);
        EXPECT_EQ(row.colours[kSmartValue], c::kTeal);
        EXPECT_EQ(row.colours[kSmartWorst], c::kGray);
        EXPECT_EQ(row.colours[kSmartThreshold], Colour::Rgb(128, 128, 0));
    }
    Blocks amber;
    amber.Put(0, 5, 0x0033, 70, 70, {}, 36);
    const SmartTable a = amber.Decode(0);
    EXPECT_EQ(a.rows[0].colours[kSmartName], c::kPurple);
    EXPECT_EQ(a.rows[0].colours[kSmartHealth], Colour::Rgb(255, 196, 55));
}

// ---- Names -------------------------------------------------------------------

TEST(SmartNames, TableAndFamilyVariants)
{
    int known = 0;
    for (int id = 0; id < 256; ++id)
        known += SmartAttributeKnown(static_cast<uint8_t>(id));
    EXPECT_EQ(known, 115);
    EXPECT_EQ(SmartAttributeName(0, 0), "unknown attribut");
    EXPECT_EQ(SmartAttributeName(17, 0), "unknown attribut");
    EXPECT_EQ(SmartAttributeName(255, 15), "unknown attribut");
    EXPECT_EQ(SmartAttributeName(1, 0), "Raw read error count");
    EXPECT_EQ(SmartAttributeName(1, 3), "OTF Errors");
    EXPECT_EQ(SmartAttributeName(12, 13), "Power cycle count");
    EXPECT_EQ(SmartAttributeName(12, 4), "Start/stop count");
    EXPECT_EQ(SmartAttributeName(192, 14), "Emergency retract cycles");
    EXPECT_EQ(SmartAttributeName(192, 15), "Unsafe shutdown count");
    EXPECT_EQ(SmartAttributeName(200, 5), "Multi zone error rate");
    EXPECT_EQ(SmartAttributeName(201, 7), "Detected TA count");
    EXPECT_EQ(SmartAttributeName(201, 15), "Uncorrectable Soft Read Error Rate");
    EXPECT_EQ(SmartAttributeName(202, 3), "Data Address Mark Errors");
    EXPECT_EQ(SmartAttributeName(202, 8), "Erase Fail Count");
    EXPECT_EQ(SmartAttributeName(211, 2), "Spin running current");
    EXPECT_EQ(SmartAttributeName(251, 15), "Writes to flash");
    EXPECT_EQ(SmartAttributeName(254, 0), "G-SENSOR shock counter");
}

// ---- Status bytes and verdict --------------------------------------------------

TEST(SmartStatusBytes, TestRowsOfAnEmptyAndAFilledBlock)
{
    std::array<uint8_t, 512> block{};
    std::vector<SmartTestRow> rows = DecodeSmartTestRows(block.data());
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[3].parameter, "Off-line data collection activity was never started");
    EXPECT_EQ(rows[3].value, "00h");
    EXPECT_EQ(rows[3].colour, c::kGray);
    EXPECT_EQ(rows[4].value, "0");
    EXPECT_EQ(rows[4].colour, c::kGreen);
    EXPECT_EQ(SmartMeterPosition(block[363]), 0);

    block[362] = 0x86;
    block[363] = 0xF3;
    block[364] = 0x34;
    block[365] = 0x12;
    block[372] = 2;
    block[373] = 0xFF;
    rows = DecodeSmartTestRows(block.data());
    EXPECT_EQ(rows[0].value, "4660");
    EXPECT_EQ(rows[1].value, "2");
    EXPECT_EQ(rows[2].value, "255");
    EXPECT_EQ(rows[3].value, "86h");
    EXPECT_EQ(rows[3].colour, c::kRed);
    EXPECT_EQ(rows[4].parameter, "Self-test routine in progress !!!");
    EXPECT_EQ(rows[4].value, "15");
    EXPECT_EQ(rows[4].colour, Colour::Rgb(255, 128, 0));
    EXPECT_EQ(SmartMeterPosition(block[363]), 7);
}

TEST(SmartStatusBytes, TextsAndColours)
{
    EXPECT_EQ(OfflineStatusText(0x82), "Off-line data collection activity was completed without error");
    EXPECT_EQ(OfflineStatusColour(0x82), c::kGreen);
    EXPECT_EQ(OfflineStatusText(0x03), "ReservedOff-line activity in progress!");
    EXPECT_EQ(OfflineStatusText(0x83), "Unknown status");
    EXPECT_EQ(OfflineStatusColour(0x83), c::kGreen);
    EXPECT_EQ(OfflineStatusColour(0x85), c::kPurple);
    EXPECT_EQ(SelfTestStatusColour(2), c::kBlue);
    for (uint8_t s = 7; s <= 14; ++s)
        EXPECT_EQ(SelfTestStatusText(s),
                  "The previous self-test completed having the read element of the test failed");
    EXPECT_EQ(SmartMeterPosition(0xF9), 1);
    EXPECT_EQ(SmartMeterPosition(0x0A), 0);
    EXPECT_EQ(SmartMeterPosition(0x0B), 0); // above 10 counts as 10
}

TEST(SmartVerdictTest, SignatureIsGoodAnythingElseBad)
{
    EXPECT_EQ(VerdictFromRegisters(0x4F, 0xC2), SmartVerdict::Good);
    EXPECT_EQ(VerdictFromRegisters(0xF4, 0x2C), SmartVerdict::Bad);
    EXPECT_EQ(VerdictFromRegisters(0x4F, 0x2C), SmartVerdict::Bad);
    EXPECT_EQ(VerdictFromRegisters(0x00, 0x00), SmartVerdict::Bad);
}

TEST(SmartClipboard, ColumnsAlignByCharacters)
{
    std::array<std::string, kSmartColumnCount> temp{};
    temp[kSmartId] = "194";
    temp[kSmartName] = "HDA Temperature";
    temp[kSmartValue] = "40";
    temp[kSmartWorst] = "45";
    temp[kSmartThreshold] = "0";
    temp[kSmartRaw] = Temp(40, 104);
    temp[kSmartHealth] = " \xE2\x80\xA2\xE2\x80\xA2\xE2\x80\xA2\xE2\x80\xA2";
    const std::string text = SmartClipboardText("MODEL", "SERIAL", {temp});
    const std::string rule(73, '-');
    EXPECT_EQ(text, "MODEL   SERIAL\n" + rule + "\n" +
                        "  ID      Name                   Value  Worst  Tresh       Raw    Health\n" + rule +
                        "\n" + "194 HDA Temperature                40     45      0   " + Temp(40, 104) +
                        "  " + temp[kSmartHealth] + "  \n");
}

} // namespace
} // namespace mrv
