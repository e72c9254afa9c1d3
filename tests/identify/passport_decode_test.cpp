// Decoding of IDENTIFY words into the drive record and the passport rows.

#include "identify/format_capacity.h"
#include "identify/passport_rows.h"
#include "identify_builder.h"

#include <gtest/gtest.h>

namespace mrv
{
namespace
{

using test::Make48;
using test::MakeIdentify;
using test::PutText;

const PassportRow* FindRow(const DecodedPassport& d, const std::string& label)
{
    for (const auto& r : d.rows)
        if (r.label == label) return &r;
    return nullptr;
}

std::vector<std::string> Labels(const DecodedPassport& d)
{
    std::vector<std::string> labels;
    for (const auto& r : d.rows)
        labels.push_back(r.label);
    return labels;
}

DecodedPassport Decode(const IdentifyWords& w, bool api = false, PassportExtResults ext = {})
{
    return DecodePassport(w, DrivePassport{}, PassportContext{api, ext});
}

TEST(IdentifyText, HighByteFirstBlanksOutOfRangeAndTrims)
{
    IdentifyWords w{};
    PutText(w, 27, 20, "  WDC{WD~800  ");
    EXPECT_EQ(IdentifyText(w, 27, 20), "WDC WD 800");
    w[10] = 0x0041; // NUL then 'A'
    EXPECT_EQ(IdentifyText(w, 10, 1), "A");
    IdentifyWords empty{};
    EXPECT_EQ(IdentifyText(empty, 10, 10), " ");
}

TEST(DecodePassport, RowsOfAPlainAtaDriveInOrder)
{
    IdentifyWords w = MakeIdentify("ST380011A", "5JV12345", "3.06", 156301488);
    w[82] = 1u << 0 | 1u << 10;          // SMART, HPA
    w[83] = 1u << 9 | 1u << 3;           // AAM, APM
    w[84] = 3;                           // error log, self-test
    w[85] = 1u << 0 | 1u << 5 | 1u << 6; // SMART on, write cache, look-ahead
    w[21] = 4096;
    w[88] = 0x3F; // UDMA 0..5
    w[94] = 0x80FE;
    w[91] = 0x0080;
    w[128] = 1u << 0 | 1u << 3; // supported, frozen
    w[89] = 56;
    DecodedPassport d = Decode(w);
    EXPECT_EQ(Labels(d), (std::vector<std::string>{
                             "Model:", "Firmware:", "Serial:", "Disk size:", "CHS:", "SMART:", "CACHE:",
                             "Support:", "AAM val:", "APM val:", "Erase:", "Security:", "Sector:"}));
    EXPECT_EQ(d.passport.Model, "ST380011A");
    EXPECT_EQ(d.passport.ModelFamily, 4);
    EXPECT_EQ(d.last_lba, 156301487);
    EXPECT_EQ(FindRow(d, "Disk size:")->value, "156301488 LBAs");
    EXPECT_EQ(FindRow(d, "Disk size:")->comment, "80 Gb");
    EXPECT_EQ(FindRow(d, "CHS:")->value, "16383/16/63");
    EXPECT_EQ(FindRow(d, "CHS:")->comment, "8063 Mb");
    EXPECT_EQ(FindRow(d, "SMART:")->value, "Enabled, Errlog, Selftest");
    EXPECT_EQ(FindRow(d, "CACHE:")->value, "2048k; L/A=ON; Wr=ON; ");
    EXPECT_EQ(FindRow(d, "CACHE:")->comment, "ok");
    EXPECT_EQ(FindRow(d, "Support:")->value, "LBA, HPA, AAM, APM, DMA");
    EXPECT_EQ(FindRow(d, "Support:")->comment, "UDMA-5");
    EXPECT_EQ(FindRow(d, "AAM val:")->comment, "Maximum");
    EXPECT_EQ(d.aam_display, "MAX");
    EXPECT_EQ(FindRow(d, "APM val:")->comment, "Minimum");
    EXPECT_EQ(FindRow(d, "Erase:")->value, "~ 1 hours 52 minutes");
    EXPECT_EQ(FindRow(d, "Security:")->value, "OFF, Frozen");
    EXPECT_EQ(FindRow(d, "Security:")->comment, "Frozen!");
    EXPECT_EQ(d.passport.ScanTimingBase, 5);
}

TEST(DecodePassport, SectorSizesFromWords117And106)
{
    IdentifyWords w = MakeIdentify("M", "S", "F", 1000);
    EXPECT_EQ(Decode(w).passport.SectorSize, 512u);
    w[117] = 2048;
    DecodedPassport big = Decode(w);
    EXPECT_EQ(big.passport.SectorSize, 4096u);
    EXPECT_EQ(big.passport.SectorsPerMb, 256u);
    w[117] = 0;
    w[106] = 0x6003;
    EXPECT_EQ(Decode(w).passport.PhysicalSectorSize, 4096u);
    EXPECT_EQ(FindRow(Decode(w), "Sector:")->comment, "Phys 4096");
    w[106] = 0xFFFF;
    EXPECT_EQ(Decode(w).passport.PhysicalSectorSize, 512u);
}

TEST(DecodePassport, SizeFallbacksAndMissingLba)
{
    IdentifyWords w = MakeIdentify("M", "S", "F", 0);
    DecodedPassport chs = Decode(w);
    EXPECT_EQ(chs.passport.LbaCount, 16383 * 16 * 63);

    Make48(w, 0x1'0000'0000ull);
    EXPECT_EQ(Decode(w).passport.LbaCount, 0x1'0000'0000ll);
    w[103] = 0xFFFF; // beyond 48-bit addressing: never a negative size
    EXPECT_EQ(Decode(w).passport.LbaCount, 0x1'0000'0000ll);

    IdentifyWords nolba = MakeIdentify("M", "S", "F", 5000);
    nolba[49] = 0;
    DecodedPassport d = Decode(nolba);
    EXPECT_EQ(d.last_lba, -1);
    EXPECT_EQ(FindRow(d, "Disk size:")->value, "LBA not supported");
    EXPECT_EQ(FindRow(d, "Support:")->value.substr(0, 3), "CHS");

    IdentifyWords zero{};
    zero[49] = 1u << 9;
    EXPECT_EQ(Decode(zero).last_lba, -1);
}

TEST(DecodePassport, SecurityStates)
{
    IdentifyWords w = MakeIdentify("M", "S", "F", 1000);
    EXPECT_EQ(FindRow(Decode(w), "Security:")->value, "Not supported");
    w[128] = 1u << 0 | 1u << 1 | 1u << 2 | 1u << 4 | 1u << 8;
    DecodedPassport d = Decode(w);
    EXPECT_EQ(FindRow(d, "Security:")->value, "ON, Max, Locked");
    EXPECT_EQ(FindRow(d, "Security:")->comment, "*Expired");
    EXPECT_TRUE(d.security_locked);
    EXPECT_TRUE(d.passport.SecurityLevelMax);
    w[128] = 1u << 0 | 1u << 1 | 1u << 3;
    EXPECT_EQ(FindRow(Decode(w), "Security:")->value, "ON, High, Unlocked, Frozen");
}

TEST(DecodePassport, SataAndAta8Texts)
{
    IdentifyWords w = MakeIdentify("M", "S", "F", 1000);
    w[76] = 1u << 2 | 1u << 8;
    w[169] = 1;
    w[206] = 1;
    w[119] = 1u << 4 | 1u << 1;
    DecodedPassport d = Decode(w);
    EXPECT_EQ(d.sata_text, "SATA2, TRIM, NCQ");
    EXPECT_EQ(FindRow(d, "ATA-8:")->value, "SATA2, TRIM, NCQ, SCT, SFDLM, W-R-V");
    IdentifyWords pata = MakeIdentify("M", "S", "F", 1000);
    pata[206] = 1;
    EXPECT_EQ(FindRow(Decode(pata), "ATA-8:")->value, "SCT");
    pata[206] = 0;
    EXPECT_EQ(FindRow(Decode(pata), "ATA-8:"), nullptr);
}

TEST(DecodePassport, RotationLamp)
{
    EXPECT_FALSE(RotationLampOf(0));
    EXPECT_FALSE(RotationLampOf(1024));
    EXPECT_FALSE(RotationLampOf(0xFFFF));
    EXPECT_TRUE(RotationLampOf(1)->ssd);
    EXPECT_EQ(RotationLampOf(5400)->lamp, form::Colour::Rgb(0, 255, 0));
    EXPECT_EQ(RotationLampOf(5401)->lamp, form::Colour::Rgb(0, 128, 255));
    EXPECT_EQ(RotationLampOf(7200)->text, "7200 rpm");
    EXPECT_EQ(RotationLampOf(15000)->lamp, form::Colour::Rgb(255, 128, 64));
}

TEST(DecodePassport, ExtendedCheckRows)
{
    IdentifyWords w = MakeIdentify("M", "S", "F", 1000000);
    w[82] = 1u << 10;
    PassportExtResults ext;
    ext.native_max = 1200000;
    ext.diag_passed = false;
    ext.power_count = 0xFF;
    ext.buffer_diag = BufferDiagResult{false, 0x55AB};
    DecodedPassport d = Decode(w, false, ext);
    ASSERT_NE(FindRow(d, "**Real:"), nullptr);
    EXPECT_EQ(FindRow(d, "**Real:")->value, "1200000 LBAs");
    EXPECT_EQ(d.passport.HpaTarget, 1000000);
    EXPECT_EQ(d.passport.HpaTrackStep, 3000);
    EXPECT_EQ(d.hpa_track_position, 400 - 200000 / 3000);
    EXPECT_EQ(FindRow(d, "Status:")->value, "*Failed");
    EXPECT_EQ(FindRow(d, "Spindle:")->value, "Active");
    EXPECT_EQ(FindRow(d, "Int-face:")->value, "INTERFACE FAILED!!!");
    EXPECT_EQ(FindRow(d, "Receive:")->value, "101010110101011");
    EXPECT_TRUE(d.interface_error);

    ext.native_max = -1; // the read timed out: no row
    DecodedPassport timeout = Decode(w, false, ext);
    EXPECT_EQ(FindRow(timeout, "**Real:"), nullptr);
    EXPECT_EQ(timeout.hpa_track_position, 400);
}

TEST(DecodePassport, NonAtaDriveUsesWhatAcquisitionFound)
{
    DrivePassport acquired;
    acquired.NonAta = true;
    acquired.Model = "Floppy disk";
    acquired.SectorSize = 512;
    acquired.LbaCount = 2880;
    acquired.Cylinders = 80;
    acquired.Heads = 2;
    acquired.SectorsPerTrack = 18;
    acquired.NonAtaFeatures = "Non ATA, Removable, FDD";
    acquired.InvalidGeometry = true;
    acquired.Removable = true;
    DecodedPassport d = DecodePassport(IdentifyWords{}, acquired, PassportContext{true, {}});
    EXPECT_EQ(Labels(d), (std::vector<std::string>{"Model:", "Disk size:", "CHS:", "Features:", "Sector:"}));
    EXPECT_EQ(d.passport.Serial, "unknown");
    EXPECT_EQ(FindRow(d, "Features:")->value, "Non ATA, Removable, FDD");
    EXPECT_EQ(FindRow(d, "Sector:")->comment, "Revice it!");
    EXPECT_EQ(FindRow(d, "CHS:")->comment, "1474 kb");
    EXPECT_EQ(d.last_lba, 2879);
    EXPECT_EQ(d.passport.ScanTimingBase, 18); // removable, small
}

TEST(ModelFamily, RulesInOrder)
{
    EXPECT_EQ(ModelFamilyOf("ST3500418AS", 0), 4);
    EXPECT_EQ(ModelFamilyOf("WDC WD800JB-00JJC0", 0), 5);
    EXPECT_EQ(ModelFamilyOf("HITACHI HTS541080G9AT00", 0), 2);
    EXPECT_EQ(ModelFamilyOf("Hitachi HDT721010SLA360", 0), 7);
    EXPECT_EQ(ModelFamilyOf("WDC WD800JB", 1), 15);
    EXPECT_EQ(ModelFamilyOf("FUJITSU MPG3204AT", 0), 14);
    EXPECT_EQ(ModelFamilyOf("FUJITSU MHV2080AT", 0), 1);
    EXPECT_EQ(ModelFamilyOf("IBM-DTLA-307030", 0), 13);
    EXPECT_EQ(ModelFamilyOf("Maxtor 6Y080L0", 0), 3);
    EXPECT_EQ(ModelFamilyOf("Conner CFS420A", 0), 9);
    EXPECT_EQ(ModelFamilyOf("QUANTUM FIREBALLlct20", 0), 10);
    EXPECT_EQ(ModelFamilyOf("Quantum FIREBALLP AS40.0", 0), 11);
    EXPECT_EQ(ModelFamilyOf("A-DATA", 0), 0);
}

TEST(ScanTimingBase, ByUdmaRemovableAndBigHpa)
{
    DrivePassport d;
    d.UdmaMode = 6;
    EXPECT_EQ(ScanTimingBaseOf(d, false), 4);
    d.UdmaMode = 0;
    EXPECT_EQ(ScanTimingBaseOf(d, false), 18);
    d.UdmaMode = -1;
    EXPECT_EQ(ScanTimingBaseOf(d, false), 5);
    d.HpaSupported = true;
    d.NativeLbaCount = 242000001;
    EXPECT_EQ(ScanTimingBaseOf(d, false), 3);
    d.Removable = true;
    d.LbaCount = 100000;
    d.HpaSupported = false;
    EXPECT_EQ(ScanTimingBaseOf(d, true), 12);
    EXPECT_EQ(ScanTimingBaseOf(d, false), 5);
}

TEST(Formatting, CapacityCompactSizesAndBinary)
{
    EXPECT_EQ(FormatCapacity(512, 1000), "512 kb");
    EXPECT_EQ(FormatCapacity(512, 2000), "1 Mb");
    EXPECT_EQ(FormatCapacity(512, 2000000), "1 Gb");
    EXPECT_EQ(FormatCapacity(512, 2000000000), "1.0 Tb");
    EXPECT_EQ(FormatSectorsCompact(0, 512, 2048), "0");
    EXPECT_EQ(FormatSectorsCompact(100, 512, 2048), "50k");
    EXPECT_EQ(FormatSectorsCompact(204800, 512, 2048), "100M");
    EXPECT_EQ(FormatSectorsCompact(2097152000, 512, 2048), "1000G");
    EXPECT_EQ(WordToBinary(0), "0");
    EXPECT_EQ(WordToBinary(0x55AA), "101010110101010");
    EXPECT_EQ(WordToBinary(0xFFFF), "1111111111111111");
}

TEST(PassportFileName, DropsForbiddenCharactersKeepsBlankSerial)
{
    EXPECT_EQ(PassportFileName("IC35L/080:AVVA07", "VNC"), "Passp_IC35L080AVVA07_VNC.bin");
    EXPECT_EQ(PassportFileName("Maxtor 6Y080L0", " "), "Passp_Maxtor 6Y080L0_ .bin");
    EXPECT_EQ(SanitizeFileName(std::string("a\x01*?<>|\"\\^`b\xC0", 13)), "ab\xC0");
}

TEST(PassportCellColour, RowsLabelsValuesAndComments)
{
    using namespace form::colours;
    EXPECT_EQ(PassportCellColour(2, 3, "Serial:", "X", ""), kNavy);
    EXPECT_EQ(PassportCellColour(3, 1, "Disk size:", "X", ""), kBlue);
    EXPECT_EQ(PassportCellColour(0, 1, "Model:", "X", ""), kNavy);
    EXPECT_EQ(PassportCellColour(0, 2, "Model:", "X", ""), kNavy);
    EXPECT_EQ(PassportCellColour(5, 3, "CACHE:", "X", "ok"), kGreen);
    EXPECT_EQ(PassportCellColour(5, 3, "CACHE:", "X", "!"), kRed);
    EXPECT_EQ(PassportCellColour(9, 3, "Sector:", "X", "Revice it!"), kRed);
    EXPECT_EQ(PassportCellColour(9, 3, "Sector:", "X", "Phys 512"), kTeal);
    EXPECT_EQ(PassportCellColour(4, 0, "CHS:", "1/1/1", ""), kBlack);
    EXPECT_EQ(PassportCellColour(4, 2, "CHS:", "1/1/1", ""), std::nullopt);
    EXPECT_EQ(PassportCellColour(8, 2, "AAM val:", "254", ""), kPurple);
    EXPECT_EQ(PassportCellColour(8, 2, "Security:", "OFF", ""), kGreen);
    EXPECT_EQ(PassportCellColour(8, 2, "Security:", "ON, High", ""), kRed);
    EXPECT_EQ(PassportCellColour(8, 2, "Spindle:", "Standby", ""), kRed);
    EXPECT_EQ(PassportCellColour(8, 2, "Int-face:", "Passed", ""), kGreen);
    EXPECT_EQ(PassportCellColour(8, 2, "Erase:", "~ 2 hours ", ""), kPurple);
}

} // namespace
} // namespace mrv
