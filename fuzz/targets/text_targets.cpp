// Targets for the parsers of typed and written text: lab files, console
// scripts, size fields and port fields.
#include "access/channel.h"
#include "config/lba_amount.h"
#include "sim/lab_config.h"
#include "sim/lab_loader.h"
#include "sim/lab_pc.h"
#include "targets/targets.h"
#include "ui/console/script.h"

#include <string>

namespace mrv::fuzz
{

namespace
{

std::string Text(const uint8_t* data, size_t size)
{
    return std::string(reinterpret_cast<const char*>(data), size);
}

/// The little-endian number in up to eight bytes from `at` (missing bytes are 0).
uint64_t Number(const uint8_t* data, size_t size, size_t at)
{
    uint64_t value = 0;
    for (size_t i = 0; i < 8 && at + i < size; ++i)
        value |= static_cast<uint64_t>(data[at + i]) << (8 * i);
    return value;
}

} // namespace

void FuzzLab(const uint8_t* data, size_t size)
{
    const std::string text = Text(data, size);
    sim::LabConfig config;
    std::string error;
    if (!sim::ParseLab(text, "<fuzz>", "", config, error)) return;
    // An image file would be created on the disk; a lab with none is built
    // whole, as the program builds it.
    for (const auto& drive : config.drives)
        if (!drive.image_path.empty()) return;
    sim::LoadLabFromText(text, "", error);
}

void FuzzScript(const uint8_t* data, size_t size)
{
    std::vector<console::Command> commands;
    std::string error;
    if (!console::ParseScript(Text(data, size), commands, error)) return;
    // What the runner parses again in a command's words.
    for (const console::Command& command : commands) {
        for (const console::Word& word : command.args) {
            console::ParseKey(word.text);
            console::ParseInteger(word.text);
        }
    }
}

void FuzzLbaAmount(const uint8_t* data, size_t size)
{
    // The first 16 bytes are the drive's size and sectors per megabyte, the rest the typed text.
    const uint64_t lba_count = Number(data, size, 0);
    const uint64_t sectors_per_mb = Number(data, size, 8);
    const size_t skip = size < 16 ? size : 16;
    ParseLbaAmount(std::string_view(reinterpret_cast<const char*>(data) + skip, size - skip), lba_count,
                   sectors_per_mb);
}

void FuzzHexPort(const uint8_t* data, size_t size)
{
    // Two typed fields, split at the first line break: the base port and the alternate status port.
    const std::string text = Text(data, size);
    const size_t cut = text.find('\n');
    const auto base = ParseHexPort(text.substr(0, cut));
    const auto alt = ParseHexPort(cut == std::string::npos ? std::string() : text.substr(cut + 1));
    if (base && alt) CustomPortsProblem(*base, *alt);
    if (base) HexPort(*base, 4);
}

} // namespace mrv::fuzz
