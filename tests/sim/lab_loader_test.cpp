// Lab files: the shipped ones load, malformed ones are refused with the file,
// line and key named, and image files keep data across a restart.

#include "ata_host.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace mrv::sim::test
{
namespace
{

std::string LabPath(const std::string& name)
{
    return std::string(MRV_SOURCE_DIR) + "/labs/" + name;
}

TEST(LabLoader, ShippedLabsLoad)
{
    for (const char* name :
         {"default.ini", "bare.ini", "nonadmin.ini", "win64.ini", "win9x.ini", "no_driver.ini"}) {
        std::string error;
        auto lab = LoadLab(LabPath(name), error);
        EXPECT_TRUE(lab) << name << ": " << error;
    }
}

TEST(LabLoader, DefaultLabHasItsDrivesWhereTheProgramLooks)
{
    std::string error;
    auto lab = LoadLab(LabPath("default.ini"), error);
    ASSERT_TRUE(lab) << error;
    AtaDrive* hdd = lab->DriveAt(0x170, 0);
    AtaDrive* ssd = lab->DriveAt(0x1F0, 0);
    ASSERT_TRUE(hdd && ssd);
    EXPECT_FALSE(hdd->Config().ssd);
    EXPECT_EQ(hdd->Config().rpm, 7200);
    EXPECT_TRUE(ssd->Config().ssd);
    EXPECT_NE(lab->DriveAt(0xD400, 0), nullptr);
    EXPECT_EQ(lab->Ports().InByte(0x186), 1); // adaptor on the secondary channel
    EXPECT_EQ(lab->Ports().InByte(0x206), 0xFF);
    Host host(*lab, 0x170, 0x376);
    EXPECT_EQ(host.Identify().size(), 256u);
    EXPECT_TRUE(host.Read(1234567, 1).empty());
    EXPECT_EQ(host.Error(), 0x40);

    auto bare = LoadLab(LabPath("bare.ini"), error);
    ASSERT_TRUE(bare) << error;
    EXPECT_EQ(bare->Ports().InByte(0x186), 0xFF);
    EXPECT_EQ(bare->Pci().ReadConfig(0, 7, 1, 0), 0xFFFFFFFFu);
}

TEST(LabLoader, MalformedFilesNameFileLineAndKey)
{
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"[Drive d]\nSectors=abc\n", "<lab text>:2: [Drive d] Sectors: not a number: 'abc'"},
        {"[Drive d]\nSectros=100\n", "<lab text>:2: [Drive d] Sectros: unknown key"},
        {"[Drive d]\nRpm=99999\n", "<lab text>:2: [Drive d] Rpm: out of range"},
        {"[System]\nPlatform=7\n", "<lab text>:2: [System] Platform: expected a number of 0..2"},
        {"[System]\nClock=fast\n", "[System] Clock: expected virtual or real"},
        {"[Garage]\n", "<lab text>:1: [Garage]: unknown section"},
        {"[Channel Primary]\nMaster=nobody\n", "<lab text>:1: [Channel Primary]: no [Drive nobody] section"},
        {"[Channel X]\nMaster=\n", "a custom channel needs Base and Alt"},
        {"[Channel X]\nBase=ZZZ\nAlt=1\n", "[Channel X] Base: not a hexadecimal number: 'ZZZ'"},
        {"[Channel A]\nBase=1F0\nAlt=3F6\n[Channel Primary]\n", "ports overlap another channel"},
        {"Model=x\n", "<lab text>:1: Model: key outside any section"},
        {"[Drive d]\nModel\n", "<lab text>:2: expected key=value: Model"},
        {"[Drive d\n", "section header without ']'"},
        {"[Drive d]\n[Drive D]\n", "<lab text>:2: [Drive D]: section repeated (first at line 1)"},
        {"[Drive d]\nModel=a\nmodel=b\n", "<lab text>:3: [Drive d] model: key repeated (first at line 2)"},
        {"[Drive d]\nSectors=100\nUnreadable=5-2\n", "[Drive d] Unreadable: not an LBA or LBA range: '5-2'"},
        {"[Drive d]\nSectors=100\nUnreadable=500\n", "defect at LBA 500 lies beyond Sectors"},
        {"[Drive d]\nPending=7:30\n", "only slow sectors take ':milliseconds'"},
        {"[Drive d]\nAttr5=1,2,3\n", "[Drive d] Attr5: expected flags,value,worst,threshold,raw"},
        {"[Drive d]\nAttr300=1,2,3,4,5\n", "[Drive d] Attr300: attribute keys are Attr1..Attr255"},
        {"[Drive d]\nType=tape\n", "[Drive d] Type: expected hdd or ssd"},
        {"[Drive d]\nModel=x\nSectorSize=1000\n",
         "<lab text>:3: [Drive d] SectorSize: must be 512, 1024, 2048 or 4096"},
        {"[Drive d]\nLba48=0\n", "Sectors: more than 28-bit addressing reaches"},
        {"[Drive d]\nSerial=123456789012345678901\n", "[Drive d] Serial: longer than 20 characters"},
        {"[Drive a]\n[Drive b]\n[Channel Primary]\nMaster=a\n[Channel Secondary]\nMaster=a\n",
         "drive 'a' is already on channel Primary"},
        {"[PortAccess]\nRestrict=maybe\n", "[PortAccess] Restrict: expected ok or refuse"},
        {"[Pci a]\nBar7=1\n", "[Pci a] Bar7: unknown key"},
        {"[Pci a]\n[Pci b]\n", "same bus/device/function as [Pci a]"},
        {"[System]\nTime=25:00\n", "[System] Time: expected YYYY-MM-DD HH:MM[:SS] or HH:MM[:SS]"},
        // Typos that used to pass.
        {"[System]\nTime=2018-02-31 10:00\n", "<lab text>:2: [System] Time: expected"},
        {"[System]\nTime=2019-02-29 10:00\n", "<lab text>:2: [System] Time: expected"},
        {"[Drive a]\nOsNumber=1\n[Drive b]\nModel=x\nOsNumber=1\n",
         "<lab text>:5: [Drive b] OsNumber: physical drive 1 is already [Drive a] (line 2)"},
        {"[Drive a]\nOsLetter=F:removable\n[Drive b]\nOsLetter=f:cdrom\n",
         "<lab text>:4: [Drive b] OsLetter: letter F: is already given at line 2"},
        {"[System]\nEmptyLetters=E:cdrom,N:network,e:ramdisk\n",
         "<lab text>:2: [System] EmptyLetters: letter E: is already given at line 2"},
        {"[Drive a]\nOsLetter=G:removable\n[System]\nEmptyLetters=G:cdrom\n",
         "<lab text>:4: [System] EmptyLetters: letter G: is already given at line 2"},
        {"[Drive d]\nAttr5=1,2,3,4,5\nAttr05=1,2,3,4,5\n",
         "<lab text>:3: [Drive d] Attr05: key repeated (first at line 2)"},
        {"[Drive d]\rModel=a\rmodel=b\r", "<lab text>:3: [Drive d] model: key repeated (first at line 2)"},
        {"[Channel X]\nBase=FFF0\nAlt=3F6\nPowerAdaptor=1\n",
         "<lab text>:1: [Channel X]: ports run past FFFFh"},
    };
    for (const Case& c : cases) {
        std::string error;
        auto lab = LoadLabFromText(c.text, "", error);
        EXPECT_FALSE(lab) << c.text;
        EXPECT_NE(error.find(c.expected), std::string::npos) << "text: " << c.text << "\nerror: " << error;
    }
    std::string error;
    EXPECT_FALSE(LoadLab("/nonexistent/lab.ini", error));
    EXPECT_EQ(error, "/nonexistent/lab.ini: cannot open the lab file (not there)");
}

TEST(LabLoader, LineEndsAndAByteOrderMarkAsEditorsWriteThem)
{
    for (const char* text : {"\xEF\xBB\xBF[System]\nCpuMhz=1000\n", "[System]\r\nCpuMhz=1000\r\n",
                             "[System]\rCpuMhz=1000", "; old Mac file\r[System]\rCpuMhz=1000\r"}) {
        std::string error;
        auto lab = LoadLabFromText(text, "", error);
        ASSERT_TRUE(lab) << error;
        EXPECT_EQ(lab->Time().CpuMhz(), 1000u);
    }
    // Lines count the same whatever ends them.
    std::string error;
    EXPECT_FALSE(LoadLabFromText("\xEF\xBB\xBF[System]\rCpuMhz=x\r\n", "", error));
    EXPECT_NE(error.find("<lab text>:2: [System] CpuMhz"), std::string::npos) << error;
}

TEST(LabLoader, LargeLabsAreReadInLinearTime)
{
    // Every key compared with every other made such labs take minutes.
    // Processor time, so that a busy machine does not fail the test; the
    // sanitizers slow every step several times over, a quadratic reader by
    // far more (it took 150 s under ASan).
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    constexpr double kBudget = 15.0;
#else
    constexpr double kBudget = 1.0;
#endif
    std::string keys = "[Drive d]\n";
    for (int i = 0; i < 40000; ++i)
        keys += "Key" + std::to_string(i) + "=1\n";
    keys += "key17=2\n";
    std::string sections;
    for (int i = 0; i < 20000; ++i)
        sections += "[Drive d" + std::to_string(i) + "]\nModel=m\nSerial=s\n";
    auto seconds_since = [](std::clock_t start) {
        return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    };
    LabConfig config;
    std::string error;
    std::clock_t start = std::clock();
    EXPECT_FALSE(ParseLab(keys, "big.ini", "", config, error));
    EXPECT_LT(seconds_since(start), kBudget);
    EXPECT_EQ(error, "big.ini:40002: [Drive d] key17: key repeated (first at line 19)");
    start = std::clock();
    EXPECT_TRUE(ParseLab(sections, "many.ini", "", config, error)) << error;
    EXPECT_LT(seconds_since(start), kBudget);
    EXPECT_EQ(config.drives.size(), 20000u);
}

TEST(LabLoader, ImagesAndLabsThatAreNoFilesAreRefusedWithTheirLine)
{
    const auto dir =
        std::filesystem::temp_directory_path() / ("mrv_sim_fifo_test" + std::to_string(getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    std::string error;
    EXPECT_FALSE(LoadLab((dir / "pipe").string(), error));
    EXPECT_EQ(error, (dir / "pipe").string() + ": cannot open the lab file (a named pipe)");
    EXPECT_FALSE(LoadLabFromText("[Drive d]\nModel=x\n\nImage=pipe\n", dir.string(), error));
    EXPECT_EQ(error,
              "<lab text>:4: [Drive d] Image: image file '" + (dir / "pipe").string() + "' is a named pipe");
    EXPECT_FALSE(LoadLabFromText("[Drive d]\nImage=" + dir.string() + "\n", "", error));
    EXPECT_NE(error.find("<lab text>:2: [Drive d] Image: image file '" + dir.string() + "' is a directory"),
              std::string::npos)
        << error;
    std::filesystem::remove_all(dir);
}

TEST(LabLoader, KeysAreCaseInsensitiveAndCommentsIgnored)
{
    auto lab = MakeLab("; comment\n# another\n[system]\ncpumhz = 1000\n\n[channel primary]\nMASTER = D1\n"
                       "[drive d1]\ntype=SSD\nsectors=0x1000\n");
    ASSERT_TRUE(lab);
    EXPECT_EQ(lab->Time().CpuMhz(), 1000u);
    ASSERT_NE(lab->DriveAt(0x1F0, 0), nullptr);
    EXPECT_EQ(lab->DriveAt(0x1F0, 0)->NativeSectors(), 0x1000u);
}

TEST(LabLoader, ImageFileKeepsDataAcrossARestartOfTheLab)
{
    const auto dir = std::filesystem::temp_directory_path() / "mrv_sim_image_test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const auto lab_file = dir / "lab.ini";
    std::ofstream(lab_file) << "[Channel Primary]\nMaster=d\n[Drive d]\nSectors=100000\nImage=disk.img\n";
    const auto data = Pattern(512, 42);
    {
        std::string error;
        auto lab = LoadLab(lab_file.string(), error);
        ASSERT_TRUE(lab) << error;
        Host host(*lab, 0x1F0, 0x3F6);
        ASSERT_TRUE(host.Write(4321, data));
    }
    EXPECT_TRUE(std::filesystem::exists(dir / "disk.img"));
    {
        std::string error;
        auto lab = LoadLab(lab_file.string(), error);
        ASSERT_TRUE(lab) << error;
        Host host(*lab, 0x1F0, 0x3F6);
        EXPECT_EQ(host.Read(4321, 1), data);
        EXPECT_EQ(host.Read(4322, 1), std::vector<uint8_t>(512, 0));
    }
    std::filesystem::remove_all(dir);
}

TEST(LabLoader, UnopenableImageIsAnError)
{
    std::string error;
    auto lab = LoadLabFromText("[Drive d]\nImage=/nonexistent/dir/disk.img\n", "", error);
    EXPECT_FALSE(lab);
    EXPECT_NE(error.find("[Drive d] Image: cannot create image file"), std::string::npos) << error;
}

TEST(LabLoader, ClockOverrideAndStartTime)
{
    std::string error;
    LabOptions options;
    options.clock = ClockMode::Real;
    auto lab = LoadLabFromText("[System]\nClock=virtual\nTime=2020-02-29 03:00\n", "", error, options);
    ASSERT_TRUE(lab) << error;
    EXPECT_EQ(lab->Time().Mode(), ClockMode::Real);
    const LocalDateTime t = lab->GetClock().Now();
    EXPECT_EQ(t.year, 2020);
    EXPECT_EQ(t.month, 2);
    EXPECT_EQ(t.day, 29);
    EXPECT_EQ(t.hour, 3);
}

TEST(LabLoader, PollQuantumOfTheVirtualClock)
{
    std::string error;
    auto lab = LoadLabFromText("[System]\nPollUs=20\n", "", error);
    ASSERT_TRUE(lab) << error;
    const uint64_t t0 = lab->Time().PeekNs();
    lab->GetClock().TickCountMs();
    EXPECT_EQ(lab->Time().PeekNs() - t0, 20000u);
    EXPECT_FALSE(LoadLabFromText("[System]\nPollUs=0\n", "", error));
    EXPECT_FALSE(LoadLabFromText("[System]\nPollUs=1001\n", "", error));
}

} // namespace
} // namespace mrv::sim::test
