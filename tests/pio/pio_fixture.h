#pragma once
// A started program on a lab PC whose port traffic is recorded, for the
// task-file, channel and power-adaptor tests.

#include "support/lab_session.h"

#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace mrv::test
{

/// Passes every access on to the lab's bus and remembers it.
class RecordingBus : public PortBus
{
  public:
    struct Access {
        bool write;
        uint16_t port;
        uint32_t value;
    };

    explicit RecordingBus(PortBus& inner) : inner_(inner) {}

    uint8_t InByte(uint16_t port) override
    {
        return static_cast<uint8_t>(Note(false, port, inner_.InByte(port)));
    }
    uint16_t InWord(uint16_t port) override
    {
        return static_cast<uint16_t>(Note(false, port, inner_.InWord(port)));
    }
    uint32_t InDword(uint16_t port) override { return Note(false, port, inner_.InDword(port)); }
    void OutByte(uint16_t port, uint8_t value) override
    {
        inner_.OutByte(port, static_cast<uint8_t>(Note(true, port, value)));
    }
    void OutWord(uint16_t port, uint16_t value) override
    {
        inner_.OutWord(port, static_cast<uint16_t>(Note(true, port, value)));
    }
    void OutDword(uint16_t port, uint32_t value) override { inner_.OutDword(port, Note(true, port, value)); }
    void InWords(uint16_t port, uint16_t* dst, size_t count) override
    {
        inner_.InWords(port, dst, count);
        Note(false, port, static_cast<uint32_t>(count));
    }
    void OutWords(uint16_t port, const uint16_t* src, size_t count) override
    {
        Note(true, port, static_cast<uint32_t>(count));
        inner_.OutWords(port, src, count);
    }
    void InDwords(uint16_t port, uint32_t* dst, size_t count) override
    {
        inner_.InDwords(port, dst, count);
        Note(false, port, static_cast<uint32_t>(count));
    }
    void OutDwords(uint16_t port, const uint32_t* src, size_t count) override
    {
        Note(true, port, static_cast<uint32_t>(count));
        inner_.OutDwords(port, src, count);
    }

    void Clear()
    {
        std::lock_guard lock(mutex_);
        accesses_.clear();
    }
    std::vector<Access> Accesses()
    {
        std::lock_guard lock(mutex_);
        return accesses_;
    }
    /// Values written to `port`, in order.
    std::vector<uint32_t> WritesTo(uint16_t port)
    {
        std::vector<uint32_t> out;
        for (const Access& a : Accesses())
            if (a.write && a.port == port) out.push_back(a.value);
        return out;
    }
    int ReadsOf(uint16_t port)
    {
        int n = 0;
        for (const Access& a : Accesses())
            n += !a.write && a.port == port;
        return n;
    }

  private:
    uint32_t Note(bool write, uint16_t port, uint32_t value)
    {
        std::lock_guard lock(mutex_);
        accesses_.push_back({write, port, value});
        return value;
    }

    PortBus& inner_;
    std::mutex mutex_;
    std::vector<Access> accesses_;
};

/// Lab text in, a program running on it out. `ini` (when given) is the
/// settings file the program finds at start.
class LabProgram : public LabSession
{
  public:
    explicit LabProgram(const std::string& lab_text, const std::string& ini = {})
    {
        std::string error;
        if (!LoadLab(lab_text, error)) {
            ADD_FAILURE() << "lab: " << error;
            return;
        }
        bus = std::make_unique<RecordingBus>(lab->Ports());
        StartProgram(ini, Platform{*bus, lab->PortAccess(), lab->Devices(), lab->System(), lab->GetClock(),
                                   lab->PciConfig()});
    }

    bool Logged(const std::string& text) const { return fixture->Logged(text); }
    /// Log lines written after the first `from` ones.
    std::vector<LogEntry> LogSince(size_t from) const
    {
        return {fixture->log.begin() + static_cast<std::ptrdiff_t>(std::min(from, fixture->log.size())),
                fixture->log.end()};
    }
    size_t LogSize() const { return fixture->log.size(); }

    std::unique_ptr<RecordingBus> bus;
};

} // namespace mrv::test
