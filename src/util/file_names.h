#pragma once
// File names made from texts a drive or a user gives (model, serial, typed names).

#include <string>

namespace mrv
{

/// Drops control characters and the characters file systems refuse
/// ("*/:<>?\^`| and the double quote).
std::string SanitizeFileName(const std::string& name);

} // namespace mrv
