// The passport of an NVMe drive: Identify Controller and Identify Namespace
// through the system's NVMe pass-through, the write cache's state, the list,
// the lamps, and the passport file that keeps the whole controller structure.

#include "app/program_impl.h"
#include "drive/nvme_admin.h"
#include "identify/passport.h"
#include "platform/regular_file.h"

#include <fstream>

namespace mrv
{

namespace
{
const form::Colour kLampGrey = form::Colour::Rgb(159, 159, 159);
constexpr const char* kNvmeCaption = "      NVMe Drive passport:";
constexpr uint8_t kGetFeatures = 0x0A;
constexpr uint8_t kVolatileWriteCache = 0x06;
} // namespace

bool Passport::NvmeRequestFailed(const NvmeResult& result)
{
    p_.LogLine("Get NVMe passport... Error: " + NvmeFailureText(result), kNewLine, kLogError);
    return false;
}

bool Passport::AcquireNvme()
{
    SharedState& st = p_.state;
    std::unique_ptr<OsDevice> device = p_.api.OpenApiDevice(st.ApiDeviceIndex, st.ApiDriveLetter);
    if (!device) return false;
    // Only a device the system calls NVMe is asked: other drivers may take
    // an unknown request in ways of their own.
    OsGeometry geometry;
    if (!device->Geometry(geometry) || geometry.kind != OsDeviceKind::Nvme) return false;

    std::vector<uint8_t> controller(kNvmeIdentifySize, 0);
    const NvmeResult identify =
        SendNvmeAdmin(*device, NvmeIdentifyCommand(nvme::kCnsController, controller.data()));
    if (!identify.Ok()) return NvmeRequestFailed(identify);
    nvme_ = DecodeNvmeController(controller.data());
    if (!nvme_) {
        p_.LogLine("Get NVMe passport... Error: empty identification", kNewLine, kLogError);
        return false;
    }
    nvme_controller_data_ = controller;

    std::vector<uint8_t> ns(kNvmeIdentifySize, 0);
    const NvmeResult identify_ns =
        SendNvmeAdmin(*device, NvmeIdentifyCommand(nvme::kCnsNamespace, ns.data()));
    // A request the system could not complete (a time-out, a device gone) fails
    // the passport; only the controller's own refusal leaves the size to the system.
    if (!identify_ns.answered) return NvmeRequestFailed(identify_ns);
    if (identify_ns.Ok()) nvme_namespace_ = DecodeNvmeNamespace(ns.data());
    if (!nvme_namespace_)
        p_.LogLine("NVMe namespace identification unusable: the size comes from the system", kNewLine,
                   kLogError);

    if (nvme_->WriteCachePresent()) {
        NvmeAdminCommand features;
        features.opcode = kGetFeatures;
        features.cdw[0] = kVolatileWriteCache;
        const NvmeResult cache = SendNvmeAdmin(*device, features);
        if (!cache.answered) return NvmeRequestFailed(cache);
        if (cache.Ok()) nvme_cache_on_ = (cache.result & 1) != 0;
    }

    // The namespace may not tell (or tell nonsense): the system's size holds then.
    if (!nvme_namespace_ && geometry.size_bytes != 0 && geometry.bytes_per_sector != 0) {
        NvmeNamespace from_system;
        from_system.size = geometry.size_bytes / geometry.bytes_per_sector;
        from_system.capacity = from_system.used = from_system.size;
        NvmeLbaFormat format;
        for (uint8_t shift = 9; shift <= 16; ++shift)
            if ((1u << shift) == geometry.bytes_per_sector) format.data_shift = shift;
        if (format.DataSize() != 0) {
            from_system.formats.push_back(format);
            nvme_namespace_ = from_system;
        }
    }
    device_kind_ = OsDeviceKind::Nvme;
    p_.LogLine("Get passport... OK", kNewLine, kLogInfo);
    return true;
}

void Passport::DecodeNvme(int64_t& result)
{
    SharedState& st = p_.state;
    // The buffer viewer shows the first sector of the identification.
    std::copy(nvme_controller_data_.begin(), nvme_controller_data_.begin() + 512, st.SectorBuffer.Bytes());
    const DecodedPassport decoded = DecodeNvmePassport(*nvme_, nvme_namespace_, nvme_cache_on_);
    st.passport = decoded.passport;
    result = decoded.last_lba;
    ShowNvme(decoded);
}

void Passport::ShowNvme(const DecodedPassport& decoded)
{
    TFm& fm = p_.fm;
    const DrivePassport& d = decoded.passport;
    fm.Psp.SetBackColour(form::Colour::Rgb(235, 244, 255));
    fm.Psp.SetColumnCaption(2, kNvmeCaption);
    for (const PassportRow& row : decoded.rows)
        fm.Psp.AddRow({"", row.label, row.value, row.comment});

    ShowRotation(decoded.rotation);
    fm.SataDevLed.SetBrush(kLampGrey);
    fm.biglbaChk.SetChecked(true);
    // No host protected area and no acoustics on NVMe.
    fm.HpaTrack.SetEnabled(false);
    fm.AAMTrack.SetEnabled(false);
    fm.AAMMinBtn.SetEnabled(false);
    fm.AAMOffBtn.SetEnabled(false);
    fm.AAMLed.SetCaption(decoded.aam_display);

    fm.Psp.OnCustomDrawCell = [this](int row, int column) -> std::optional<form::Colour> {
        const form::ListView& list = p_.fm.Psp;
        if (p_.fm.DisClinPassChk.Checked() || row < 0 || row >= list.RowCount()) return std::nullopt;
        return PassportCellColour(row, column, list.Cell(row, 1), list.Cell(row, 2), list.Cell(row, 3));
    };
    ShowSummary(d);
    // The health log gives the composite temperature.
    fm.TermoCtrlBox.SetEnabled(true);
    fm.IbmSuperSmart.SetEnabled(false);
    fm.HexESaveBtn.SetEnabled(true);
    ApplyNonAtaBlockSize(0);

    p_.smart.OfferSelfTests(true);
    fm.SecurityGroup.SetCaption(" Security manager: NVMe ");
    fm.SecurityGroup.SetEnabled(true);
    fm.FilePwdBtn.SetEnabled(false);
}

void Passport::SaveNvmeFile()
{
    const DrivePassport& d = p_.state.passport;
    if (nvme_controller_data_.size() != kNvmeIdentifySize) return;
    std::filesystem::path path = p_.LogsDir() / NvmePassportFileName(d.Model, d.Serial);
    std::string why;
    if (!MayWriteFile(path, &why)) {
        p_.LogLine("Error! Can't write file " + path.string() + " (" + why + ")", kNewLine, kLogError);
        return;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(nvme_controller_data_.data()),
              static_cast<std::streamsize>(nvme_controller_data_.size()));
    if (!out) p_.LogLine("Error! Can't write file " + path.string(), kNewLine, kLogError);
}

} // namespace mrv
