#include "identify/passport_rows.h"

#include "identify/format_capacity.h"

namespace mrv
{

namespace
{

using form::Colour;

std::string Str(int64_t v)
{
    return std::to_string(v);
}

int HighestBit(uint16_t word, int bits)
{
    for (int b = bits - 1; b >= 0; --b)
        if ((word >> b) & 1) return b;
    return -1;
}

std::string SataText(const IdentifyWords& w)
{
    std::string text = WordBit(w, 76, 2) ? "SATA2" : "SATA1";
    if (WordBit(w, 169, 0)) text += ", TRIM";
    if (WordBit(w, 76, 8)) text += ", NCQ";
    if (WordBit(w, 76, 10)) text += ", PEC";
    return text;
}

std::string EraseTextOf(uint32_t minutes)
{
    std::string text = "~ ";
    if (minutes / 60 >= 1) text += Str(minutes / 60) + " hours ";
    if (minutes % 60 >= 1) text += Str(minutes % 60) + " minutes";
    return text;
}

void AddAta8Item(std::string& text, const char* item)
{
    if (!text.empty()) text += ", ";
    text += item;
}

std::string SecurityValue(const IdentifyWords& w, std::string& comment)
{
    if (!WordBit(w, 128, 0)) return "Not supported";
    if (WordBit(w, 128, 1)) {
        std::string v = "ON";
        v += WordBit(w, 128, 8) ? ", Max" : ", High";
        v += WordBit(w, 128, 2) ? ", Locked" : ", Unlocked";
        if (WordBit(w, 128, 3)) v += ", Frozen";
        if (WordBit(w, 128, 4)) comment = "*Expired";
        return v;
    }
    if (WordBit(w, 128, 3)) {
        comment = "Frozen!";
        return "OFF, Frozen";
    }
    return "OFF";
}

} // namespace

std::optional<RotationLamp> RotationLampOf(uint16_t rate)
{
    if (rate == 1) return RotationLamp{form::colours::kAqua, "SSD", true};
    if (rate < 1025 || rate == 0xFFFF) return std::nullopt;
    Colour lamp = Colour::Rgb(255, 128, 64);
    if (rate <= 4200)
        lamp = Colour::Rgb(128, 0, 0);
    else if (rate <= 5200)
        lamp = Colour::Rgb(0, 128, 64);
    else if (rate <= 5400)
        lamp = Colour::Rgb(0, 255, 0);
    else if (rate <= 7200)
        lamp = Colour::Rgb(0, 128, 255);
    else if (rate <= 10000)
        lamp = Colour::Rgb(255, 0, 255);
    return RotationLamp{lamp, Str(rate) + " rpm", false};
}

std::string PowerLevelComment(uint8_t value)
{
    if (value == 128) return "Minimum";
    if (value == 254) return "Maximum";
    return value >= 129 ? "Enabled" : "Disabled";
}

DecodedPassport DecodePassport(const IdentifyWords& w, const DrivePassport& acquired,
                               const PassportContext& ctx)
{
    DecodedPassport out;
    DrivePassport& d = out.passport;
    auto row = [&out](std::string label, std::string value, std::string comment = {}) {
        out.rows.push_back({std::move(label), std::move(value), std::move(comment)});
    };

    // What acquisition established survives; everything else is decoded anew.
    d.NonAta = acquired.NonAta;
    d.UsbBridge = acquired.UsbBridge;
    d.Removable = acquired.Removable;
    d.InvalidGeometry = acquired.InvalidGeometry;
    d.NonAtaFeatures = acquired.NonAtaFeatures;
    const bool ata = !d.NonAta || !ctx.api_mode;

    d.RotationRate = w[217];
    d.Model = d.NonAta ? acquired.Model : IdentifyText(w, 27, 20);
    row("Model:", d.Model, d.RotationRate == 1 ? " SSD" : "");

    std::string support;
    if (ata) {
        d.Firmware = IdentifyText(w, 23, 4);
        d.Serial = IdentifyText(w, 10, 10);
        row("Firmware:", d.Firmware);
        row("Serial:", d.Serial);
        d.SectorSize = w[117] ? w[117] * 2u : 512u;
        d.LbaSupported = WordBit(w, 49, 9);
        d.Lba48Supported = WordBit(w, 83, 10);
        out.rotation = RotationLampOf(d.RotationRate);
        d.SataDevice = w[76] != 0;
        if (d.SataDevice) out.sata_text = SataText(w);
    } else {
        d.Firmware = acquired.Firmware;
        d.Serial = acquired.Serial;
        if (!d.Firmware.empty())
            row("Firmware:", d.Firmware);
        else
            d.Firmware = "unknown";
        if (!d.Serial.empty())
            row("Serial:", d.Serial);
        else
            d.Serial = "unknown";
        d.SectorSize = acquired.SectorSize;
        d.LbaSupported = true;
        d.Lba48Supported = acquired.Lba48Supported;
    }
    d.SectorsPerMb = SectorsPerMbOf(d.SectorSize);

    // Size.
    if (d.LbaSupported) {
        if (!ata) {
            d.LbaCount = acquired.LbaCount;
        } else {
            uint64_t count = d.Lba48Supported ? (uint64_t{w[100]} | uint64_t{w[101]} << 16 |
                                                 uint64_t{w[102]} << 32 | uint64_t{w[103]} << 48)
                                              : (uint64_t{w[60]} | uint64_t{w[61]} << 16);
            // 48-bit addressing reaches 2^48 sectors; a larger count is garbage
            // and must not turn negative.
            count &= 0xFFFFFFFFFFFFull;
            if (count == 0) count = uint64_t{w[1]} * w[3] * w[6];
            d.LbaCount = static_cast<int64_t>(count);
        }
        support = "LBA";
        row("Disk size:", Str(d.LbaCount) + " LBAs",
            FormatCapacity(d.SectorSize, static_cast<uint64_t>(d.LbaCount)));
        out.last_lba = d.LbaCount - 1;
    } else {
        d.LbaCount = 0;
        support = "CHS";
        row("Disk size:", "LBA not supported");
    }

    // Host protected area.
    d.HpaSupported = WordBit(w, 82, 10);
    d.NativeLbaCount = d.LbaCount;
    d.HpaTrackStep = d.LbaCount / 400;
    d.HpaTarget = d.LbaCount;
    if (ctx.ext.native_max) {
        d.NativeLbaCount = *ctx.ext.native_max;
        d.HpaTrackStep = d.NativeLbaCount / 400;
        if (d.LbaCount >= d.NativeLbaCount) {
            d.HpaTarget = d.NativeLbaCount;
            out.hpa_track_position = 400;
        } else {
            row("**Real:", Str(d.NativeLbaCount) + " LBAs",
                FormatCapacity(d.SectorSize, static_cast<uint64_t>(d.NativeLbaCount)));
            out.real_size_row = true;
            d.HpaTarget = d.LbaCount;
            if (d.HpaTrackStep > 0)
                out.hpa_track_position =
                    static_cast<int>(400 - (d.NativeLbaCount - d.LbaCount) / d.HpaTrackStep);
        }
    }

    // Geometry.
    if (ata) {
        d.Cylinders = w[1];
        d.Heads = w[3];
        d.SectorsPerTrack = w[6];
    } else {
        d.Cylinders = acquired.Cylinders;
        d.Heads = acquired.Heads;
        d.SectorsPerTrack = acquired.SectorsPerTrack;
    }
    d.ChsCapacity = static_cast<int64_t>(d.Cylinders * d.Heads * d.SectorsPerTrack);
    row("CHS:", Str(static_cast<int64_t>(d.Cylinders)) + "/" + Str(d.Heads) + "/" + Str(d.SectorsPerTrack),
        d.ChsCapacity < 20480 ? Str(d.ChsCapacity * d.SectorSize / 1000) + " kb"
                              : Str(d.ChsCapacity / d.SectorsPerMb) + " Mb");

    if (ata) {
        d.SmartSupported = WordBit(w, 82, 0);
        d.SmartEnabled = WordBit(w, 85, 0);
        std::string smart = "Unknown or unsupported";
        if (d.SmartSupported) {
            smart = d.SmartEnabled ? "Enabled" : "Disabled";
            if (WordBit(w, 84, 0)) smart += ", Errlog";
            if (WordBit(w, 84, 1)) smart += ", Selftest";
        }
        row("SMART:", smart);

        d.CacheKb = w[21] / 2u;
        d.LookAheadOn = WordBit(w, 85, 6);
        d.WriteCacheOn = WordBit(w, 85, 5);
        std::string cache = w[21] ? Str(d.CacheKb) + "k; " : "Unk.size; ";
        cache += d.LookAheadOn ? "L/A=ON; " : "L/A=OFF; ";
        cache += d.WriteCacheOn ? "Wr=ON; " : "Wr=OFF; ";
        row("CACHE:", cache, d.LookAheadOn && d.WriteCacheOn ? "ok" : "!");

        d.AamSupported = WordBit(w, 83, 9);
        d.ApmSupported = WordBit(w, 83, 3);
        d.DcoSupported = WordBit(w, 83, 11);
        d.DmaSupported = WordBit(w, 49, 8);
        d.UdmaMode = static_cast<int16_t>(HighestBit(w[88], 7));
        d.MwdmaMode = static_cast<int16_t>(HighestBit(w[63], 3));
        d.AamValue = static_cast<uint8_t>(w[94] & 0xFF);
        d.ApmValue = static_cast<uint8_t>(w[91] & 0xFF);
        std::string features = support;
        if (d.HpaSupported) features += ", HPA";
        if (d.AamSupported) features += ", AAM";
        if (d.ApmSupported) features += ", APM";
        if (WordBit(w, 83, 0)) features += ", DLM";
        if (d.DcoSupported) features += ", DCO";
        std::string dma;
        if (d.DmaSupported) {
            features += ", DMA";
            dma = d.UdmaMode >= 0    ? "UDMA-" + Str(d.UdmaMode)
                  : d.MwdmaMode >= 0 ? "MWDMA-" + Str(d.MwdmaMode)
                                     : "SW DMA";
        } else {
            features += ", PIO";
        }
        row("Support:", features, dma);

        if (d.AamSupported) {
            row("AAM val:", Str(d.AamValue), PowerLevelComment(d.AamValue));
            out.aam_display = d.AamValue == 128   ? "MIN"
                              : d.AamValue == 254 ? "MAX"
                              : d.AamValue < 128  ? "OFF"
                                                  : Str(d.AamValue);
        } else {
            out.aam_display = "AAM";
        }
        if (d.ApmSupported) row("APM val:", Str(d.ApmValue), PowerLevelComment(d.ApmValue));

        d.SecuritySupported = WordBit(w, 128, 0);
        d.EraseMinutes = d.SecuritySupported ? (w[89] & 0x7FFFu) * 2u : 0u;
        if (d.SecuritySupported && d.EraseMinutes >= 1) {
            d.EraseText = EraseTextOf(d.EraseMinutes);
            row("Erase:", d.EraseText);
        }
        if (ctx.ext.diag_passed) row("Status:", *ctx.ext.diag_passed ? "Passed" : "*Failed");
        if (ctx.ext.power_count) {
            uint8_t c = *ctx.ext.power_count;
            row("Spindle:", c == 0x00 ? "Standby" : c == 0xFF ? "Active" : "Unknown");
        }

        d.SecurityEnabled = WordBit(w, 128, 1);
        d.SecurityLocked = WordBit(w, 128, 2);
        d.SecurityFrozen = WordBit(w, 128, 3);
        d.SecurityExpired = WordBit(w, 128, 4);
        d.SecurityLevelMax = d.SecurityEnabled && WordBit(w, 128, 8);
        std::string security_comment;
        std::string security = SecurityValue(w, security_comment);
        out.security_locked = d.SecuritySupported && d.SecurityEnabled && d.SecurityLocked;
        row("Security:", security, security_comment);

        std::string ata8 = out.sata_text;
        if (WordBit(w, 206, 0)) AddAta8Item(ata8, "SCT");
        if (w[119] != 0) {
            if (WordBit(w, 119, 4)) AddAta8Item(ata8, "SFDLM");
            if (WordBit(w, 119, 2)) AddAta8Item(ata8, "WrUnk");
            if (WordBit(w, 119, 1)) AddAta8Item(ata8, "W-R-V");
        }
        if (!ata8.empty()) row("ATA-8:", ata8, " ");

        int exponent = w[106] & 0x1F;
        uint32_t multiplier = exponent <= 3 ? (1u << exponent) : 0u;
        d.PhysicalSectorSize = multiplier * d.SectorSize;
        if (d.PhysicalSectorSize <= d.SectorSize) d.PhysicalSectorSize = d.SectorSize;
        row("Sector:", "Logic " + Str(d.SectorSize) + " bytes", "Phys " + Str(d.PhysicalSectorSize));

        if (ctx.ext.buffer_diag) {
            if (ctx.ext.buffer_diag->passed) {
                row("Int-face:", "Passed");
            } else {
                row("Int-face:", "INTERFACE FAILED!!!");
                row("Sended:", WordToBinary(0x55AA));
                row("Receive:", WordToBinary(ctx.ext.buffer_diag->first_bad));
                out.interface_error = true;
            }
        }
    } else {
        out.aam_display = "AAM";
        d.PhysicalSectorSize = d.SectorSize;
        row("Features:", d.NonAtaFeatures);
        if (d.SectorSize != 0)
            row("Sector:", Str(d.SectorSize) + " Bytes", d.InvalidGeometry ? "Revice it!" : "");
    }

    d.ScanTimingBase = ScanTimingBaseOf(d, ctx.api_mode);
    d.ModelFamily = ModelFamilyOf(d.Model, d.RotationRate);
    return out;
}

std::optional<form::Colour> PassportCellColour(int row, int column, const std::string& label,
                                               const std::string& value, const std::string& comment)
{
    using namespace form::colours;
    if (row == 2) return kNavy;
    if (row == 3) return kBlue;
    if (column == 1) return kNavy;
    if (column == 3) {
        if (comment == "ok") return kGreen;
        if (comment == "!" || comment == "Revice it!" || comment == "Frozen!") return kRed;
        return kTeal;
    }
    if (column != 2) return kBlack;
    std::string key = label.size() >= 4 ? label.substr(2, 2) : std::string();
    auto starts = [&value](char c) { return !value.empty() && value[0] == c; };
    if (key == "de") return kNavy;
    if (key == "rm") return kGreen;
    if (key == "Re") return kRed;
    if (key == "AR") return kGreen;
    if (key == "pp") return kBlue;
    if (key == "M ") return kPurple;
    if (key == "ct") return kBlue;
    if (key == "in") return starts('A') ? kGreen : kRed;
    if (key == "as") return starts('~') ? kPurple : kRed;
    if (key == "at") return starts('P') ? kGreen : kRed;
    if (key == "cu") return value.size() >= 2 && value[1] == 'F' ? kGreen : kRed;
    if (key == "t-") return starts('P') ? kGreen : kRed;
    return std::nullopt;
}

} // namespace mrv
