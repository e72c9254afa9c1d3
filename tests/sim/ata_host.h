#pragma once
// A tiny host driver for the tests: task-file loads, status polling against the
// lab clock, and data transfers through the port bus, as the program does them.

#include "sim/lab_loader.h"
#include "sim/lab_pc.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace mrv::sim::test
{

inline std::unique_ptr<LabPc> MakeLab(const std::string& text)
{
    std::string error;
    auto lab = LoadLabFromText(text, "", error);
    EXPECT_TRUE(lab) << error;
    return lab;
}

class Host
{
  public:
    Host(LabPc& lab, uint16_t base, uint16_t alt, bool slave = false)
        : lab_(lab), bus_(lab.Ports()), base_(base), alt_(alt), dev_(slave ? 0x10 : 0x00)
    {
    }

    uint8_t Status() { return bus_.InByte(static_cast<uint16_t>(base_ + 7)); }
    uint8_t AltStatus() { return bus_.InByte(alt_); }
    uint8_t Error() { return bus_.InByte(static_cast<uint16_t>(base_ + 1)); }
    uint8_t Reg(int offset) { return bus_.InByte(static_cast<uint16_t>(base_ + offset)); }
    void Out(int offset, uint8_t v) { bus_.OutByte(static_cast<uint16_t>(base_ + offset), v); }
    void Control(uint8_t v) { bus_.OutByte(alt_, v); }

    /// Polls until BSY clears; false after `timeout_ms` of lab time. Long waits
    /// sleep between polls, as a patient host does.
    bool WaitNotBusy(uint64_t timeout_ms = 30000)
    {
        Clock& clock = lab_.GetClock();
        const uint64_t end = clock.TickCountMs() + timeout_ms;
        for (int polls = 0; clock.TickCountMs() < end; ++polls) {
            if ((AltStatus() & 0x80) == 0) return true;
            if (polls > 2000) clock.SleepMs(polls > 20000 ? 100 : 1);
        }
        return false;
    }
    bool WaitDrq(uint64_t timeout_ms = 30000)
    {
        if (!WaitNotBusy(timeout_ms)) return false;
        return (Status() & 0x08) != 0;
    }

    void Task28(uint8_t command, uint64_t lba, uint8_t count, uint8_t features = 0, uint8_t device = 0xE0)
    {
        Out(6, static_cast<uint8_t>((device & 0xEF) | dev_ | ((lba >> 24) & 0x0F)));
        Out(1, features);
        Out(2, count);
        Out(3, static_cast<uint8_t>(lba));
        Out(4, static_cast<uint8_t>(lba >> 8));
        Out(5, static_cast<uint8_t>(lba >> 16));
        Out(7, command);
    }
    void Task48(uint8_t command, uint64_t lba, uint16_t count, uint16_t features = 0)
    {
        Out(6, static_cast<uint8_t>(0xE0 | dev_));
        Out(1, static_cast<uint8_t>(features >> 8));
        Out(2, static_cast<uint8_t>(count >> 8));
        Out(3, static_cast<uint8_t>(lba >> 24));
        Out(4, static_cast<uint8_t>(lba >> 32));
        Out(5, static_cast<uint8_t>(lba >> 40));
        Out(1, static_cast<uint8_t>(features));
        Out(2, static_cast<uint8_t>(count));
        Out(3, static_cast<uint8_t>(lba));
        Out(4, static_cast<uint8_t>(lba >> 8));
        Out(5, static_cast<uint8_t>(lba >> 16));
        Out(7, command);
    }
    void Smart(uint8_t features, uint8_t count = 0, uint8_t lba_low = 0)
    {
        Out(6, static_cast<uint8_t>(0xA0 | dev_));
        Out(1, features);
        Out(2, count);
        Out(3, lba_low);
        Out(4, 0x4F);
        Out(5, 0xC2);
        Out(7, 0xB0);
    }

    /// Non-data command: true when it ended without ERR.
    bool NonData28(uint8_t command, uint64_t lba = 0, uint8_t count = 0, uint8_t features = 0)
    {
        Task28(command, lba, count, features);
        return WaitNotBusy() && (Status() & 0x01) == 0;
    }

    std::vector<uint8_t> ReadBlock(size_t bytes = 512)
    {
        std::vector<uint8_t> data(bytes);
        bus_.InWords(base_, reinterpret_cast<uint16_t*>(data.data()), bytes / 2);
        return data;
    }
    void WriteBlock(const std::vector<uint8_t>& data)
    {
        bus_.OutWords(base_, reinterpret_cast<const uint16_t*>(data.data()), data.size() / 2);
    }

    std::vector<uint16_t> Identify()
    {
        Task28(0xEC, 0, 0, 0, 0xA0);
        std::vector<uint16_t> w(256, 0);
        if (!WaitDrq()) return {};
        bus_.InWords(base_, w.data(), 256);
        return w;
    }

    /// Reads `count` sectors with READ SECTORS (EXT when `ext`); empty on error.
    std::vector<uint8_t> Read(uint64_t lba, uint32_t count, bool ext = false)
    {
        if (ext)
            Task48(0x24, lba, static_cast<uint16_t>(count));
        else
            Task28(0x20, lba, static_cast<uint8_t>(count));
        std::vector<uint8_t> out;
        for (uint32_t i = 0; i < (count == 0 ? (ext ? 65536u : 256u) : count); ++i) {
            if (!WaitDrq()) return {};
            auto block = ReadBlock();
            out.insert(out.end(), block.begin(), block.end());
        }
        if (!WaitNotBusy() || (Status() & 0x01) != 0) return {};
        return out;
    }
    bool Write(uint64_t lba, const std::vector<uint8_t>& data, bool ext = false)
    {
        const auto count = static_cast<uint32_t>(data.size() / 512);
        if (ext)
            Task48(0x34, lba, static_cast<uint16_t>(count));
        else
            Task28(0x30, lba, static_cast<uint8_t>(count));
        for (uint32_t i = 0; i < count; ++i) {
            if (!WaitDrq()) return false;
            WriteBlock(std::vector<uint8_t>(data.begin() + i * 512, data.begin() + (i + 1) * 512));
        }
        return WaitNotBusy() && (Status() & 0x01) == 0;
    }

    uint64_t Lba28()
    {
        return Reg(3) | Reg(4) << 8 | Reg(5) << 16 | static_cast<uint64_t>(Reg(6) & 0x0F) << 24;
    }
    uint64_t Lba48()
    {
        uint64_t lo = Reg(3) | Reg(4) << 8 | Reg(5) << 16;
        Control(0x80);
        uint64_t hi = Reg(3) | Reg(4) << 8 | Reg(5) << 16;
        Control(0x00);
        return lo | hi << 24;
    }

    void SoftReset()
    {
        Control(0x04);
        lab_.GetClock().SleepMs(1);
        Control(0x00);
    }

  private:
    LabPc& lab_;
    PortBus& bus_;
    uint16_t base_, alt_;
    uint8_t dev_;
};

inline std::vector<uint8_t> Pattern(size_t bytes, uint8_t seed)
{
    std::vector<uint8_t> v(bytes);
    for (size_t i = 0; i < bytes; ++i)
        v[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 8));
    return v;
}

/// A lab whose drive "hdd" sits on the channel at 170h, and a host on its ports.
class HostedDriveTest : public ::testing::Test
{
  protected:
    explicit HostedDriveTest(const char* lab_text) : lab_text_(lab_text) {}

    void SetUp() override
    {
        lab = MakeLab(lab_text_);
        ASSERT_TRUE(lab);
        host = std::make_unique<Host>(*lab, 0x170, 0x376);
        drive = lab->Drive("hdd");
    }

    std::unique_ptr<LabPc> lab;
    std::unique_ptr<Host> host;
    AtaDrive* drive = nullptr;

  private:
    const char* lab_text_;
};

} // namespace mrv::sim::test
