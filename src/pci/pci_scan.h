#pragma once
// "PCI Scan": walks the PCI configuration space, lists the disk controllers
// (or every function, with "All dev") with their names and the ports of their
// ATA channels in the passport list, and makes a selected row's ports the
// current channel; a double click can take the passport there at once.

#include "pci/pci_channels.h"

#include <cstdint>
#include <vector>

namespace mrv
{

class ProgramImpl;

class PciScan
{
  public:
    explicit PciScan(ProgramImpl& program);

    void PCIScanBtnClick();
    /// The passport menu's "PCI Scan".
    void N1Click();
    void PspSelectItem(int row);
    void PspDblClick();

    /// True while the passport list holds the table of the last scan.
    bool ShowsPciTable() const;

  private:
    struct Row {
        PciChannel channel;
        bool storage = false;
    };

    void Wire();
    void StartTable();
    /// Probes one function; false when it is absent. `multi_function` gets
    /// the function's multi-function bit.
    bool ProbeFunction(uint8_t bus, uint8_t device, uint8_t function, bool& multi_function);
    bool Stopped() const;
    /// The channel of a row a selection may apply; null when the row has none.
    const PciChannel* UsableChannel(int row) const;

    ProgramImpl& p_;
    std::vector<Row> rows_;
    bool scanning_ = false;
};

} // namespace mrv
