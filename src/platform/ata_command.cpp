#include "platform/ata_command.h"

namespace mrv
{

uint32_t AtaCommand::Sectors() const
{
    if (ext) return in.count == 0 ? 65536u : in.count;
    uint8_t count = static_cast<uint8_t>(in.count);
    return count == 0 ? 256u : count;
}

uint64_t AtaCommand::Lba() const
{
    if (ext) {
        return static_cast<uint64_t>(in.lba_high >> 8) << 40 | static_cast<uint64_t>(in.lba_mid >> 8) << 32 |
               static_cast<uint64_t>(in.lba_low >> 8) << 24 |
               static_cast<uint64_t>(in.lba_high & 0xFF) << 16 |
               static_cast<uint64_t>(in.lba_mid & 0xFF) << 8 | (in.lba_low & 0xFF);
    }
    return static_cast<uint64_t>(in.device & 0x0F) << 24 | static_cast<uint64_t>(in.lba_high & 0xFF) << 16 |
           static_cast<uint64_t>(in.lba_mid & 0xFF) << 8 | (in.lba_low & 0xFF);
}

AtaCommand AtaCommand::NonData(const AtaRegisters& registers, bool ext)
{
    AtaCommand c;
    c.in = registers;
    c.ext = ext;
    return c;
}

AtaCommand AtaCommand::PioIn(const AtaRegisters& registers, uint8_t* data, size_t length)
{
    AtaCommand c = NonData(registers);
    c.protocol = AtaProtocol::PioIn;
    c.data = data;
    c.data_length = length;
    return c;
}

AtaCommand AtaCommand::PioOut(const AtaRegisters& registers, uint8_t* data, size_t length)
{
    AtaCommand c = PioIn(registers, data, length);
    c.protocol = AtaProtocol::PioOut;
    return c;
}

AtaRegisters RegistersFromBytes(const uint8_t* bytes, const RegisterLayout& at)
{
    AtaRegisters r;
    r.features = bytes[at.features];
    r.count = bytes[at.count];
    r.lba_low = bytes[at.lba_low];
    r.lba_mid = bytes[at.lba_mid];
    r.lba_high = bytes[at.lba_high];
    r.device = bytes[at.device];
    r.command = bytes[at.command];
    return r;
}

AtaRegisters AtaResult::Registers() const
{
    AtaRegisters r;
    r.features = error;
    r.command = status;
    r.device = device;
    r.count = count;
    r.lba_low = static_cast<uint16_t>((lba & 0xFF) | ((lba >> 24) & 0xFF) << 8);
    r.lba_mid = static_cast<uint16_t>(((lba >> 8) & 0xFF) | ((lba >> 32) & 0xFF) << 8);
    r.lba_high = static_cast<uint16_t>(((lba >> 16) & 0xFF) | ((lba >> 40) & 0xFF) << 8);
    return r;
}

void AtaResult::SetRegisters(const AtaRegisters& r, bool ext)
{
    registers_valid = true;
    error = static_cast<uint8_t>(r.features);
    status = r.command;
    device = r.device;
    count = ext ? r.count : static_cast<uint16_t>(r.count & 0xFF);
    lba = static_cast<uint64_t>(r.lba_high & 0xFF) << 16 | static_cast<uint64_t>(r.lba_mid & 0xFF) << 8 |
          (r.lba_low & 0xFF);
    if (ext) {
        lba |= static_cast<uint64_t>(r.lba_high >> 8) << 40 | static_cast<uint64_t>(r.lba_mid >> 8) << 32 |
               static_cast<uint64_t>(r.lba_low >> 8) << 24;
    } else {
        lba |= static_cast<uint64_t>(r.device & 0x0F) << 24;
    }
}

AtaCommand AtaCommand::TaskFile28(uint8_t features, uint8_t count, uint8_t command, uint8_t device,
                                  uint8_t cyl_high, uint8_t cyl_low, uint8_t sector)
{
    AtaCommand c;
    c.in.features = features;
    c.in.count = count;
    c.in.lba_low = sector;
    c.in.lba_mid = cyl_low;
    c.in.lba_high = cyl_high;
    c.in.device = device;
    c.in.command = command;
    return c;
}

AtaCommand AtaCommand::TaskFile48(uint16_t features, uint16_t count, uint16_t low, uint16_t mid,
                                  uint16_t high, uint8_t device, uint8_t command)
{
    AtaCommand c;
    c.ext = true;
    c.in.features = features;
    c.in.count = count;
    c.in.lba_low = low;
    c.in.lba_mid = mid;
    c.in.lba_high = high;
    c.in.device = device;
    c.in.command = command;
    return c;
}

AtaCommand AtaCommand::Lba28(uint8_t count, uint8_t command, uint64_t lba)
{
    return TaskFile28(0, count, command, static_cast<uint8_t>(0xE0 | ((lba >> 24) & 0x0F)),
                      static_cast<uint8_t>(lba >> 16), static_cast<uint8_t>(lba >> 8),
                      static_cast<uint8_t>(lba));
}

AtaCommand AtaCommand::Lba48(uint16_t count, uint8_t command, uint64_t lba)
{
    auto pair = [lba](int previous_shift, int current_shift) {
        return static_cast<uint16_t>(((lba >> previous_shift) & 0xFF) << 8 | ((lba >> current_shift) & 0xFF));
    };
    return TaskFile48(0, count, pair(24, 0), pair(32, 8), pair(40, 16), 0xE0, command);
}

uint8_t ExtendedBlockCommand(uint8_t command)
{
    switch (command) {
    case 0x20:
        return 0x24; // READ SECTORS EXT
    case 0x30:
        return 0x34; // WRITE SECTORS EXT
    case 0x40:
        return 0x42; // READ VERIFY SECTORS EXT
    case 0x70:
        return 0x42; // no SEEK EXT: a one-sector verify moves the heads
    case 0xF8:
        return 0x27; // READ NATIVE MAX ADDRESS EXT
    case 0xF9:
        return 0x37; // SET MAX ADDRESS EXT
    default:
        return 0x00;
    }
}

} // namespace mrv
