#include "drive/drive_routes.h"

#include "platform/sat.h"

#include <algorithm>
#include <vector>

namespace mrv
{

namespace
{

constexpr uint32_t kSectorBytes = 512;

/// 28-bit registers as the register requests carry them.
AtaRegisters LowBytes(const AtaRegisters& r)
{
    AtaRegisters low = r;
    low.features &= 0xFF;
    low.count &= 0xFF;
    low.lba_low &= 0xFF;
    low.lba_mid &= 0xFF;
    low.lba_high &= 0xFF;
    return low;
}

/// The result of a register request: its registers, and success when the
/// request went through and the drive set neither ERR nor DF.
AtaResult FromRegisters(bool request_ok, const AtaRegisters& registers, uint32_t system_error)
{
    AtaResult result;
    result.SetRegisters(registers, false);
    result.ok = request_ok && (result.status & (ata_bits::kErr | ata_bits::kDf)) == 0;
    result.system_error = request_ok ? 0 : system_error;
    return result;
}

AtaResult NotOpened()
{
    AtaResult result;
    result.system_error = 2; // the device is not there
    return result;
}

/// Data bytes a command moves: its sectors for the PIO protocols.
uint32_t DataBytes(const AtaCommand& command)
{
    if (command.protocol == AtaProtocol::NonData) return 0;
    return command.Sectors() * kSectorBytes;
}

} // namespace

AtaResult DriveRoute::Execute(const AtaCommand& command)
{
    if (const char* why = Refusal(command)) return AtaResult::Refused(why);
    return Send(command);
}

DriveRoute* FirstAnswering(std::initializer_list<DriveRoute*> routes, const AtaCommand& command,
                           AtaResult& result)
{
    for (DriveRoute* route : routes) {
        result = route->Execute(command);
        if (result.Ok()) return route;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------

const char* SmartRequestRoute::Refusal(const AtaCommand& command) const
{
    if (command.ext) return "the SMART request carries 28-bit commands only";
    if (command.protocol == AtaProtocol::PioOut) return "the SMART request sends no data to the drive";
    if (command.protocol == AtaProtocol::PioIn &&
        (command.Sectors() != 1 || command.data_length < kSectorBytes))
        return "the SMART request reads one sector of data";
    return nullptr;
}

AtaResult SmartRequestRoute::Send(const AtaCommand& command)
{
    std::unique_ptr<OsDevice> device = os_.OpenCurrentDevice(true);
    if (!device) return NotOpened();
    return ExecuteOn(*device, state_.ApiDeviceIndex, command);
}

AtaResult SmartRequestRoute::ExecuteOn(OsDevice& device, int number, const AtaCommand& command)
{
    if (const char* why = Refusal(command)) return AtaResult::Refused(why);
    AtaRegisters in = LowBytes(command.in);
    // The request addresses master or slave by the drive number's parity.
    in.device = static_cast<uint8_t>(in.device | ((number & 1) * 0x10));
    const bool data_in = command.protocol == AtaProtocol::PioIn;
    AtaRegisters out;
    const bool ok =
        device.SmartRequest(static_cast<uint8_t>(number), in, data_in ? command.data : nullptr, data_in, out);
    AtaResult result = FromRegisters(ok, out, device.LastError());
    if (ok && data_in) result.transferred = kSectorBytes;
    return result;
}

// ---------------------------------------------------------------------------

const char* SatRoute::Refusal(const AtaCommand&) const
{
    return nullptr;
}

AtaResult SatRoute::Send(const AtaCommand& command)
{
    std::unique_ptr<OsDevice> device = os_.OpenCurrentDevice(false);
    if (!device) return NotOpened();
    ScsiDirection direction = ScsiDirection::None;
    if (command.protocol == AtaProtocol::PioIn) direction = ScsiDirection::In;
    if (command.protocol == AtaProtocol::PioOut) direction = ScsiDirection::Out;
    const uint32_t length = DataBytes(command);
    // The caller's buffer when it holds the whole transfer, else a scratch one.
    std::vector<uint8_t> scratch;
    uint8_t* data = command.data;
    if (length != 0 && (data == nullptr || command.data_length < length)) {
        scratch.assign(length, 0);
        if (data != nullptr && direction == ScsiDirection::Out)
            std::copy(data, data + command.data_length, scratch.begin());
        data = scratch.data();
    }

    ScsiRequestRecord record;
    record.timeout_seconds = command.timeout_seconds;
    auto send = [&](const uint8_t* cdb, uint8_t cdb_length) {
        int code = os_.ScsiPassThrough(device.get(), cdb, cdb_length, record, direction, length, data);
        // CK_COND answers with CHECK CONDITION and the registers in the sense
        // data; a command that completed without ERR is a success.
        if (code != 0 && record.system_error == 0 && IsAtaPassThroughSuccess(record.sense.data(), 32))
            code = 0;
        return code;
    };
    const std::array<uint8_t, 16> cdb16 = BuildAtaPassThrough16(command);
    int code = send(cdb16.data(), 16);
    // The 12-byte form has no room for the previous bytes of a 48-bit command.
    if (code != 0 && !command.ext) {
        const std::array<uint8_t, 12> cdb12 = BuildAtaPassThrough12(command);
        code = send(cdb12.data(), 12);
    }
    if (!scratch.empty() && command.data != nullptr && direction == ScsiDirection::In)
        std::copy(scratch.begin(), scratch.begin() + std::min<size_t>(command.data_length, length),
                  command.data);

    AtaResult result;
    result.ok = code == 0;
    result.system_error = record.system_error;
    if (result.ok) result.transferred = length;
    AtaRegisters registers;
    // An aborted command's registers come back in the sense data too.
    if (command.want_registers && DecodeAtaReturn(record.sense.data(), 32, registers)) {
        result.SetRegisters(registers, command.ext);
        if ((result.status & (ata_bits::kErr | ata_bits::kDf)) != 0) result.ok = false;
    }
    return result;
}

// ---------------------------------------------------------------------------

const char* IdePassThroughRoute::Refusal(const AtaCommand& command) const
{
    if (command.ext) return "the IDE pass-through carries 28-bit commands only";
    if (command.protocol == AtaProtocol::PioOut) return "the IDE pass-through moves data from the drive only";
    if (command.protocol == AtaProtocol::PioIn && command.data_length < DataBytes(command))
        return "the IDE pass-through needs a buffer for all of its data";
    return nullptr;
}

AtaResult IdePassThroughRoute::Send(const AtaCommand& command)
{
    std::unique_ptr<OsDevice> device = os_.OpenCurrentDevice(false);
    if (!device) return NotOpened();
    AtaRegisters registers = LowBytes(command.in);
    const uint32_t length = DataBytes(command);
    const bool ok = device->IdePassThrough(registers, length != 0 ? command.data : nullptr, length);
    AtaResult result = FromRegisters(ok, registers, device->LastError());
    if (ok) result.transferred = length;
    return result;
}

} // namespace mrv
