// Lock, Unlock and Erase on the virtual PC: in PIO mode, over a USB bridge and
// over a SATA port of a Linux system; the drive's state and data are read
// back from the emulated drive itself.

#include "config/security_manager.h"
#include "pio/pio_fixture.h"
#include "sim/ata_drive.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>

namespace mrv::test
{
namespace
{

const char* kPioLab = R"(
[Channel Secondary]
Master=hdd
PowerAdaptor=1
[Drive hdd]
Model=LAB SECURE DISK
Serial=SEC0001
Sectors=400000
EraseMinutes=4
)";

std::string ApiLab(const std::string& via, int number, bool linux_system)
{
    return std::string("[System]\n") + (linux_system ? "Kernel=Linux 6.1.0 x64\n" : "") +
           "[PortAccess]\nDriverFile=0\nRestrict=refuse\n[Channel Secondary]\nMaster=hdd\n[Drive "
           "hdd]\nModel=LAB SECURE "
           "DISK\nSerial=SEC0002\nSectors=400000\nEraseMinutes=4\nOsNumber=" +
           std::to_string(number) + "\nOsVia=" + via + "\n";
}

class SecurityTest : public ::testing::Test
{
  protected:
    void Open(const std::string& lab_text)
    {
        lab = std::make_unique<LabProgram>(lab_text);
        ASSERT_TRUE(lab->lab);
        drive = lab->lab->Drives().front().get();
    }
    /// A lab in API mode, with physical drive `number` chosen.
    void OpenApi(const std::string& via, int number, bool linux_system)
    {
        Open(ApiLab(via, number, linux_system));
        ASSERT_EQ(lab->p().state.access_mode, AccessMode::Api);
        lab->p().state.ApiDeviceIndex = number;
    }
    TFm& fm() { return lab->fm(); }
    ScriptedDialogs& dialogs() { return lab->fixture->dialogs; }
    sim::SecurityModel& security() { return drive->Security(); }
    void PowerCycle()
    {
        lab->lab->PowerCycle();
        lab->fixture->Run(5000);
    }
    /// LBA 0 as the program reads it in PIO mode; empty when the drive refuses.
    std::vector<uint8_t> ReadFirstSector()
    {
        std::vector<uint8_t> data(512);
        AtaCommand read = AtaCommand::Lba28(1, 0x20, 0);
        read.protocol = AtaProtocol::PioIn;
        read.data = data.data();
        read.data_length = data.size();
        if (!lab->p().routes.pio.Execute(read).Ok()) return {};
        return data;
    }
    void Fill(uint8_t value)
    {
        std::vector<uint8_t> sector(512, value);
        for (uint64_t lba : {0ull, 1234ull, 399999ull})
            drive->Media().Write(lba, sector.data());
    }
    bool AllZero()
    {
        for (uint64_t lba : {0ull, 1234ull, 399999ull}) {
            const uint8_t* s = drive->Media().Sector(lba);
            if (s != nullptr && std::any_of(s, s + 512, [](uint8_t b) { return b != 0; })) return false;
        }
        return true;
    }
    bool CommandSent(uint8_t command)
    {
        const std::vector<uint32_t> writes = lab->bus->WritesTo(0x177);
        return std::find(writes.begin(), writes.end(), command) != writes.end();
    }
    std::vector<std::string> TextsSince(size_t from)
    {
        std::vector<std::string> out;
        for (const LogEntry& e : lab->LogSince(from))
            out.push_back(e.text);
        return out;
    }

    std::unique_ptr<LabProgram> lab;
    sim::AtaDrive* drive = nullptr;
};

TEST_F(SecurityTest, PioLockLocksAtPowerOnAndUnlockOpensAndRemovesThePassword)
{
    Open(kPioLab);
    Fill(0x5A);
    fm().PwdEdit.SetText("abc");
    fm().LockBtn.Click();
    EXPECT_TRUE(lab->Logged("Send password: \"abc\". Type: USER, level: HIGH"));
    EXPECT_TRUE(lab->Logged("Password sended to drive."));
    EXPECT_TRUE(security().Enabled());
    EXPECT_FALSE(security().Locked());
    EXPECT_TRUE(dialogs().asked.empty()); // PIO Lock asks nothing

    PowerCycle();
    EXPECT_TRUE(security().Locked());
    EXPECT_TRUE(ReadFirstSector().empty());

    const size_t from = lab->LogSize();
    fm().UnlockBtn.Click();
    const std::vector<std::string> texts = TextsSince(from);
    for (const char* line : {"Unlocking HDD", "Unlock complete.", "PWD removing complete."})
        EXPECT_NE(std::find(texts.begin(), texts.end(), line), texts.end()) << line;
    EXPECT_FALSE(security().Enabled());
    EXPECT_EQ(ReadFirstSector(), std::vector<uint8_t>(512, 0x5A));
}

TEST_F(SecurityTest, FiveWrongPasswordsEndInExpiredAndTheSixthIsRefusedToo)
{
    Open(kPioLab);
    fm().PwdEdit.SetText("right");
    fm().LockBtn.Click();
    PowerCycle();
    fm().PwdEdit.SetText("wrong");
    for (int i = 0; i < 4; ++i) {
        fm().UnlockBtn.Click();
        EXPECT_TRUE(lab->Logged("Error after DISPWD"));
        EXPECT_FALSE(lab->Logged("attempts EXPIRED"));
    }
    fm().UnlockBtn.Click();
    EXPECT_TRUE(lab->Logged("Error after DISPWD: attempts EXPIRED"));
    // Even the right password is refused until the next power-on.
    fm().PwdEdit.SetText("right");
    fm().UnlockBtn.Click();
    EXPECT_TRUE(security().Locked());
    PowerCycle();
    fm().UnlockBtn.Click();
    EXPECT_FALSE(security().Locked());
    EXPECT_FALSE(security().Enabled());
}

TEST_F(SecurityTest, MasterAtMaximumNeverSendsUnlockButOffersTheErase)
{
    Open(kPioLab);
    fm().PwdLevGrp.SetItemIndex(1);
    fm().LockBtn.Click();
    ASSERT_TRUE(security().LevelMax());
    PowerCycle();
    fm().PwdTypeGrp.SetItemIndex(0);
    EXPECT_FALSE(fm().PwdLevGrp.Enabled());
    lab->bus->Clear();
    dialogs().yes_no_answers = {false};
    fm().UnlockBtn.Click();
    ASSERT_EQ(dialogs().asked.size(), 1u);
    EXPECT_NE(
        dialogs().asked[0].find("Security level = MAXIMUM\r\nNeed security erase. User data will be lost!"),
        std::string::npos);
    EXPECT_FALSE(CommandSent(0xF2));
    EXPECT_FALSE(CommandSent(0xF4));
    EXPECT_FALSE(lab->Logged("Unlocking HDD"));
    EXPECT_TRUE(security().Locked());
}

TEST_F(SecurityTest, EraseSequenceZerosTheDriveAndRestoresTheControls)
{
    Open(kPioLab);
    Fill(0x77);
    fm().PwdEdit.SetText("mine");
    fm().PwdTypeGrp.SetItemIndex(1);
    fm().PwdLevGrp.SetItemIndex(0);
    fm().EraseBeepChk.SetChecked(true);
    dialogs().yes_no_answers = {true};
    fm().PwdEraseBtn.Click();
    EXPECT_TRUE(lab->Logged("Send password: \"zqpk\". Type: MASTER"));
    EXPECT_TRUE(lab->Logged("Send password: \"zqpk\". Type: USER, level: MAXIMUM"));
    EXPECT_TRUE(lab->Logged("HDD Erase Prepare"));
    EXPECT_TRUE(lab->Logged("Starting security ERASE, ~4 min."));
    EXPECT_TRUE(lab->Logged("Security ERASE done"));
    EXPECT_TRUE(AllZero());
    EXPECT_FALSE(security().Enabled());
    EXPECT_FALSE(fm().EraseBeepChk.Checked());
    EXPECT_EQ(fm().PwdEdit.Text(), "mine");
    EXPECT_EQ(fm().PwdTypeGrp.ItemIndex(), 1);
    EXPECT_EQ(fm().PwdLevGrp.ItemIndex(), 0);
}

TEST_F(SecurityTest, EraseThatFailsStillRestoresTheControlsAndIsNotReportedDone)
{
    Open(std::string(kPioLab) + "Security=0\n");
    fm().PwdEdit.SetText("file: nowhere.bin");
    fm().PwdTypeGrp.SetItemIndex(0);
    fm().PwdLevGrp.SetItemIndex(1);
    dialogs().yes_no_answers = {true};
    fm().PwdEraseBtn.Click();
    EXPECT_TRUE(lab->Logged("Need MAX security level of HDD!"));
    EXPECT_FALSE(lab->Logged("Security ERASE done"));
    EXPECT_EQ(fm().PwdEdit.Text(), "file: nowhere.bin");
    EXPECT_EQ(fm().PwdTypeGrp.ItemIndex(), 0);
    EXPECT_EQ(fm().PwdLevGrp.ItemIndex(), 1);
}

TEST_F(SecurityTest, FrozenDriveAndAnswerNoStopTheEraseBeforeAnyPassword)
{
    Open(std::string(kPioLab) + "Frozen=1\n");
    fm().PwdEraseBtn.Click();
    EXPECT_TRUE(lab->Logged("Drive FROZEN! Restart HDD!"));
    EXPECT_TRUE(dialogs().asked.empty());
    fm().LockBtn.Click();
    EXPECT_TRUE(lab->Logged("Pwd error: drive FROZEN!"));
    EXPECT_FALSE(security().Enabled());
}

TEST_F(SecurityTest, PasswordFilesAreCheckedAndSendTheirFirst32Bytes)
{
    Open(kPioLab);
    TempDir dir;
    std::ofstream(dir.Path() / "short.bin", std::ios::binary) << std::string(31, 'k');
    std::ofstream(dir.Path() / "long.bin", std::ios::binary) << std::string(32, 'k') << std::string(68, 'z');
    dialogs().file_answers = {(dir.Path() / "short.bin").string()};
    fm().FilePwdBtn.Click();
    EXPECT_TRUE(lab->Logged("File has incorrect length!"));
    EXPECT_EQ(fm().PwdEdit.Text(), "lantvorp");
    EXPECT_NE(dialogs().asked.back().find("Open password file"), std::string::npos);

    dialogs().file_answers = {(dir.Path() / "long.bin").string()};
    fm().FilePwdBtn.Click();
    EXPECT_TRUE(lab->Logged("Open file: " + (dir.Path() / "long.bin").string()));
    EXPECT_EQ(fm().PwdEdit.Text(), "file: long.bin");
    fm().LockBtn.Click();
    ASSERT_TRUE(lab->p().security.Block()[2] == 'k' && lab->p().security.Block()[33] == 'k');
    EXPECT_EQ(lab->p().security.Block()[34], 0);
    EXPECT_TRUE(security().Enabled());

    // A missing file sends nothing.
    fm().PwdEdit.SetText("file: " + (dir.Path() / "gone.bin").string());
    fm().UnlockBtn.Click();
    EXPECT_TRUE(lab->Logged("File error!"));
    EXPECT_TRUE(lab->Logged("Password not send!"));
    EXPECT_TRUE(security().Enabled());
}

TEST_F(SecurityTest, CyrillicPasswordUnlocksWithTheSameCp1251BytesFromAFile)
{
    Open(kPioLab);
    fm().PwdEdit.SetText("\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C"); // пароль
    fm().LockBtn.Click();
    ASSERT_TRUE(security().Enabled());
    PowerCycle();
    TempDir dir;
    std::ofstream(dir.Path() / "ru.bin", std::ios::binary)
        << std::string("\xEF\xE0\xF0\xEE\xEB\xFC") << std::string(26, '\0');
    fm().PwdEdit.SetText("file: " + (dir.Path() / "ru.bin").string());
    fm().UnlockBtn.Click();
    EXPECT_FALSE(security().Locked());
    EXPECT_FALSE(security().Enabled());
}

TEST_F(SecurityTest, ApiWithoutBridgeOnWindowsLocksNothingAndUnlockFails)
{
    OpenApi("sata", 1, false);
    const size_t from = lab->LogSize();
    fm().LockBtn.Click();
    for (const std::string& text : TextsSince(from))
        EXPECT_EQ(text.find("assword"), std::string::npos) << text;
    EXPECT_FALSE(security().Enabled());
    fm().UnlockBtn.Click();
    EXPECT_TRUE(lab->Logged("Unlocking HDD"));
    EXPECT_TRUE(lab->Logged("Error after DISPWD"));
    fm().PwdEraseBtn.Click();
    EXPECT_TRUE(lab->Logged("Sorry... Security Erase disabled on USB-mode!"));
    EXPECT_FALSE(fm().SecurityGroup.Enabled());
}

TEST_F(SecurityTest, UsbBridgeLocksAfterTheWarningAndUnlocksButNeverErases)
{
    OpenApi("usb", 1, false);
    dialogs().yes_no_answers = {false};
    fm().LockBtn.Click();
    EXPECT_FALSE(security().Enabled());
    ASSERT_EQ(dialogs().asked.size(), 1u);
    EXPECT_NE(dialogs().asked[0].find("You want to set a hardware password to drive!"), std::string::npos);
    EXPECT_EQ(fm().SecurityGroup.Caption(), " Security manager: USB-mode ");

    dialogs().yes_no_answers = {true};
    fm().LockBtn.Click();
    EXPECT_TRUE(security().Enabled());
    PowerCycle();
    EXPECT_TRUE(security().Locked());
    fm().UnlockBtn.Click();
    EXPECT_TRUE(lab->Logged("Unlock complete"));
    EXPECT_TRUE(lab->Logged("PWD removing complete"));
    EXPECT_FALSE(security().Enabled());

    fm().PwdEraseBtn.Click();
    EXPECT_TRUE(lab->Logged("Sorry... Security Erase disabled on USB-mode!"));
}

TEST_F(SecurityTest, SataPortOnLinuxTakesLockUnlockAndEraseThroughPassThrough)
{
    OpenApi("sata", 1, true);
    dialogs().yes_no_answers = {true};
    fm().LockBtn.Click();
    ASSERT_TRUE(security().Enabled());
    EXPECT_TRUE(fm().SecurityGroup.Enabled());
    EXPECT_EQ(fm().SecurityGroup.Caption(), " Security manager (disabled in API) ");
    PowerCycle();
    fm().UnlockBtn.Click();
    EXPECT_FALSE(security().Enabled());

    Fill(0x33);
    fm().EraseBeepChk.SetChecked(true);
    dialogs().asked.clear();
    dialogs().yes_no_answers = {true};
    fm().PwdEraseBtn.Click();
    EXPECT_EQ(dialogs().asked.size(), 1u); // the erase's own question; its Lock clicks ask nothing
    EXPECT_TRUE(lab->Logged("Starting security ERASE, ~4 min."));
    EXPECT_TRUE(lab->Logged("Security ERASE done"));
    EXPECT_TRUE(AllZero());
    EXPECT_FALSE(security().Enabled());
    EXPECT_EQ(fm().PwdEdit.Text(), "lantvorp");
}

TEST_F(SecurityTest, SystemDiskQuestionGuardsLockAndErase)
{
    OpenApi("sata", 0, true);
    dialogs().yes_no_answers = {true, false};
    fm().LockBtn.Click();
    ASSERT_EQ(dialogs().asked.size(), 2u);
    EXPECT_NE(dialogs().asked[1].find("!!! SYSTEM DISK ERASING !!!"), std::string::npos);
    EXPECT_FALSE(security().Enabled());

    Fill(0x44);
    dialogs().yes_no_answers = {true, false};
    fm().PwdEraseBtn.Click();
    EXPECT_FALSE(security().Enabled());
    EXPECT_FALSE(AllZero());
    // The check is the platform's to make once it can tell.
    lab->p().security.TargetIsSystemDisk = [] { return false; };
    dialogs().asked.clear();
    dialogs().yes_no_answers = {true};
    fm().LockBtn.Click();
    EXPECT_EQ(dialogs().asked.size(), 1u);
    EXPECT_TRUE(security().Enabled());
}

TEST_F(SecurityTest, LockAndUnlockDoNotNest)
{
    Open(kPioLab);
    int nested = 0;
    // A click that arrives while Lock pumps messages does nothing.
    lab->fixture->ui.Post([&] {
        const size_t before = lab->LogSize();
        fm().UnlockBtn.Click();
        nested += lab->LogSize() != before;
    });
    fm().LockBtn.Click();
    EXPECT_EQ(nested, 0);
    EXPECT_FALSE(lab->Logged("Unlocking HDD"));
}

} // namespace
} // namespace mrv::test
