#pragma once
// Reads lab files (INI) into a LabConfig and builds the virtual PC from them.
// Errors name the file, the line and the key.

#include "sim/lab_config.h"

#include <memory>
#include <optional>
#include <string>

namespace mrv::sim
{

class LabPc;

/// Overrides the front end may apply to what the file says.
struct LabOptions {
    std::optional<ClockMode> clock;
};

/// Parses lab text; `source` names it in error messages, `base_dir` resolves image paths.
bool ParseLab(const std::string& text, const std::string& source, const std::string& base_dir, LabConfig& out,
              std::string& error);

/// Loads and builds a lab; null with `error` set on any fault.
std::unique_ptr<LabPc> LoadLab(const std::string& path, std::string& error, const LabOptions& options = {});
std::unique_ptr<LabPc> LoadLabFromText(const std::string& text, const std::string& base_dir,
                                       std::string& error, const LabOptions& options = {});

} // namespace mrv::sim
