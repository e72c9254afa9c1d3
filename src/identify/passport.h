#pragma once
// The drive passport: acquiring the IDENTIFY words (PIO task file, the
// operating system's SMART request or SAT pass-through, SCSI identification,
// or a passport file), decoding them into the shared drive record and showing
// them in the passport list, the status panes and the lamps.

#include "identify/identify_words.h"
#include "identify/nvme_identify.h"
#include "identify/passport_rows.h"
#include "platform/os_devices.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace mrv
{

class ProgramImpl;
struct NvmeResult;

class Passport
{
  public:
    explicit Passport(ProgramImpl& program);

    /// Acquires and decodes the passport of the current drive; reports it when
    /// `log_messages`. True when a passport was obtained.
    bool TakePassport(bool log_messages, bool apply);
    /// The last LBA on success, −1 when the drive (or file) gave no passport,
    /// −2 when the PIO channel did not answer.
    int64_t ReadPassport(bool from_file, const std::string& file_name);

    // Handlers of the passport's controls.
    void PASSBtnClick();
    void PASSBtnExtClick();
    void OpenBinBtnClick();
    void PspDblClick();
    void CopyAll();
    void CopyValue();
    void BigSmall();

    /// Empties the list and the panes, as a change of access mode does.
    void ClearPassport();
    /// Column layout of the list (rebuilt at every decode).
    void RebuildColumns();

    /// The scan's block-size choice after an identification (index from 0, or
    /// an item text). Kept here until the scan control takes it over.
    void SelectBlockSize(int index);
    void SelectBlockSize(const std::string& text);
    /// The drive reset of "reset+", with its log lines.
    void ResetDriveForPassport();

    /// The model, serial and last LBA reported last.
    struct LastPassportRecord {
        std::string model, serial;
        int64_t last_lba = 0;
    } LastPassport;
    bool ForcePassportReport = false;
    bool ExtChecksOff = true;
    bool NewModelFlag = false;
    bool PassportTaken = false;

    /// Set by the PCI scan while the list shows its table; a double click then
    /// goes to `OnPciDblClick` instead of resizing the panel.
    bool pci_table_shown = false;
    std::function<void()> OnPciDblClick;
    /// Called after the scan's timing base changed (set by the scan).
    std::function<void()> RecomputeScanTiming;

    /// The controller identification of the NVMe drive the passport shows
    /// (nullopt for any other drive): the SMART panel and the security
    /// manager read their capabilities from it.
    const std::optional<NvmeController>& Nvme() const { return nvme_; }
    /// The LBA format the NVMe namespace uses (0 when not known).
    uint8_t NvmeFormatInUse() const { return nvme_namespace_ ? nvme_namespace_->format_in_use : 0; }

  private:
    void Wire();
    void Reset();
    void FailureExit();
    bool AcquireApi();
    bool AcquireScsi();
    bool AcquirePio(int64_t& result);
    void CheckGeometry();
    void Decode(bool from_file, int64_t& result);
    PassportExtResults RunExtChecks(const IdentifyWords& words);
    std::optional<bool> DiagnoseSetFeatures();
    std::optional<uint8_t> PowerStatus();
    BufferDiagResult BufferDiagnostic();
    void Show(const DecodedPassport& decoded, bool ext_run);
    void ApplyFamilyAndSizes(const DrivePassport& d);
    void ApplyNonAtaBlockSize(uint32_t sectors_per_track);
    /// The device's kind in the non-ATA feature text, lamps and block size:
    /// from what the system said it is, or else from its sectors per track.
    void ApplyDeviceKind(OsDeviceKind kind);
    void ApplyGeometryKind(uint32_t sectors_per_track);
    void SetPanelWidth(int width);
    void SaveFile();
    void FamilyRemark(uint8_t family);
    IdentifyWords Words() const;
    // NVMe drives (passport_nvme.cpp).
    bool AcquireNvme();
    /// Logs why an NVMe request of the passport failed; false.
    bool NvmeRequestFailed(const NvmeResult& result);
    void DecodeNvme(int64_t& result);
    void ShowNvme(const DecodedPassport& decoded);
    /// The SSD / rotation-rate lamp and its label (nothing when the drive does not say).
    void ShowRotation(const std::optional<RotationLamp>& rotation);
    void SaveNvmeFile();
    /// The status panes, editors and scan timing that follow any decoded passport.
    void ShowSummary(const DrivePassport& d);

    ProgramImpl& p_;
    /// What acquisition learned of a NonAta drive, handed to decoding.
    DrivePassport acquired_;
    /// What the system said the device of a SCSI passport is (Unknown: it did not).
    OsDeviceKind device_kind_ = OsDeviceKind::Unknown;
    /// The NVMe identification as read (controller 4096 bytes, then the
    /// namespace's when there is one) and as decoded.
    std::vector<uint8_t> nvme_controller_data_;
    std::optional<NvmeNamespace> nvme_namespace_;
    std::optional<bool> nvme_cache_on_;
    std::optional<NvmeController> nvme_;
};

} // namespace mrv
