#pragma once
// The campaign's report: a table of faults against operations in
// tests/README.md, between two marker lines, with the details of every cell
// below it, written by the test that runs the campaign when asked to.

#include "campaign/campaign_lab.h"

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

/// `readme` with its section replaced by `section` (appended when missing).
std::string ReplaceCampaignSection(const std::string& readme, const std::string& section);

} // namespace mrv::test
