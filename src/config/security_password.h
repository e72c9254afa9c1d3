#pragma once
// The 512-byte block that SECURITY SET PASSWORD, UNLOCK, DISABLE PASSWORD and
// ERASE UNIT carry: the control word, then 32 password bytes. Pure functions,
// so that the byte layout is tested without a drive.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

namespace mrv
{

using SecurityBlock = std::array<uint8_t, 512>;
inline constexpr size_t kPasswordBytes = 32;
/// The edit text that names a password file instead of holding a password.
inline constexpr const char* kPasswordFilePrefix = "file: ";

/// Word 0: bit 0 for the master password, bit 8 for level maximum.
uint16_t SecurityControlWord(bool master, bool level_max);
/// ". Type: MASTER", or ". Type: USER, level: HIGH" / "MAXIMUM".
std::string SecurityTypeText(bool master, bool level_max);
/// The edit text names a password file (starts with "file: ").
bool NamesPasswordFile(const std::string& edit_text);

/// A zeroed block with the control word and `password` (at most 32 bytes
/// taken, in order from byte 2; the rest stays 0).
SecurityBlock MakeSecurityBlock(uint16_t control_word, const std::string& password);

enum class PasswordFileStatus { Ok, OpenError, TooShort };
/// The first 32 bytes of a password file. Anything but a regular file (a
/// pipe, a device, a folder) is an open error: reading it could block or
/// never end.
PasswordFileStatus ReadPasswordFile(const std::filesystem::path& path, std::string& password);

} // namespace mrv
