#include "campaign/campaign_table.h"

#include <sstream>

namespace mrv::test
{

namespace
{

constexpr const char* kBegin = "<!-- fault campaign: begin (written by tools/update-fault-campaign.sh) -->";
constexpr const char* kEnd = "<!-- fault campaign: end -->";
constexpr uint64_t kStallLimitMs = 250;

std::string Escape(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '|') out += '\\';
        out += c;
    }
    return out;
}

} // namespace

std::string CellWord(const CellResult& cell)
{
    if (!cell.ended) return "HANG";
    if (!cell.outside_unchanged) return "WROTE OUTSIDE";
    if (cell.longest_stall_ms > kStallLimitMs) return "STALL";
    return cell.verdict;
}

std::string CampaignSection(const std::vector<CampaignRow>& rows)
{
    const std::vector<Operation>& ops = CampaignOperations();
    std::ostringstream out;
    out << kBegin << "\n\n| Fault |";
    for (const Operation& op : ops)
        out << ' ' << op.name << " |";
    out << "\n|---|";
    for (size_t i = 0; i < ops.size(); ++i)
        out << "---|";
    out << "\n";
    for (const CampaignRow& row : rows) {
        out << "| " << Escape(row.fault) << " |";
        for (const CellResult& cell : row.cells)
            out << ' ' << CellWord(cell) << " |";
        out << "\n";
    }
    out << "\n### What each cell did\n";
    for (const CampaignRow& row : rows) {
        out << "\n**" << row.fault << "**\n\n"
            << "| Operation | Outcome | What the program said | Longest UI stall | Virtual time |\n"
            << "|---|---|---|---|---|\n";
        for (size_t i = 0; i < row.cells.size() && i < ops.size(); ++i) {
            const CellResult& cell = row.cells[i];
            out << "| " << ops[i].name << " | " << CellWord(cell) << " | " << Escape(cell.line) << " | "
                << cell.longest_stall_ms << " ms | " << cell.virtual_ms / 1000.0 << " s |\n";
        }
    }
    out << "\n" << kEnd << "\n";
    return out.str();
}

std::string ReplaceCampaignSection(const std::string& readme, const std::string& section)
{
    const size_t begin = readme.find(kBegin);
    const size_t end = readme.find(kEnd);
    if (begin == std::string::npos || end == std::string::npos || end < begin) return readme + "\n" + section;
    size_t after = end + std::string(kEnd).size();
    if (after < readme.size() && readme[after] == '\n') ++after;
    return readme.substr(0, begin) + section + readme.substr(after);
}

} // namespace mrv::test
