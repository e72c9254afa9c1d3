#include "identify/nvme_identify.h"

#include "identify/format_capacity.h"
#include "identify/identify_words.h"
#include "smart/smart_block.h"
#include "util/file_names.h"
#include "util/little_endian.h"

#include <algorithm>
#include <cstdio>

namespace mrv
{

namespace
{

/// An ASCII field padded with spaces; anything unprintable shows as '?', so
/// that a garbled answer cannot put control characters into the window.
std::string AsciiField(const uint8_t* p, size_t length)
{
    std::string text;
    for (size_t i = 0; i < length; ++i)
        text += p[i] >= 0x20 && p[i] < 0x7F ? static_cast<char>(p[i]) : (p[i] == 0 ? ' ' : '?');
    const size_t begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) return {};
    return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

std::string Hex16(uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04Xh", value);
    return text;
}

/// A threshold in kelvin in the °C/°F form; empty when the controller gives none.
std::string KelvinText(uint16_t kelvin)
{
    if (kelvin == 0) return {};
    return TemperatureText(static_cast<int16_t>(static_cast<int>(kelvin) - 273));
}

std::string FormatText(const NvmeLbaFormat& f)
{
    std::string text = std::to_string(f.DataSize()) + " bytes";
    if (f.metadata_size != 0) text += " + " + std::to_string(f.metadata_size) + " meta";
    return text;
}

} // namespace

std::optional<NvmeController> DecodeNvmeController(const uint8_t* d)
{
    NvmeController c;
    c.vendor_id = Le16(d + 0);
    c.subsystem_vendor_id = Le16(d + 2);
    c.serial = AsciiField(d + 4, 20);
    c.model = AsciiField(d + 24, 40);
    c.firmware = AsciiField(d + 64, 8);
    if (c.model.empty() && c.serial.empty()) return std::nullopt;
    c.version = Le32(d + 80);
    c.admin_commands = Le16(d + 256);
    c.log_attributes = d[261];
    c.error_log_entries = static_cast<uint32_t>(d[262]) + 1;
    c.warning_temperature_k = Le16(d + 266);
    c.critical_temperature_k = Le16(d + 268);
    c.total_capacity = U128::FromLittleEndian(d + 280);
    c.extended_self_test_minutes = Le16(d + 316);
    c.sanitize_caps = Le32(d + 328);
    c.namespace_count = Le32(d + 516);
    c.nvm_commands = Le16(d + 520);
    c.format_attributes = d[524];
    c.write_cache = d[525];
    return c;
}

std::optional<NvmeNamespace> DecodeNvmeNamespace(const uint8_t* d)
{
    NvmeNamespace ns;
    ns.size = Le64(d + 0);
    ns.capacity = Le64(d + 8);
    ns.used = Le64(d + 16);
    const unsigned count = static_cast<unsigned>(d[25]) + 1;
    const uint8_t flbas = d[26];
    ns.format_in_use = static_cast<uint8_t>((flbas & 0x0F) | (count > 16 ? (flbas >> 1) & 0x30 : 0));
    ns.metadata_extended = (flbas & 0x10) != 0;
    for (unsigned i = 0; i < std::min(count, 64u); ++i) {
        const uint8_t* f = d + 128 + 4 * i;
        ns.formats.push_back({Le16(f), f[2], static_cast<uint8_t>(f[3] & 0x3)});
    }
    if (ns.format_in_use >= ns.formats.size() || ns.InUse().DataSize() == 0) return std::nullopt;
    return ns;
}

std::string NvmeVersionText(uint32_t version)
{
    if (version == 0) return "before 1.2";
    std::string text = std::to_string(version >> 16) + "." + std::to_string((version >> 8) & 0xFF);
    if ((version & 0xFF) != 0) text += "." + std::to_string(version & 0xFF);
    return text;
}

const char* NvmePerformanceText(uint8_t performance)
{
    static const char* const kNames[] = {"Best", "Better", "Good", "Degraded"};
    return kNames[performance & 0x3];
}

DecodedPassport DecodeNvmePassport(const NvmeController& c, const std::optional<NvmeNamespace>& ns,
                                   std::optional<bool> cache_on)
{
    DecodedPassport out;
    DrivePassport& d = out.passport;
    auto row = [&out](std::string label, std::string value, std::string comment = {}) {
        out.rows.push_back({std::move(label), std::move(value), std::move(comment)});
    };

    d.NonAta = true;
    d.Nvme = true;
    d.Model = c.model;
    d.Serial = c.serial;
    d.Firmware = c.firmware;
    d.RotationRate = 1;
    d.LbaSupported = d.Lba48Supported = true;
    d.SmartSupported = d.SmartEnabled = c.log_attributes != 0xFF;
    d.NonAtaFeatures = "Non ATA, NVMe";
    row("Model:", d.Model, " SSD");
    row("Firmware:", d.Firmware);
    row("Serial:", d.Serial);

    if (ns) {
        const NvmeLbaFormat& used = ns->InUse();
        d.SectorSize = used.DataSize();
        d.PhysicalSectorSize = d.SectorSize;
        d.LbaCount = static_cast<int64_t>(std::min<uint64_t>(ns->size, INT64_MAX));
        row("Disk size:", std::to_string(d.LbaCount) + " LBAs",
            FormatCapacity(d.SectorSize, static_cast<uint64_t>(d.LbaCount)));
        out.last_lba = d.LbaCount - 1;
        for (size_t i = 0; i < ns->formats.size(); ++i) {
            const NvmeLbaFormat& f = ns->formats[i];
            if (f.DataSize() == 0) continue;
            std::string comment = NvmePerformanceText(f.performance);
            if (i == ns->format_in_use) comment += ", used";
            row("LBAF " + std::to_string(i) + ":", FormatText(f), comment);
        }
    } else {
        // A passport file holds the controller alone: its total capacity is
        // all it says about the size.
        d.SectorSize = 512;
        const U128 sectors = c.total_capacity.DividedBy(512);
        d.LbaCount =
            sectors.FitsIn64() ? static_cast<int64_t>(std::min<uint64_t>(sectors.low, INT64_MAX)) : 0;
        if (d.LbaCount > 0) {
            row("Disk size:", c.total_capacity.Decimal() + " bytes",
                FormatCapacity(512, static_cast<uint64_t>(d.LbaCount)));
            out.last_lba = d.LbaCount - 1;
        } else {
            out.last_lba = 0;
        }
    }
    d.SectorsPerMb = SectorsPerMbOf(d.SectorSize);
    d.NativeLbaCount = d.HpaTarget = d.LbaCount;
    d.HpaTrackStep = d.LbaCount / 400;

    row("NVMe ver:", NvmeVersionText(c.version));
    row("PCI VID:", Hex16(c.vendor_id),
        c.subsystem_vendor_id != c.vendor_id ? "SS " + Hex16(c.subsystem_vendor_id) : "");
    row("Namesp.:", std::to_string(c.namespace_count));

    d.WriteCacheOn = c.WriteCachePresent() && cache_on.value_or(false);
    if (!c.WriteCachePresent())
        row("CACHE:", "no volatile cache");
    else if (!cache_on)
        row("CACHE:", "Wr=present");
    else
        row("CACHE:", *cache_on ? "Wr=ON; " : "Wr=OFF; ", *cache_on ? "ok" : "!");

    std::string features = "LBA";
    if (c.FormatSupported()) features += ", Format";
    if (c.SanitizeSupported()) {
        std::string kinds;
        if (c.SanitizeBlock()) kinds += "block";
        if (c.SanitizeCrypto()) kinds += kinds.empty() ? "crypto" : ", crypto";
        if (c.SanitizeOverwrite()) kinds += kinds.empty() ? "overwrite" : ", overwrite";
        features += ", Sanitize (" + kinds + ")";
    }
    if (c.SelfTestSupported()) features += ", Self-test";
    if (c.DatasetManagement()) features += ", TRIM (DSM)";
    if (c.SecuritySendReceive()) features += ", Security";
    row("Support:", features, c.FormatCryptoErase() ? "Crypto fmt" : "");

    const std::string warning = KelvinText(c.warning_temperature_k);
    const std::string critical = KelvinText(c.critical_temperature_k);
    if (!warning.empty()) row("T warning:", warning);
    if (!critical.empty()) row("T critical:", critical);

    out.rotation = RotationLampOf(1);
    out.aam_display = "AAM";
    return out;
}

std::string NvmePassportFileName(const std::string& model, const std::string& serial)
{
    return "NVMe_" + SanitizeFileName(model + "_" + serial) + ".bin";
}

} // namespace mrv
