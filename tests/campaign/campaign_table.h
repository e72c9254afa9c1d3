#pragma once
// The campaign's report: a table of faults against operations in
// tests/README.md, between two marker lines, with the details of every cell
// below it. The test that runs the campaign writes it on request and
// otherwise checks each row against it.

#include "campaign/campaign_lab.h"

#include <optional>
#include <string>
#include <vector>

namespace mrv::test
{

struct CampaignRow {
    std::string fault;
    std::vector<CellResult> cells; ///< in the order of CampaignOperations()
};

/// The word a cell shows: the verdict, or what went wrong (a hang, a stall, a write outside the range).
std::string CellWord(const CellResult& cell);

/// The whole section, markers included.
std::string CampaignSection(const std::vector<CampaignRow>& rows);

/// The words of the row named `fault` in the section of `readme`; nullopt
/// when the section or the row is missing.
std::optional<std::vector<std::string>> ReadCampaignRow(const std::string& readme, const std::string& fault);

/// `readme` with its section replaced by `section` (appended when missing).
std::string ReplaceCampaignSection(const std::string& readme, const std::string& section);

} // namespace mrv::test
