#include "views/sector_editor.h"

#include "app/program_impl.h"
#include "config/lba_amount.h"

#include <algorithm>
#include <limits>

namespace mrv
{

namespace
{
constexpr size_t kShownBytes = 512;
} // namespace

SectorEditor::SectorEditor(ProgramImpl& program) : p_(program)
{
    Wire();
}

void SectorEditor::Wire()
{
    TFm& fm = p_.fm;
    fm.HexeditIn.OnChange = [this] { HexeditInChange(); };
    fm.HexEOppenBtn.OnClick = [this] { HexEOppenBtnClick(); };
    fm.HexESaveBtn.OnClick = [this] { HexESaveBtnClick(); };
    fm.HexE.OnDblClick = [this] { HexEDblClick(); };
    p_.steps.LoadAuxBufferView = [this] { LoadAuxBufferView(); };
    // Until the start-up sequence loads the auxiliary buffer the view shows zeros.
    LoadAuxBufferView();
}

uint64_t SectorEditor::FieldSector()
{
    TFm& fm = p_.fm;
    const DrivePassport& d = p_.state.passport;
    const auto parsed =
        ParseLbaAmount(fm.HexeditIn.Text(), static_cast<uint64_t>(std::max<int64_t>(d.LbaCount, 0)),
                       d.SectorsPerMb == 0 ? 2048 : d.SectorsPerMb);
    // A size beyond 64 bits is beyond the drive too.
    uint64_t sector = parsed.value_or(std::numeric_limits<uint64_t>::max());
    if (d.LbaCount > 0 && sector > static_cast<uint64_t>(d.LbaCount - 1)) {
        sector = static_cast<uint64_t>(d.LbaCount - 1);
        writing_back_ = true;
        fm.HexeditIn.SetText(std::to_string(sector));
        writing_back_ = false;
    }
    return sector;
}

void SectorEditor::ShowSectorBuffer()
{
    p_.fm.HexE.LoadData(p_.state.SectorBuffer.Bytes(), kShownBytes);
}

void SectorEditor::HexeditInChange()
{
    if (writing_back_) return;
    TFm& fm = p_.fm;
    p_.ops.SuspendTestThreads();
    const uint64_t sector = FieldSector();
    fm.Label6.SetCaption("Wait...");
    if (p_.pio.ReadSector(sector)) {
        fm.Label6.SetCaption("Sec " + std::to_string(sector));
        fm.Label6.SetFontColour(form::colours::kBlack);
    } else {
        fm.Label6.SetCaption("Sec " + std::to_string(sector) + " Err");
        fm.Label6.SetFontColour(form::colours::kRed);
        p_.state.SectorBuffer.Clear();
    }
    ShowSectorBuffer();
    p_.ops.ResumeTestThreads();
}

void SectorEditor::HexEOppenBtnClick()
{
    p_.fm.HexeditIn.SetText("00");
    p_.fm.HexESaveBtn.SetEnabled(true);
}

void SectorEditor::HexESaveBtnClick()
{
    TFm& fm = p_.fm;
    SharedState& st = p_.state;
    p_.ops.SuspendTestThreads();
    const uint64_t sector = FieldSector();
    fm.Label6.SetCaption("Sec " + std::to_string(sector));
    const std::vector<uint8_t>& shown = fm.HexE.Data();
    std::copy_n(shown.begin(), std::min(shown.size(), kShownBytes), st.SectorBuffer.Bytes());
    // A refused write is an error too, even when the read-back succeeds.
    const bool written = p_.pio.WriteSector(sector);
    const bool read_back = p_.pio.ReadSector(sector);
    if (read_back) ShowSectorBuffer();
    if (written && read_back) {
        fm.Label6.SetFontColour(form::colours::kBlack);
    } else {
        fm.Label6.SetCaption(fm.Label6.Caption() + " Err");
        fm.Label6.SetFontColour(form::colours::kRed);
    }
    p_.ops.ResumeTestThreads();
}

void SectorEditor::HexEDblClick()
{
    TFm& fm = p_.fm;
    const bool folded = fm.PartBox.Geometry().height > 0;
    const int part_height = folded ? 0 : kPartBoxHeight;
    fm.PartBox.SetHeight(part_height);
    fm.PartBox.SetVisible(!folded);
    // The editor takes the room the partition viewer leaves.
    const int grow = kPartBoxHeight + 2;
    const int delta = folded ? grow : -grow;
    fm.HexEditGroup.SetHeight(fm.HexEditGroup.Geometry().height + delta);
    fm.HexE.SetHeight(fm.HexE.Geometry().height + delta);
}

void SectorEditor::LoadAuxBufferView()
{
    p_.fm.HexE.LoadData(p_.state.AuxSectorBuffer.Bytes(), kShownBytes);
}

} // namespace mrv
