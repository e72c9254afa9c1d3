#include "config/security_password.h"

#include "platform/regular_file.h"

#include <algorithm>
#include <fstream>
#include <system_error>

namespace mrv
{

uint16_t SecurityControlWord(bool master, bool level_max)
{
    return static_cast<uint16_t>((master ? 0x0001 : 0) | (level_max ? 0x0100 : 0));
}

std::string SecurityTypeText(bool master, bool level_max)
{
    if (master) return ". Type: MASTER";
    return std::string(". Type: USER, level: ") + (level_max ? "MAXIMUM" : "HIGH");
}

bool NamesPasswordFile(const std::string& edit_text)
{
    return edit_text.rfind(kPasswordFilePrefix, 0) == 0;
}

SecurityBlock MakeSecurityBlock(uint16_t control_word, const std::string& password)
{
    SecurityBlock block{};
    block[0] = static_cast<uint8_t>(control_word);
    block[1] = static_cast<uint8_t>(control_word >> 8);
    const size_t length = std::min(password.size(), kPasswordBytes);
    std::copy_n(password.begin(), length, block.begin() + 2);
    return block;
}

PasswordFileStatus ReadPasswordFile(const std::filesystem::path& path, std::string& password)
{
    // Never a named pipe or a device: opening one could wait forever.
    std::vector<uint8_t> bytes;
    uint64_t size = 0;
    std::string why;
    if (!ReadRegularFile(path, kPasswordBytes, bytes, size, why)) return PasswordFileStatus::OpenError;
    if (bytes.size() < kPasswordBytes) return PasswordFileStatus::TooShort;
    password.assign(bytes.begin(), bytes.end());
    return PasswordFileStatus::Ok;
}

} // namespace mrv
