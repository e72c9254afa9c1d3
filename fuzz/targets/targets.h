#pragma once
// The fuzz targets: each entry feeds one input to the parser the program uses
// on that kind of data. An entry returns normally for any input; a crash, a
// hang or a sanitizer report is a fault of the parser.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace mrv::fuzz
{

using Entry = void (*)(const uint8_t* data, size_t size);

struct Target {
    const char* name; ///< also the folder of its corpus and regression inputs
    Entry entry;
};

/// Every target, as fuzz/target_names.txt lists them.
const std::vector<Target>& Targets();
/// Null when there is no target of that name.
const Target* FindTarget(std::string_view name);

void FuzzSettings(const uint8_t* data, size_t size);
void FuzzLab(const uint8_t* data, size_t size);
void FuzzScript(const uint8_t* data, size_t size);
void FuzzIdentify(const uint8_t* data, size_t size);
void FuzzSmartFile(const uint8_t* data, size_t size);
void FuzzPartition(const uint8_t* data, size_t size);
void FuzzSense(const uint8_t* data, size_t size);
void FuzzNvme(const uint8_t* data, size_t size);
void FuzzLbaAmount(const uint8_t* data, size_t size);
void FuzzHexPort(const uint8_t* data, size_t size);

/// The pure decoders behind the identify and SMART targets, which also open
/// the same bytes as a file in the program.
void DecodeIdentifyWords(const uint8_t* data, size_t size);
void DecodeSmartBlocks(const uint8_t* data, size_t size);

} // namespace mrv::fuzz
