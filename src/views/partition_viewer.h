#pragma once
// The partition viewer on the "Advanced" tab: walks the master boot record and
// the chain of extended boot records, lists the partitions, keeps a copy of
// the MBR in a file, and switches the MBR's boot signature off and on.

#include "views/partition_table.h"

#include <cstdint>
#include <set>
#include <string>

namespace mrv
{

class ProgramImpl;

class PartitionViewer
{
  public:
    explicit PartitionViewer(ProgramImpl& program);

    /// "View part data" (and F6).
    void PartBtnClick();
    /// "MBR ON".
    void RzBitBtn30Click() { SwitchMbrSignature(views::kMbrSignatureOn); }
    /// "MBR OFF": asks first when the target looks like the system disk.
    void RzBitBtn12Click();
    void PartListSelectItem(int row);
    /// "Copy to clipboard".
    void MenuItem5Click();
    /// "Clear".
    void Clear1Click();

    /// Reads one table and lists its entries: the link LBA of an extended
    /// entry, 0 when the table has none, −1 when the sector cannot be read.
    int64_t ReadPartitionTable(uint64_t table_lba);
    /// The volume label in the boot sector at `start_lba`, "error" when it cannot be read.
    std::string ReadVolumeName(uint64_t start_lba);
    void SwitchMbrSignature(uint16_t value);

  private:
    void Wire();
    void Walk();
    void ListEntry(const views::PartitionEntry& entry);
    void SaveMbrCopy(const views::SectorBytes& mbr);
    void AddFreeSpaceRow();

    ProgramImpl& p_;

    /// The walk's state, reset at every run.
    struct WalkState {
        uint32_t number = 1;
        uint64_t table_lba = 0;
        uint64_t table_base = 0;
        uint64_t extended_base = 0;
        uint32_t extended_depth = 0;
        bool link_found = false;
        uint32_t listed = 0;
        uint64_t last_end = 0;
        /// Tables read so far: a chain that links back to one of them ends.
        std::set<uint64_t> visited;
    } walk_;
    int64_t passport_result_ = 0;
};

} // namespace mrv
