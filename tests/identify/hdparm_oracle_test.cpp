// hdparm decodes the same 256 words: where it is installed, our decoding must
// agree with it on identity, size, sector sizes, rotation and feature bits.

#include "identify/passport_rows.h"
#include "identify_builder.h"
#include "sim/lab_loader.h"
#include "sim/lab_pc.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace mrv
{
namespace
{

namespace fs = std::filesystem;

std::string HdparmPath()
{
    for (const char* path : {"/usr/sbin/hdparm", "/sbin/hdparm", "/usr/bin/hdparm"})
        if (fs::exists(path)) return path;
    return {};
}

/// hdparm's report of a word block (the --Istdout hex format on its input).
std::string HdparmReport(const std::string& hdparm, const IdentifyWords& w, const std::string& tag)
{
    fs::path dir = fs::temp_directory_path();
    fs::path in = dir / ("mrv_passport_" + tag + ".hex");
    fs::path out = dir / ("mrv_passport_" + tag + ".txt");
    {
        std::ofstream f(in);
        char word[8];
        for (size_t i = 0; i < w.size(); ++i) {
            std::snprintf(word, sizeof word, "%04x", w[i]);
            f << word << ((i % 8 == 7) ? "\n" : " ");
        }
    }
    std::string command = hdparm + " --Istdin < \"" + in.string() + "\" > \"" + out.string() + "\" 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream f(out);
    std::stringstream text;
    text << f.rdbuf();
    fs::remove(in);
    fs::remove(out);
    return text.str();
}

/// The trimmed text after `key` on its line; empty when absent.
std::string Field(const std::string& report, const std::string& key)
{
    size_t at = report.find(key);
    if (at == std::string::npos) return {};
    at += key.size();
    std::string value = report.substr(at, report.find('\n', at) - at);
    size_t b = value.find_first_not_of(" \t"), e = value.find_last_not_of(" \t");
    return b == std::string::npos ? std::string() : value.substr(b, e - b + 1);
}

/// "*" (enabled), " " (supported) or "" (absent) in the feature table.
std::string Feature(const std::string& report, const std::string& name)
{
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);) {
        if (line.size() > name.size() && line.compare(line.size() - name.size(), name.size(), name) == 0 &&
            line.find("\t   ") == 0)
            return line.find('*') != std::string::npos ? "*" : " ";
    }
    return "";
}

void ExpectAgreement(const std::string& hdparm, const IdentifyWords& w, const std::string& tag)
{
    SCOPED_TRACE(tag);
    std::string r = HdparmReport(hdparm, w, tag);
    DecodedPassport d = DecodePassport(w, DrivePassport{}, PassportContext{});
    const DrivePassport& p = d.passport;

    EXPECT_EQ(Field(r, "Model Number:"), p.Model);
    EXPECT_EQ(Field(r, "Serial Number:"), p.Serial);
    EXPECT_EQ(Field(r, "Firmware Revision:"), p.Firmware);
    const char* count_key =
        p.Lba48Supported ? "LBA48  user addressable sectors:" : "LBA    user addressable sectors:";
    EXPECT_EQ(Field(r, count_key), std::to_string(p.LbaCount));
    EXPECT_EQ(Feature(r, "48-bit Address feature set") != "", p.Lba48Supported);
    // hdparm shows sector sizes only when word 106 is valid.
    std::string logical = Field(r, "Logical  Sector size:");
    if (!logical.empty()) {
        EXPECT_EQ(logical, std::to_string(p.SectorSize) + " bytes");
    }
    std::string physical = Field(r, "Physical Sector size:");
    if (!physical.empty()) {
        EXPECT_EQ(physical, std::to_string(p.PhysicalSectorSize) + " bytes");
    }
    if (p.RotationRate == 1) {
        EXPECT_NE(r.find("Solid State Device"), std::string::npos);
    } else if (p.RotationRate >= 0x401 && p.RotationRate != 0xFFFF) {
        EXPECT_EQ(Field(r, "Nominal Media Rotation Rate:"), std::to_string(p.RotationRate));
    }

    EXPECT_EQ(Feature(r, "SMART feature set"), p.SmartSupported ? (p.SmartEnabled ? "*" : " ") : "");
    EXPECT_EQ(Feature(r, "Host Protected Area feature set") != "", p.HpaSupported);
    EXPECT_EQ(Feature(r, "Automatic Acoustic Management feature set") != "", p.AamSupported);
    EXPECT_EQ(Feature(r, "Advanced Power Management feature set") != "", p.ApmSupported);
    if (p.AamSupported) {
        std::string aam = Field(r, "Recommended acoustic management value:");
        EXPECT_EQ(aam.substr(aam.rfind(' ') + 1), std::to_string(p.AamValue));
    }
    if (p.ApmSupported && WordBit(w, 86, 3)) {
        EXPECT_EQ(Field(r, "Advanced power management level:"), std::to_string(p.ApmValue));
    }

    size_t security = r.find("Security:");
    if (p.SecuritySupported && security != std::string::npos) {
        std::string s = r.substr(security, r.find("\n\t\n", security) - security);
        EXPECT_EQ(s.find("\t\tenabled") != std::string::npos, p.SecurityEnabled);
        EXPECT_EQ(s.find("\t\tlocked") != std::string::npos, p.SecurityLocked);
        EXPECT_EQ(s.find("\t\tfrozen") != std::string::npos, p.SecurityFrozen);
        EXPECT_EQ(s.find("\t\texpired") != std::string::npos, p.SecurityExpired);
    }
}

IdentifyWords Valid(IdentifyWords w)
{
    w[0] = 0x0040;
    w[80] = 0x01F0;  // ATA-8 .. ATA-4
    w[83] |= 0x4000; // words 82–87 valid
    w[84] |= 0x4000;
    w[87] |= 0x4000;
    w[86] |= w[83] & 0x0FFF;
    if (w[106]) w[106] = static_cast<uint16_t>((w[106] & 0x3FFF) | 0x4000);
    return w;
}

TEST(HdparmOracle, BuiltBlocksDecodeAlike)
{
    std::string hdparm = HdparmPath();
    if (hdparm.empty()) GTEST_SKIP() << "hdparm is not installed; the peer comparison is skipped";

    IdentifyWords plain = test::MakeIdentify("Maxtor 6Y080L0", "Y2ABCDEF", "YAR41BW0", 160086528);
    plain[82] = 1u << 0 | 1u << 10;
    plain[85] = 1u << 0;
    ExpectAgreement(hdparm, Valid(plain), "plain");

    IdentifyWords big = test::MakeIdentify("ST4000DM000-1F2168", "Z300ABCD", "CC54", 0x0FFFFFFF);
    test::Make48(big, 7814037168ull);
    big[82] = 1u << 0 | 1u << 1 | 1u << 3 | 1u << 10;
    big[83] |= 1u << 9 | 1u << 3;
    big[86] = 1u << 9 | 1u << 3;
    big[85] = 1u << 0 | 1u << 5 | 1u << 6;
    big[94] = 0x80FE;
    big[91] = 0x0080;
    big[106] = 0x6003;
    big[217] = 5900;
    big[128] = 1u << 0 | 1u << 1 | 1u << 2 | 1u << 3 | 1u << 8;
    big[89] = 300;
    ExpectAgreement(hdparm, Valid(big), "big");

    IdentifyWords ssd = test::MakeIdentify("MORVANTA SSD 120GB", "MVS0120A0001", "SVT01B6Q", 234441648);
    test::Make48(ssd, 234441648);
    ssd[217] = 1;
    ssd[117] = 2048; // 4096-byte logical sectors
    ssd[106] = 0x1000;
    ExpectAgreement(hdparm, Valid(ssd), "ssd");
}

TEST(HdparmOracle, LabDrivesDecodeAlike)
{
    std::string hdparm = HdparmPath();
    if (hdparm.empty()) GTEST_SKIP() << "hdparm is not installed; the peer comparison is skipped";
    std::string error;
    auto lab = sim::LoadLab(std::string(MRV_SOURCE_DIR) + "/labs/default.ini", error);
    ASSERT_TRUE(lab) << error;
    for (const auto& drive : lab->Drives()) {
        IdentifyWords w{};
        drive->BuildIdentify(w.data());
        ExpectAgreement(hdparm, w, "lab");
    }
}

} // namespace
} // namespace mrv
