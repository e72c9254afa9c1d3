// sector_probe --home DIR COMMAND...: the program's one-sector operations,
// called directly on this machine's drives, for the QEMU end-to-end runs
// (no window control reaches them yet). The program starts as it would on
// the user's machine (its settings file in DIR chooses PIO or API mode and the
// channel or device), then runs the commands in order:
//   mode                 the access mode, ports and API device
//   write LBA TAG        fills the sector buffer with the TAG pattern, WriteSector
//   check LBA TAG        ReadSector and compare with the TAG pattern
//   read LBA             ReadSector; on failure the error the program derives
//   smart-status         SMART RETURN STATUS (API mode) through the legacy SMART
//                        request and through ATA PASS-THROUGH with the result
//                        registers: the LBA mid/high pair the drive returned
//   sat-identify         IDENTIFY DEVICE through ATA PASS-THROUGH (PIO data-in):
//                        the model, serial and firmware texts of the words
//   sat-abort            a SET FEATURES subcommand drives refuse, through ATA
//                        PASS-THROUGH with the result registers: the error and
//                        status the program reads from the sense data
// Each command prints one line; the exit code is the number of failed ones.

#include "app/program.h"
#include "app/program_impl.h"
#include "drive/ata_opcodes.h"
#include "platform/linux/linux_platform.h"
#include "platform/platform.h"
#include "ui/console/console_dialogs.h"
#include "ui/console/console_ui_thread.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace
{

using namespace mrv;

/// The TAG pattern: the line "MRV-QEMU-SECTOR TAG=<tag> LBA=<lba>\n" repeated
/// over the sector (the host builds the same bytes with `yes | head -c 512`).
std::vector<uint8_t> Pattern(const std::string& tag, uint64_t lba)
{
    const std::string line = "MRV-QEMU-SECTOR TAG=" + tag + " LBA=" + std::to_string(lba) + "\n";
    std::vector<uint8_t> sector(512);
    for (size_t i = 0; i < sector.size(); ++i)
        sector[i] = static_cast<uint8_t>(line[i % line.size()]);
    return sector;
}

std::string Hex(const uint8_t* bytes, size_t count)
{
    std::string text;
    char byte[4];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(byte, sizeof byte, "%02x", bytes[i]);
        text += byte;
    }
    return text;
}

bool ParseLba(const std::string& text, uint64_t& lba)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    lba = std::stoull(text);
    return true;
}

/// Why the last read of `lba` failed, as the program tells it: the error
/// register through DescribeAtaError in PIO mode; in API mode the system
/// error of a read through the program's device operations.
std::string ReadFailure(ProgramImpl& p, uint64_t lba)
{
    if (p.state.access_mode == AccessMode::Pio) {
        const uint8_t error = p.pio.ReadErrorRegister();
        char code[8];
        std::snprintf(code, sizeof code, "%02X", error);
        return std::string("error=") + code + AtaPio::DescribeAtaError(error);
    }
    std::unique_ptr<OsDevice> device = p.api.OpenApiDevice(p.state.ApiDeviceIndex, p.state.ApiDriveLetter);
    if (!device) return "device cannot be opened";
    std::vector<uint8_t> sector(512);
    const uint32_t done = p.api.ApiReadSectors(device.get(), 1, sector.data(), 512, lba);
    return "bytes=" + std::to_string(done) + " system-error=" + std::to_string(device->LastError());
}

bool RunCommand(ProgramImpl& p, const std::vector<std::string>& args, size_t& i)
{
    const std::string& command = args[i++];
    auto need = [&](size_t n) {
        if (i + n > args.size()) {
            std::cout << command << ": missing arguments" << std::endl;
            return false;
        }
        return true;
    };
    if (command == "mode") {
        char ports[64];
        std::snprintf(ports, sizeof ports, "base=%X alt=%X", p.state.BasePort.load(), p.state.AltPort.load());
        std::cout << "mode " << (p.state.access_mode == AccessMode::Pio ? "PIO " : "API ") << ports
                  << " device=" << p.state.ApiDeviceIndex << std::endl;
        return true;
    }
    if (command == "smart-status") {
        // 0xB0/0xDA with the SMART signature in LBA mid/high; a healthy drive
        // answers 4F/C2, one past its threshold 2C/F4.
        char text[96];
        const AtaResult out = p.routes.smart_request.Execute(AtaCommand::NonData({.features = 0xDA,
                                                                                  .count = 1,
                                                                                  .lba_low = 1,
                                                                                  .lba_mid = 0x4F,
                                                                                  .lba_high = 0xC2,
                                                                                  .device = 0xA0,
                                                                                  .command = 0xB0}));
        const bool legacy = out.Ok();
        std::snprintf(text, sizeof text, "smart-status legacy %s mid=%02X high=%02X",
                      legacy ? "ok" : "failed", out.Registers().lba_mid & 0xFF,
                      out.Registers().lba_high & 0xFF);
        std::cout << text << std::endl;
        AtaCommand status = AtaCommand::NonData(
            {.features = 0xDA, .lba_mid = 0x4F, .lba_high = 0xC2, .device = 0xA0, .command = 0xB0});
        status.want_registers = true;
        const AtaResult result = p.routes.sat.Execute(status);
        const bool sat = result.Ok();
        std::snprintf(text, sizeof text, "smart-status sat %s status=%02X error=%02X mid=%02X high=%02X",
                      sat ? "ok" : "failed", result.status, result.error, result.Registers().lba_mid & 0xFF,
                      result.Registers().lba_high & 0xFF);
        std::cout << text << std::endl;
        return legacy && sat;
    }
    if (command == "sat-identify") {
        std::vector<uint8_t> words(512);
        const bool ok =
            p.routes.sat.Execute(AtaCommand::PioIn(kIdentifyDevice, words.data(), words.size())).Ok();
        // ATA strings: two characters a word, the first in the high byte.
        auto text = [&](int first, int last) {
            std::string out;
            for (int w = first; w <= last; ++w) {
                out += static_cast<char>(words[w * 2 + 1]);
                out += static_cast<char>(words[w * 2]);
            }
            const size_t begin = out.find_first_not_of(' ');
            const size_t end = out.find_last_not_of(' ');
            return begin == std::string::npos ? std::string() : out.substr(begin, end - begin + 1);
        };
        std::cout << "sat-identify " << (ok ? "ok" : "failed") << " model=" << text(27, 46)
                  << " serial=" << text(10, 19) << " firmware=" << text(23, 26) << std::endl;
        return ok;
    }
    if (command == "sat-abort") {
        // SET FEATURES 0x44 (a subcommand long retired): the drive aborts it.
        AtaCommand abort = AtaCommand::NonData({.features = 0x44, .device = 0xA0, .command = 0xEF});
        abort.want_registers = true;
        const AtaResult result = p.routes.sat.Execute(abort);
        const bool ok = result.Ok();
        char text[96];
        std::snprintf(text, sizeof text, "sat-abort %s status=%02X error=%02X", ok ? "succeeded" : "failed",
                      result.status, result.error);
        std::cout << text << std::endl;
        return !ok;
    }
    uint64_t lba = 0;
    if (command == "read") {
        if (!need(1) || !ParseLba(args[i++], lba)) return false;
        SectorWords& buffer = p.state.SectorBuffer;
        buffer.Clear();
        if (p.pio.ReadSector(lba)) {
            std::cout << "read LBA=" << lba << " ok first16=" << Hex(buffer.Bytes(), 16) << std::endl;
            return true;
        }
        std::cout << "read LBA=" << lba << " failed " << ReadFailure(p, lba) << std::endl;
        return false;
    }
    if (command == "write" || command == "check") {
        if (!need(2) || !ParseLba(args[i++], lba)) return false;
        const std::vector<uint8_t> pattern = Pattern(args[i++], lba);
        SectorWords& buffer = p.state.SectorBuffer;
        if (command == "write") {
            buffer.Clear();
            std::memcpy(buffer.Bytes(), pattern.data(), pattern.size());
            const bool ok = p.pio.WriteSector(lba);
            std::cout << "write LBA=" << lba << (ok ? " ok" : " failed") << std::endl;
            return ok;
        }
        buffer.Clear();
        if (!p.pio.ReadSector(lba)) {
            std::cout << "check LBA=" << lba << " read failed " << ReadFailure(p, lba) << std::endl;
            return false;
        }
        for (size_t b = 0; b < pattern.size(); ++b) {
            if (buffer.Bytes()[b] != pattern[b]) {
                std::cout << "check LBA=" << lba << " differs at byte " << b << std::endl;
                return false;
            }
        }
        std::cout << "check LBA=" << lba << " equal" << std::endl;
        return true;
    }
    std::cout << "unknown command " << command << std::endl;
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() < 3 || args[0] != "--home") {
        std::cerr << "usage: sector_probe --home DIR COMMAND..." << std::endl;
        return 2;
    }
    const std::filesystem::path home = args[1];
    linux_platform::LinuxPlatform machine;
    Platform platform{machine.ports,  machine.port_access, machine.devices,
                      machine.system, machine.clock,       machine.pci};
    console::ConsoleUiThread ui(platform.clock);
    console::ConsoleDialogs dialogs(std::cout, home);
    Program program(platform, dialogs, ui, home);
    program.OnLogLine = [](int level, const std::string& text, bool replaced) {
        std::cout << "LOG " << level << (replaced ? " (replaced) " : " ") << text << std::endl;
    };
    program.Start();
    for (form::Window* window : program.Windows())
        ui.AddWindow(window);
    ui.ProcessMessages();

    int failed = 0;
    for (size_t i = 2; i < args.size();)
        if (!RunCommand(program.Impl(), args, i)) ++failed;
    program.Shutdown();
    return failed;
}
