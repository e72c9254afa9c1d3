// SMART and the security feature set through the task-file ports.

#include "ata_host.h"

namespace mrv::sim::test
{
namespace
{

const char* kLab = R"(
[Channel Secondary]
Master=hdd
[Drive hdd]
Sectors=4000000
Temperature=33
Spares=100
ShortTestMinutes=2
ExtendedTestMinutes=60
OfflineSeconds=300
EraseMinutes=10
Pending=3000000-3000001
Attr5=0x0033,100,100,97,0
Attr194=0x0022,33,40,0,33
Attr197=0x0012,100,100,0,0
)";

class SmartAndSecurity : public HostedDriveTest
{
  protected:
    SmartAndSecurity() : HostedDriveTest(kLab) {}
    std::vector<uint8_t> SmartBlock(uint8_t features, uint8_t lba_low = 0, uint8_t count = 0)
    {
        host->Smart(features, count, lba_low);
        if (!host->WaitDrq()) return {};
        auto b = host->ReadBlock();
        host->WaitNotBusy();
        return b;
    }
    bool SmartCommand(uint8_t features, uint8_t count = 0, uint8_t lba_low = 0)
    {
        host->Smart(features, count, lba_low);
        return host->WaitNotBusy(200 * 60 * 1000) && (host->Status() & 0x01) == 0;
    }
    const uint8_t* Attribute(const std::vector<uint8_t>& block, uint8_t id)
    {
        for (int i = 0; i < 30; ++i)
            if (block[2 + 12 * i] == id) return &block[2 + 12 * i];
        return nullptr;
    }
    static bool ChecksumOk(const std::vector<uint8_t>& b)
    {
        uint8_t sum = 0;
        for (uint8_t v : b)
            sum = static_cast<uint8_t>(sum + v);
        return sum == 0;
    }
    /// A password block: control word, then the password bytes.
    static std::vector<uint8_t> Block(const std::string& password, bool master, bool max)
    {
        std::vector<uint8_t> b(512, 0);
        b[0] = master ? 1 : 0;
        b[1] = max ? 1 : 0;
        std::copy(password.begin(), password.end(), b.begin() + 2);
        return b;
    }
    bool Security(uint8_t command, const std::vector<uint8_t>& block)
    {
        host->Task28(command, 0, 1, 0, 0xA0);
        if (!host->WaitDrq()) return false;
        host->WriteBlock(block);
        return host->WaitNotBusy(1000000) && (host->Status() & 0x01) == 0;
    }
    uint16_t Word128() { return host->Identify()[128]; }
};

TEST_F(SmartAndSecurity, ReadDataAndThresholdsCarryTheTableWithChecksums)
{
    const auto data = SmartBlock(0xD0);
    ASSERT_EQ(data.size(), 512u);
    EXPECT_TRUE(ChecksumOk(data));
    const uint8_t* t = Attribute(data, 194);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t[5], 33); // temperature in the first raw byte
    const uint8_t* pending = Attribute(data, 197);
    ASSERT_NE(pending, nullptr);
    EXPECT_EQ(pending[5], 2);
    EXPECT_EQ(data[372], 2);
    EXPECT_EQ(data[373], 60);
    EXPECT_EQ(data[364] | data[365] << 8, 300);
    const auto thr = SmartBlock(0xD1);
    ASSERT_EQ(thr.size(), 512u);
    EXPECT_TRUE(ChecksumOk(thr));
    EXPECT_EQ(thr[2], 5);
    EXPECT_EQ(thr[3], 97);
}

TEST_F(SmartAndSecurity, CountersFollowTheDrivesLife)
{
    for (uint64_t lba : {3000000ull, 3000001ull})
        ASSERT_TRUE(host->Write(lba, Pattern(512, 1)));
    const auto data = SmartBlock(0xD0);
    EXPECT_EQ(Attribute(data, 5)[5], 2);
    EXPECT_EQ(Attribute(data, 5)[3], 98);
    EXPECT_EQ(Attribute(data, 197)[5], 0);
    lab->Time().Advance(3600ull * 1000000000ull); // an hour of spinning warms it
    const auto warm = SmartBlock(0xD0);
    EXPECT_GT(Attribute(warm, 194)[5], 33);
}

TEST(LabSmartTable, GivenRawValuesAreKeptAndMoveOnlyByTheDrivesLife)
{
    // A real drive's table: vendor bytes above the hour counter, the
    // temperature's minimum and maximum, pending sectors the lab does not list.
    auto lab = MakeLab("[Channel Secondary]\nMaster=d\n[Drive d]\nSectors=100000\nTemperature=40\n"
                       "PowerOnHours=5\nAttr9=0x0032,90,90,0,20015990627815\n"
                       "Attr194=0x0022,40,55,0,193274511400\nAttr197=0x0012,100,100,0,16\n");
    ASSERT_TRUE(lab);
    Host host(*lab, 0x170, 0x376);
    auto raw = [&host](uint8_t id) -> uint64_t {
        host.Smart(0xD0, 0, 0);
        EXPECT_TRUE(host.WaitDrq());
        const auto block = host.ReadBlock();
        host.WaitNotBusy();
        for (int i = 0; i < 30; ++i) {
            if (block[2 + 12 * i] != id) continue;
            uint64_t value = 0;
            for (int b = 5; b >= 0; --b)
                value = value << 8 | block[2 + 12 * i + 5 + b];
            return value;
        }
        return ~0ull;
    };
    EXPECT_EQ(raw(9), 20015990627815ull);
    EXPECT_EQ(raw(194), 193274511400ull);
    EXPECT_EQ(raw(197), 16u);
    lab->Time().Advance(3600ull * 1000000000ull); // an hour of spinning
    EXPECT_EQ(raw(9), 20015990627816ull);
    const uint64_t warm = raw(194);
    EXPECT_EQ(warm >> 16, 193274511400ull >> 16); // minimum and maximum as given
    EXPECT_GT(warm & 0xFFFF, 40u);
    EXPECT_EQ(raw(197), 16u);
}

TEST_F(SmartAndSecurity, ReturnStatusTurnsBadWhenAnAttributeReachesItsThreshold)
{
    ASSERT_TRUE(SmartCommand(0xDA));
    EXPECT_EQ(host->Reg(4), 0x4F);
    EXPECT_EQ(host->Reg(5), 0xC2);
    // Two reallocations of 100 spares bring attribute 5 to 98, still above its threshold of 97.
    ASSERT_TRUE(host->Write(3000000, Pattern(512, 1)));
    ASSERT_TRUE(host->Write(3000001, Pattern(512, 1)));
    ASSERT_TRUE(SmartCommand(0xDA));
    EXPECT_EQ(host->Reg(4), 0x4F);
    auto bad = MakeLab("[Channel Primary]\nMaster=d\n[Drive d]\nSectors=1000\nAttr5=0x33,36,36,36,1000\n");
    Host h(*bad, 0x1F0, 0x3F6);
    h.Smart(0xDA);
    ASSERT_TRUE(h.WaitNotBusy());
    EXPECT_EQ(h.Reg(4), 0xF4);
    EXPECT_EQ(h.Reg(5), 0x2C);
}

TEST_F(SmartAndSecurity, DisabledSmartAbortsAllButEnableAndShowsInWord85)
{
    ASSERT_TRUE(SmartCommand(0xD9));
    EXPECT_EQ(host->Identify()[85] & 1, 0);
    EXPECT_FALSE(SmartCommand(0xDA));
    EXPECT_EQ(host->Error(), 0x04);
    EXPECT_TRUE(SmartBlock(0xD0).empty());
    ASSERT_TRUE(SmartCommand(0xD8));
    EXPECT_EQ(host->Identify()[85] & 1, 1);
    // Without the signature the command is refused.
    host->Task28(0xB0, 0, 0, 0xDA, 0xA0);
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(host->Error(), 0x04);
    EXPECT_TRUE(SmartCommand(0xD2, 0xF1));
    EXPECT_FALSE(SmartCommand(0xD2, 0x33));
}

TEST_F(SmartAndSecurity, OfflineShortTestRunsOverTimeAndIsLogged)
{
    ASSERT_TRUE(SmartCommand(0xD4, 0, 0x01));
    EXPECT_EQ(SmartBlock(0xD0)[363], 0xF9);
    lab->Time().Advance(61ull * 1000000000ull);
    const uint8_t half = SmartBlock(0xD0)[363];
    EXPECT_EQ(half & 0xF0, 0xF0);
    EXPECT_LE(half & 0x0F, 5);
    EXPECT_FALSE(SmartCommand(0xD4, 0, 0x02)); // one routine at a time
    lab->Time().Advance(60ull * 1000000000ull);
    EXPECT_EQ(SmartBlock(0xD0)[363], 0x00);
    const auto log = SmartBlock(0xD5, 0x06, 1);
    ASSERT_EQ(log.size(), 512u);
    EXPECT_TRUE(ChecksumOk(log));
    EXPECT_EQ(log[2], 0x01);
    EXPECT_EQ(log[3], 0x00);
    EXPECT_EQ(log[508], 1);
}

TEST_F(SmartAndSecurity, ExtendedTestStopsAtABadSectorAndAbortIsRecorded)
{
    ASSERT_TRUE(SmartCommand(0xD4, 0, 0x02));
    lab->Time().Advance(61ull * 60 * 1000000000ull);
    EXPECT_EQ(SmartBlock(0xD0)[363] >> 4, 7); // read failure
    const auto log = SmartBlock(0xD5, 0x06, 1);
    EXPECT_EQ(log[5 + 2] | log[6 + 2] << 8 | log[7 + 2] << 16, 3000000);
    ASSERT_TRUE(SmartCommand(0xD4, 0, 0x01));
    ASSERT_TRUE(SmartCommand(0xD4, 0, 0x7F));
    EXPECT_EQ(SmartBlock(0xD0)[363] >> 4, 1);
    EXPECT_FALSE(SmartCommand(0xD4, 0, 0x05)); // reserved
    ASSERT_TRUE(SmartCommand(0xD4, 0, 0x40));  // vendor off-line value
    EXPECT_FALSE(SmartCommand(0xD4, 0, 0x00)); // busy with it
    ASSERT_TRUE(SmartCommand(0xD4, 0, 0x7F));
    ASSERT_TRUE(SmartCommand(0xD4, 0, 0x00)); // off-line data collection
    EXPECT_EQ(SmartBlock(0xD0)[362], 0x03);
    lab->Time().Advance(301ull * 1000000000ull);
    EXPECT_EQ(SmartBlock(0xD0)[362], 0x02);
}

TEST_F(SmartAndSecurity, CaptiveTestHoldsBusyUntilItEnds)
{
    const uint64_t t0 = lab->Time().PeekNs();
    host->Smart(0xD4, 0, 0x81);
    EXPECT_EQ(host->AltStatus() & 0x80, 0x80);
    ASSERT_TRUE(host->WaitNotBusy(10 * 60 * 1000));
    EXPECT_GE(lab->Time().PeekNs() - t0, 120ull * 1000000000ull);
    EXPECT_EQ(host->Status() & 0x01, 0);
    // A software reset interrupts a captive test.
    host->Smart(0xD4, 0, 0x82);
    host->SoftReset();
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(SmartBlock(0xD0)[363] >> 4, 2);
}

TEST_F(SmartAndSecurity, PasswordLocksAtPowerOnAndUnlockOpensTheMedium)
{
    ASSERT_TRUE(Security(0xF1, Block("secret", false, false)));
    EXPECT_EQ(Word128() & 0x0106, 0x0002); // enabled, unlocked, high
    EXPECT_EQ(host->Read(5, 1).size(), 512u);
    lab->PowerCycle();
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(Word128() & 0x0006, 0x0006);
    EXPECT_TRUE(host->Read(5, 1).empty());
    EXPECT_EQ(host->Error(), 0x04);
    EXPECT_FALSE(host->Write(5, Pattern(512, 1)));
    EXPECT_FALSE(Security(0xF2, Block("wrong", false, false)));
    // The master password unlocks at level high.
    EXPECT_TRUE(Security(0xF2, Block(std::string(32, ' '), true, false)));
    EXPECT_EQ(host->Read(5, 1).size(), 512u);
    EXPECT_TRUE(Security(0xF6, Block("secret", false, false)));
    EXPECT_EQ(Word128() & 0x0006, 0);
}

TEST_F(SmartAndSecurity, FiveWrongPasswordsExpireTheCounter)
{
    ASSERT_TRUE(Security(0xF1, Block("secret", false, true)));
    lab->PowerCycle();
    ASSERT_TRUE(host->WaitNotBusy());
    // At level maximum the master password does not unlock.
    EXPECT_FALSE(Security(0xF2, Block(std::string(32, ' '), true, false)));
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(Security(0xF2, Block("bad", false, false)));
    EXPECT_NE(Word128() & 0x0010, 0);
    host->Task28(0xF2, 0, 1, 0, 0xA0); // refused before its data phase now
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(host->Status() & 0x09, 0x01);
    lab->PowerCycle();
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(Word128() & 0x0010, 0);
    EXPECT_TRUE(Security(0xF2, Block("secret", false, false)));
}

TEST_F(SmartAndSecurity, FrozenDriveRefusesSecurityCommands)
{
    host->Task28(0xF5, 0, 0, 0, 0xA0);
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(Word128() & 0x0008, 0x0008);
    host->Task28(0xF1, 0, 1, 0, 0xA0);
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(host->Error(), 0x04);
    host->Task28(0xF3, 0, 0, 0, 0xA0);
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(host->Error(), 0x04);
}

TEST_F(SmartAndSecurity, SecurityEraseZerosTheMediumAndDisablesSecurity)
{
    ASSERT_TRUE(host->Write(77, Pattern(512, 9)));
    ASSERT_TRUE(Security(0xF1, Block("zqpk", true, true)));
    ASSERT_TRUE(Security(0xF1, Block("zqpk", false, true)));
    // ERASE UNIT without a preparation right before it is refused.
    host->Task28(0xF4, 0, 1, 0, 0xA0);
    ASSERT_TRUE(host->WaitNotBusy());
    EXPECT_EQ(host->Error(), 0x04);
    // Enhanced erase is not offered.
    host->Task28(0xF3, 0, 0, 0, 0xA0);
    ASSERT_TRUE(host->WaitNotBusy());
    auto enhanced = Block("zqpk", true, true);
    enhanced[0] |= 0x02;
    EXPECT_FALSE(Security(0xF4, enhanced));
    EXPECT_EQ(host->Read(77, 1), Pattern(512, 9));
    host->Task28(0xF3, 0, 0, 0, 0xA0);
    ASSERT_TRUE(host->WaitNotBusy());
    const uint64_t t0 = lab->Time().PeekNs();
    host->Task28(0xF4, 0, 1, 0, 0xA0);
    ASSERT_TRUE(host->WaitDrq());
    host->WriteBlock(Block("zqpk", true, true));
    EXPECT_EQ(host->AltStatus() & 0x80, 0x80);
    host->SoftReset(); // the erase goes on regardless
    ASSERT_TRUE(host->WaitNotBusy(20 * 60 * 1000));
    EXPECT_GE(lab->Time().PeekNs() - t0, 10ull * 60 * 1000000000ull);
    EXPECT_EQ(host->Read(77, 1), std::vector<uint8_t>(512, 0));
    EXPECT_EQ(Word128() & 0x0002, 0);
    EXPECT_EQ(drive->Live().pending, 0u);
}

} // namespace
} // namespace mrv::sim::test
