#pragma once
// The program on a small lab for the data views: one disk on the secondary
// channel (also physical drive 1 of the system), sectors written straight into
// the emulated drive's media.

#include "support/lab_session.h"
#include "views/partition_table.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>

namespace mrv::test
{

inline constexpr uint64_t kDiskSectors = 100000;

class ViewsTest : public ::testing::Test, protected LabSession
{
  protected:
    /// Starts the program; `drive_keys` are added to the disk's section, `api`
    /// starts in API mode on physical drive `device`.
    void Start(const std::string& drive_keys = "", bool api = false, int device = 1)
    {
        std::string text = "[Channel Secondary]\nMaster=hdd\n[Drive hdd]\nModel=MORVANTA TEST DISK\n"
                           "Serial=VW0001\nFirmware=1.0\nSectors=" +
                           std::to_string(kDiskSectors) + "\nOsNumber=1\nOsVia=sata\n" + drive_keys + "\n";
        std::string error;
        ASSERT_TRUE(LoadLab(text, error)) << error;
        StartProgram(api ? ApiModeSettings(device) : std::string());
    }

    sim::AtaDrive& disk() { return *lab->Drive("hdd"); }

    void Write(uint64_t lba, const views::SectorBytes& bytes) { disk().Media().Write(lba, bytes.data()); }
    views::SectorBytes Read(uint64_t lba)
    {
        views::SectorBytes bytes{};
        const uint8_t* sector = disk().Media().Sector(lba);
        std::copy_n(sector, bytes.size(), bytes.begin());
        return bytes;
    }
    void TakePassport()
    {
        fm().PasspBtn.Click();
        ASSERT_TRUE(fm().PartBox.Enabled());
    }
    int Count(const std::string& text) const
    {
        int n = 0;
        for (const auto& line : fixture->LoggedTexts())
            n += line.find(text) != std::string::npos;
        return n;
    }
    /// The visible cells of a partition list row, " | "-joined.
    std::string Row(int row)
    {
        std::string out;
        for (int c = 1; c <= 7; ++c)
            out += (c > 1 ? " | " : "") + fm().PartList.Cell(row, c);
        return out;
    }
};

/// A table sector with entries {boot, type, start, count} and a signature.
struct TableEntry {
    uint8_t boot, type;
    uint32_t start, count;
};

inline views::SectorBytes Table(std::initializer_list<TableEntry> entries, uint16_t signature = 0xAA55)
{
    views::SectorBytes s{};
    size_t at = 446;
    for (const TableEntry& e : entries) {
        s[at] = e.boot;
        s[at + 4] = e.type;
        for (int i = 0; i < 4; ++i) {
            s[at + 8 + i] = static_cast<uint8_t>(e.start >> (8 * i));
            s[at + 12 + i] = static_cast<uint8_t>(e.count >> (8 * i));
        }
        at += 16;
    }
    views::SetBootSignature(s, signature);
    return s;
}

} // namespace mrv::test
