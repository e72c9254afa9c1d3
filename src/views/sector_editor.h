#pragma once
// The sector editor on the "Advanced" tab: reads any sector by number (sizes
// with units and percentages too), shows it in the hex view, and writes an
// edited sector back with a read-back.

#include <cstdint>

namespace mrv
{

class ProgramImpl;

class SectorEditor
{
  public:
    explicit SectorEditor(ProgramImpl& program);

    /// The sector number changed: read and show that sector.
    void HexeditInChange();
    /// "Open": sector 0, and "Save" becomes usable.
    void HexEOppenBtnClick();
    /// "Save": the shown bytes go to the drive, then are read back.
    void HexESaveBtnClick();
    /// Folds the partition viewer away or brings it back.
    void HexEDblClick();
    /// Shows the auxiliary sector buffer (start-up: 512 zero bytes).
    void LoadAuxBufferView();

  private:
    void Wire();
    /// The field's sector, clamped to the last sector of the drive; a clamped
    /// value is written back into the field.
    uint64_t FieldSector();
    void ShowSectorBuffer();

    ProgramImpl& p_;
    /// True while the handler itself rewrites the field.
    bool writing_back_ = false;
};

} // namespace mrv
