// Decoding of NVMe identification and log pages built byte by byte here, and
// the admin command values the program sends.

#include "drive/nvme_admin.h"
#include "identify/nvme_identify.h"
#include "smart/nvme_logs.h"
#include "util/u128.h"

#include <array>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace mrv
{
namespace
{

void Put(std::vector<uint8_t>& d, size_t at, uint64_t value, size_t bytes)
{
    for (size_t i = 0; i < bytes; ++i)
        d[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

void PutText(std::vector<uint8_t>& d, size_t at, size_t length, const std::string& text)
{
    std::memset(d.data() + at, ' ', length);
    std::memcpy(d.data() + at, text.data(), text.size());
}

std::vector<uint8_t> Controller()
{
    std::vector<uint8_t> d(4096, 0);
    Put(d, 0, 0x144D, 2);
    Put(d, 2, 0x144D, 2);
    PutText(d, 4, 20, "S4EWNX0N123456");
    PutText(d, 24, 40, "Samsung SSD 970 EVO Plus 1TB");
    PutText(d, 64, 8, "2B2QEXM7");
    Put(d, 80, 0x00010300, 4);
    Put(d, 256, 0x17, 2); // security, format, firmware, self-test
    d[262] = 63;
    Put(d, 266, 358, 2); // 85 °C
    Put(d, 268, 358 + 5, 2);
    Put(d, 280, 1000204886016ull, 8);
    Put(d, 316, 10, 2);
    Put(d, 328, 0x3, 4);
    Put(d, 516, 1, 4);
    Put(d, 520, 0x5F, 2);
    d[524] = 0x04;
    d[525] = 0x01;
    return d;
}

TEST(NvmeU128, CountersBeyondSixtyFourBitsStayExact)
{
    std::array<uint8_t, 16> bytes{};
    bytes[0] = 0x01;
    bytes[8] = 0x01; // 2^64 + 1
    const U128 v = U128::FromLittleEndian(bytes.data());
    EXPECT_FALSE(v.FitsIn64());
    EXPECT_EQ(v.Decimal(), "18446744073709551617");
    // Data units are 512,000 bytes each.
    EXPECT_EQ(v.Times(512000).Decimal(), "9444732965739290427904000");
    EXPECT_EQ(v.Times(512000).DividedBy(512000), v);
    EXPECT_EQ(U128{}.Decimal(), "0");
    // A product past 128 bits saturates instead of wrapping to a small number.
    const U128 huge{~0ull, ~0ull >> 4};
    EXPECT_EQ(huge.Times(512000), (U128{~0ull, ~0ull}));
}

TEST(NvmeIdentify, ControllerFieldsAndCapabilities)
{
    const std::vector<uint8_t> d = Controller();
    const auto c = DecodeNvmeController(d.data());
    ASSERT_TRUE(c);
    EXPECT_EQ(c->model, "Samsung SSD 970 EVO Plus 1TB");
    EXPECT_EQ(c->serial, "S4EWNX0N123456");
    EXPECT_EQ(c->firmware, "2B2QEXM7");
    EXPECT_EQ(NvmeVersionText(c->version), "1.3");
    EXPECT_EQ(NvmeVersionText(0x00010401), "1.4.1");
    EXPECT_EQ(NvmeVersionText(0), "before 1.2");
    EXPECT_EQ(c->error_log_entries, 64u);
    EXPECT_TRUE(c->FormatSupported() && c->SelfTestSupported() && c->SecuritySendReceive());
    EXPECT_TRUE(c->SanitizeBlock() && c->SanitizeCrypto() && !c->SanitizeOverwrite());
    EXPECT_TRUE(c->DatasetManagement() && c->FormatCryptoErase() && c->WriteCachePresent());
    EXPECT_EQ(c->extended_self_test_minutes, 10);
}

TEST(NvmeIdentify, EmptyOrGarbledControllerBlocks)
{
    std::vector<uint8_t> d(4096, 0);
    EXPECT_FALSE(DecodeNvmeController(d.data()));
    // Control characters never reach the window.
    PutText(d, 24, 40, "BAD\x01\x1bMODEL");
    const auto c = DecodeNvmeController(d.data());
    ASSERT_TRUE(c);
    EXPECT_EQ(c->model, "BAD??MODEL");
}

TEST(NvmeIdentify, NamespaceFormatsWithMetadataAndFourKilobyteBlocks)
{
    std::vector<uint8_t> d(4096, 0);
    Put(d, 0, 244190646, 8); // 1 TB of 4096-byte blocks
    d[25] = 2;               // three formats
    d[26] = 0x12;            // format 2, metadata at the end of each block
    Put(d, 128, 0, 2);
    d[130] = 9;
    d[131] = 2;
    Put(d, 132, 8, 2); // 512 + 8
    d[134] = 9;
    d[135] = 1;
    d[138] = 12; // 4096
    d[139] = 0;
    const auto ns = DecodeNvmeNamespace(d.data());
    ASSERT_TRUE(ns);
    EXPECT_EQ(ns->format_in_use, 2);
    EXPECT_TRUE(ns->metadata_extended);
    EXPECT_EQ(ns->InUse().DataSize(), 4096u);
    EXPECT_EQ(ns->formats[1].metadata_size, 8);

    const auto c = DecodeNvmeController(Controller().data());
    const DecodedPassport p = DecodeNvmePassport(*c, ns, true);
    EXPECT_TRUE(p.passport.Nvme && p.passport.NonAta);
    EXPECT_EQ(p.passport.SectorSize, 4096u);
    EXPECT_EQ(p.passport.LbaCount, 244190646);
    EXPECT_EQ(p.last_lba, 244190645);
    EXPECT_TRUE(p.passport.WriteCacheOn);
    ASSERT_TRUE(p.rotation);
    EXPECT_TRUE(p.rotation->ssd);
    std::vector<std::string> lines;
    for (const PassportRow& r : p.rows)
        lines.push_back(r.label + "|" + r.value + "|" + r.comment);
    auto has = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(has("Disk size:|244190646 LBAs|1.0 Tb"));
    EXPECT_TRUE(has("LBAF 1:|512 bytes + 8 meta|Better"));
    EXPECT_TRUE(has("LBAF 2:|4096 bytes|Best, used"));
    EXPECT_TRUE(has("PCI VID:|144Dh|"));
    EXPECT_TRUE(has("CACHE:|Wr=ON; |ok"));
    EXPECT_TRUE(
        has("Support:|LBA, Format, Sanitize (block, crypto), Self-test, TRIM (DSM), Security|Crypto fmt"));
    EXPECT_TRUE(has("T warning:|85°C/185°F|"));
}

TEST(NvmeIdentify, NamespaceWhoseFormatInUseIsUnusable)
{
    std::vector<uint8_t> d(4096, 0);
    Put(d, 0, 1000, 8);
    d[25] = 0;
    d[26] = 0x03; // format 3 of one
    d[130] = 9;
    EXPECT_FALSE(DecodeNvmeNamespace(d.data()));
    d[26] = 0;
    d[130] = 40; // a block of 2^40 bytes is no block size
    EXPECT_FALSE(DecodeNvmeNamespace(d.data()));
    // More than sixteen formats: bits 6:5 of FLBAS are the index's high bits.
    d[25] = 19;
    d[26] = 0x20 | 0x01; // format 17
    d[128 + 4 * 17 + 2] = 12;
    const auto ns = DecodeNvmeNamespace(d.data());
    ASSERT_TRUE(ns);
    EXPECT_EQ(ns->format_in_use, 17);
}

TEST(NvmeIdentify, PassportFileWithoutNamespaceTakesTheTotalCapacity)
{
    const auto c = DecodeNvmeController(Controller().data());
    const DecodedPassport p = DecodeNvmePassport(*c, std::nullopt, std::nullopt);
    EXPECT_EQ(p.passport.LbaCount, 1953525168);
    EXPECT_EQ(p.last_lba, 1953525167);
    EXPECT_EQ(p.rows[3].value, "1000204886016 bytes");
    EXPECT_EQ(NvmePassportFileName("A/B", "1"), "NVMe_AB_1.bin");
}

std::vector<uint8_t> HealthLog()
{
    std::vector<uint8_t> d(512, 0);
    d[0] = 0x04;
    Put(d, 1, 318, 2); // 45 °C
    d[3] = 40;
    d[4] = 10;
    d[5] = 120;
    Put(d, 32, 1, 8);
    Put(d, 40, 1, 8); // 2^64 + 1 units read
    Put(d, 48, 2000, 8);
    Put(d, 128, 12345, 8);
    Put(d, 160, 3, 8);
    Put(d, 202, 300, 2); // sensor 2: 27 °C
    return d;
}

TEST(NvmeHealth, CountersUnitsAndTemperatures)
{
    const NvmeHealth h = DecodeNvmeHealth(HealthLog().data());
    EXPECT_EQ(h.CompositeCelsius(), 45);
    EXPECT_EQ(h.data_units_read.Decimal(), "18446744073709551617");
    EXPECT_EQ(NvmeDataUnitBytes(h.data_units_written).Decimal(), "1024000000");
    EXPECT_EQ(NvmeBytesText(NvmeDataUnitBytes(h.data_units_written)), "1 Gb");
    // Too large for sectors in 64 bits: the exact byte count instead.
    EXPECT_EQ(NvmeBytesText(NvmeDataUnitBytes(h.data_units_read)), "9444732965739290427904000 bytes");
    EXPECT_EQ(h.power_on_hours.Decimal(), "12345");
    EXPECT_EQ(h.sensors_k[1], 300);
    EXPECT_EQ(NvmeVerdict(h), SmartVerdict::Bad);
    std::vector<uint8_t> good(512, 0);
    good[3] = 100;
    EXPECT_EQ(NvmeVerdict(DecodeNvmeHealth(good.data())), SmartVerdict::Good);
    // Spare at its threshold (both zero, as some controllers report) is not yet below it.
    good[3] = 0;
    const std::vector<SmartRow> rows = NvmeHealthRows(DecodeNvmeHealth(good.data()));
    for (const SmartRow& r : rows) {
        if (r.cells[kSmartName] == "Available spare") {
            EXPECT_EQ(r.colours[kSmartName], form::colours::kNavy);
        }
    }
}

TEST(NvmeHealth, TableRowsBarsAndAlarms)
{
    const std::vector<SmartRow> rows = NvmeHealthRows(DecodeNvmeHealth(HealthLog().data()));
    auto find = [&](const std::string& name) -> const SmartRow& {
        for (const SmartRow& r : rows)
            if (r.cells[kSmartName] == name) return r;
        ADD_FAILURE() << name;
        return rows.front();
    };
    EXPECT_EQ(find("Critical warning").cells[kSmartRaw], "04h");
    EXPECT_EQ(find(" Reliability degraded").cells[kSmartRaw], "Yes");
    EXPECT_EQ(find(" Spare below threshold").cells[kSmartRaw], "No");
    EXPECT_EQ(find("Composite temperature").cells[kSmartRaw], "45°C/113°F");
    const SmartRow& spare = find("Available spare");
    EXPECT_EQ(spare.cells[kSmartValue], "40");
    EXPECT_EQ(spare.cells[kSmartThreshold], "10");
    EXPECT_EQ(spare.cells[kSmartLetter], "r");
    // Used beyond the rating: no life left, the smallest bar.
    const SmartRow& used = find("Percentage used");
    EXPECT_EQ(used.cells[kSmartRaw], "120 %");
    EXPECT_EQ(used.cells[kSmartHealth], " \xE2\x80\xA2");
    EXPECT_EQ(find("Media and data integrity errors").cells[kSmartRaw], "3");
    EXPECT_EQ(find("Temperature sensor 2").cells[kSmartRaw], "27°C/81°F");
    for (const SmartRow& r : rows)
        EXPECT_NE(r.cells[kSmartName], "Temperature sensor 1");
}

TEST(NvmeLogs, SelfTestLogProgressAndResults)
{
    std::vector<uint8_t> d(564, 0);
    d[0] = 0x2;
    d[1] = 37;
    for (size_t i = 0; i < 20; ++i)
        d[4 + 28 * i] = 0x0F;
    // The newest: an extended test failed in segment 2 at LBA 900000.
    uint8_t* e = d.data() + 4;
    e[0] = 0x27;
    e[1] = 2;
    e[2] = 0x0F;
    e[4] = 0x10;
    e[16] = 0xA0;
    e[17] = 0xBB;
    e[18] = 0x0D; // 900000
    e[24] = 0x2;
    e[25] = 0x81;
    d[4 + 28] = 0x10; // a short test that passed
    const NvmeSelfTestLog log = DecodeNvmeSelfTestLog(d.data());
    EXPECT_EQ(log.current_operation, 2);
    EXPECT_EQ(log.current_completion, 37);
    ASSERT_EQ(log.results.size(), 2u);
    EXPECT_TRUE(log.results[0].lba_valid);
    EXPECT_EQ(log.results[0].failing_lba, 900000u);
    EXPECT_EQ(log.results[0].status, 0x281);
    EXPECT_EQ(NvmeMeterPosition(log), 3);

    const std::vector<SmartTestRow> rows = NvmeTestRows(log, 10, {});
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1].parameter, "Extended self-test in progress, percent done");
    EXPECT_EQ(rows[1].value, "37");
    EXPECT_EQ(rows[2].parameter, "#1 Extended self-test: Failed in segment 2, LBA 900000");
    EXPECT_EQ(rows[2].value, "POH 16");
    EXPECT_EQ(rows[3].parameter, "#2 Short self-test: Completed without error");
}

TEST(NvmeLogs, ErrorLogNewestFirstAndSanitizeStatus)
{
    std::vector<uint8_t> d(4 * 64, 0);
    Put(d, 0, 5, 8);
    Put(d, 12, 0x281 << 1 | 1, 2); // the phase bit is not part of the status
    Put(d, 16, 77, 8);
    Put(d, 128, 6, 8);
    const std::vector<NvmeErrorEntry> entries = DecodeNvmeErrorLog(d.data(), 4);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].error_count, 6u);
    EXPECT_EQ(entries[1].status, 0x281);
    EXPECT_EQ(entries[1].lba, 77u);

    std::vector<uint8_t> s(512, 0);
    Put(s, 0, 32768, 2);
    s[2] = 2;
    const NvmeSanitizeStatus status = DecodeNvmeSanitizeStatus(s.data());
    EXPECT_TRUE(status.InProgress());
    EXPECT_EQ(status.Percent(), 50);
}

TEST(NvmeAdmin, CommandDwordsAndStatusTexts)
{
    std::vector<uint8_t> buffer(16384);
    const NvmeAdminCommand log = NvmeLogPageCommand(nvme::kLogError, buffer.data(), 16384, true);
    EXPECT_EQ(log.cdw[0], 0x0FFF0001u); // 4096 dwords, zero-based
    EXPECT_EQ(log.nsid, nvme::kAllNamespaces);
    EXPECT_EQ(NvmeFormatCommand(0x13, nvme::kFormatUserDataErase).cdw[0], 0x1203u);
    EXPECT_EQ(NvmeSanitizeCommand(nvme::kSanitizeBlockErase).cdw[0], 2u);
    EXPECT_TRUE(NvmeIdentifyCommand(nvme::kCnsNamespace, buffer.data()).own_namespace);
    EXPECT_EQ(NvmeStatusText(0x4002), "Invalid Field in Command");
    EXPECT_EQ(NvmeStatusText(0x11D), "Device Self-test In Progress");
    EXPECT_EQ(NvmeStatusText(0x3FE), "status 3h/FEh");
    NvmeResult refused;
    refused.system_error = 50;
    EXPECT_FALSE(refused.Ok());
    EXPECT_EQ(NvmeFailureText(refused), "system error 50");
    // More and do-not-retry bits do not turn a success into a failure.
    NvmeResult ok;
    ok.answered = true;
    ok.status = 0x4000;
    EXPECT_TRUE(ok.Ok());
}

} // namespace
} // namespace mrv
