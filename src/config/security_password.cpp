#include "config/security_password.h"

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
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return PasswordFileStatus::OpenError;
    std::ifstream in(path, std::ios::binary);
    if (!in) return PasswordFileStatus::OpenError;
    std::string bytes(kPasswordBytes, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<size_t>(in.gcount()) < kPasswordBytes) return PasswordFileStatus::TooShort;
    password = std::move(bytes);
    return PasswordFileStatus::Ok;
}

} // namespace mrv
