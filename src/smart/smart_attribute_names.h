#pragma once
// Display names of SMART attributes, with the variants some model families use.

#include <cstdint>
#include <string>

namespace mrv
{

/// The name shown for attribute `id` of a drive of `model_family`;
/// "unknown attribut" for IDs the table does not list.
std::string SmartAttributeName(uint8_t id, uint8_t model_family);

/// True when the table lists `id`.
bool SmartAttributeKnown(uint8_t id);

} // namespace mrv
