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

std::vector<std::string> SplitRow(const std::string& line)
{
    std::vector<std::string> cells;
    std::string cell;
    for (size_t i = 1; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '|') {
            cell += '|';
            ++i;
        } else if (line[i] == '|') {
            const size_t first = cell.find_first_not_of(' ');
            const size_t last = cell.find_last_not_of(' ');
            cells.push_back(first == std::string::npos ? "" : cell.substr(first, last - first + 1));
            cell.clear();
        } else {
            cell += line[i];
        }
    }
    return cells;
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

std::optional<std::vector<std::string>> ReadCampaignRow(const std::string& readme, const std::string& fault)
{
    const size_t begin = readme.find(kBegin);
    const size_t end = readme.find(kEnd);
    if (begin == std::string::npos || end == std::string::npos || end < begin) return std::nullopt;
    const std::string wanted = "| " + Escape(fault) + " |";
    std::istringstream lines(readme.substr(begin, end - begin));
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind(wanted, 0) != 0) continue;
        std::vector<std::string> cells = SplitRow(line);
        if (cells.empty()) return std::nullopt;
        cells.erase(cells.begin());
        return cells;
    }
    return std::nullopt;
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
