#pragma once
// Files the program reads and writes by name (passports, SMART and password
// files, MBR copies, settings, logs, labs) must be regular files: opening a
// named pipe blocks until a peer appears, and a device or socket is no file.
// These checks never block, whatever stands at the path.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace mrv
{

/// True when `path` (links followed) is a regular file; otherwise `why` says
/// what it is ("a named pipe", "a directory", "not there" ...).
bool IsRegularFile(const std::filesystem::path& path, std::string* why = nullptr);

/// True when the program may create or replace `path`: nothing stands there
/// yet, or a regular file does.
bool MayWriteFile(const std::filesystem::path& path, std::string* why = nullptr);

/// Reads at most `max_bytes` from the start of a regular file, opened so that
/// nothing else can make it wait. `size` receives the file's whole size.
/// False with `why` set when it is not a regular file or cannot be read.
bool ReadRegularFile(const std::filesystem::path& path, size_t max_bytes, std::vector<uint8_t>& bytes,
                     uint64_t& size, std::string& why);

} // namespace mrv
