#include "smart/smart_commands.h"

#include "app/program_impl.h"

#include <cstring>

namespace mrv
{

namespace
{
constexpr uint8_t kSmart = 0xB0;
constexpr uint8_t kMid = 0x4F;
constexpr uint8_t kHigh = 0xC2;
constexpr uint8_t kApiDevice = 0xA0;
constexpr uint8_t kEnable = 0xD8, kDisable = 0xD9, kReadData = 0xD0, kReadThresholds = 0xD1, kAutosave = 0xD2,
                  kOffline = 0xD4, kReturnStatus = 0xDA, kIbmSwitch = 0xF8;
constexpr uint8_t kAbortOffline = 0x7F;
constexpr size_t kBlock = 512;
} // namespace

AtaRegisters SmartCommands::Registers(uint8_t features, uint8_t count, uint8_t lba_low) const
{
    // In PIO mode the selected position, so that a slave is not answered by its
    // master; the system's requests add the drive bit themselves.
    const uint8_t device = p_.state.access_mode == AccessMode::Pio
                               ? static_cast<uint8_t>(kApiDevice | p_.state.DeviceSelectBit)
                               : kApiDevice;
    return {.features = features,
            .count = count,
            .lba_low = lba_low,
            .lba_mid = kMid,
            .lba_high = kHigh,
            .device = device,
            .command = kSmart};
}

DriveRoute* SmartCommands::RouteOf(SmartPath path)
{
    switch (path) {
    case SmartPath::TaskFile:
        return &p_.routes.pio;
    case SmartPath::SmartRequest:
        return &p_.routes.smart_request;
    case SmartPath::PassThrough:
        return &p_.routes.sat;
    case SmartPath::None:
        break;
    }
    return nullptr;
}

bool SmartCommands::NonData(uint8_t features, uint8_t count, uint8_t lba_low, bool refuse_non_ata,
                            SmartPath* answered)
{
    if (answered) *answered = SmartPath::None;
    const AtaCommand command = AtaCommand::NonData(Registers(features, count, lba_low));
    AtaResult result;
    if (p_.state.access_mode == AccessMode::Pio) {
        if (!p_.routes.pio.Execute(command).Ok()) return false;
        if (answered) *answered = SmartPath::TaskFile;
        return true;
    }
    if (refuse_non_ata && p_.state.passport.NonAta) return false;
    const DriveRoute* route = FirstAnswering({&p_.routes.smart_request, &p_.routes.sat}, command, result);
    if (route == nullptr) return false;
    if (answered) *answered = route == &p_.routes.sat ? SmartPath::PassThrough : SmartPath::SmartRequest;
    return true;
}

SmartPath SmartCommands::EnableForRead()
{
    SmartPath path = SmartPath::None;
    NonData(kEnable, 1, 1, false, &path);
    return path;
}

bool SmartCommands::ReadBlock(SmartPath path, uint8_t features, uint8_t* block, bool aux)
{
    DriveRoute* route = RouteOf(path);
    if (route == nullptr) return false;
    // The task file reads through the program's sector buffers, as its other
    // one-sector reads do.
    SectorWords& buffer = aux ? p_.state.AuxSectorBuffer : p_.state.SectorBuffer;
    uint8_t* target = path == SmartPath::TaskFile ? buffer.Bytes() : block;
    const AtaResult result = route->Execute(AtaCommand::PioIn(Registers(features, 1, 1), target, kBlock));
    if (target != block) std::memcpy(block, target, kBlock);
    return result.Ok() && result.transferred == kBlock;
}

bool SmartCommands::ReadData(SmartPath path, uint8_t* block)
{
    return ReadBlock(path, kReadData, block, false);
}

bool SmartCommands::ReadThresholds(SmartPath path, uint8_t* block)
{
    return ReadBlock(path, kReadThresholds, block, true);
}

bool SmartCommands::IbmSuperSmart(bool on)
{
    const AtaCommand command = AtaCommand::NonData(Registers(kIbmSwitch, on ? 0xF6 : 0x00, on ? 0xB9 : 0x00));
    if (p_.state.access_mode == AccessMode::Pio) return p_.routes.pio.Execute(command).Ok();
    if (p_.state.passport.UsbBridge) return p_.routes.sat.Execute(command).Ok();
    return p_.routes.ide_pass_through.Execute(command).Ok();
}

std::optional<SmartStatusRegisters> SmartCommands::ReturnStatus()
{
    SharedState& st = p_.state;
    st.passport.UsbBridge = false;
    AtaCommand status = AtaCommand::NonData(Registers(kReturnStatus, 1, 1));
    status.want_registers = true;
    auto signature = [](const AtaResult& result) {
        const AtaRegisters r = result.Registers();
        return SmartStatusRegisters{static_cast<uint8_t>(r.lba_mid), static_cast<uint8_t>(r.lba_high)};
    };
    if (st.access_mode == AccessMode::Pio) {
        const AtaResult result = p_.routes.pio.Execute(status);
        if (!result.Ok()) return std::nullopt;
        return signature(result);
    }
    const AtaResult request = p_.routes.smart_request.Execute(status);
    if (request.Ok()) return signature(request);
    // A drive that answers only through ATA PASS-THROUGH sits behind a bridge.
    status.want_registers = false;
    if (!p_.routes.sat.Execute(status).Ok()) return std::nullopt;
    st.passport.UsbBridge = true;
    status.want_registers = true;
    const AtaResult bridged = p_.routes.sat.Execute(status);
    if (!bridged.Ok() || !bridged.registers_valid) return std::nullopt;
    return signature(bridged);
}

bool SmartCommands::Enable()
{
    return NonData(kEnable, 1, 1, true);
}

bool SmartCommands::Disable()
{
    return NonData(kDisable, 1, 1, true);
}

bool SmartCommands::Autosave(bool on)
{
    return NonData(kAutosave, on ? 0xF1 : 0x00, 1, true);
}

OfflineStart SmartCommands::ExecuteOffline(uint8_t subcommand)
{
    if (p_.state.access_mode == AccessMode::Pio) {
        if (!p_.pio.AwaitDriveReady()) return OfflineStart::NotReady;
        // Loaded without waiting: a captive test keeps the drive busy for its run.
        p_.pio.LoadTaskFile(AtaCommand::NonData(Registers(kOffline, 1, subcommand)));
        return p_.pio.ReadErrorRegister() == 0 ? OfflineStart::Sent : OfflineStart::Rejected;
    }
    if (p_.state.passport.NonAta) return OfflineStart::NonAta;
    return NonData(kOffline, 1, subcommand, true) ? OfflineStart::Sent : OfflineStart::Rejected;
}

bool SmartCommands::AbortOffline()
{
    const AtaCommand command = AtaCommand::NonData(Registers(kOffline, 1, kAbortOffline));
    if (p_.state.access_mode == AccessMode::Pio) return p_.routes.pio.Execute(command).Ok();
    AtaResult result;
    return FirstAnswering({&p_.routes.ide_pass_through, &p_.routes.sat}, command, result) != nullptr;
}

} // namespace mrv
