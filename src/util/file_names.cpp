#include "util/file_names.h"

namespace mrv
{

std::string SanitizeFileName(const std::string& name)
{
    static const std::string kForbidden = "\"*/:<>?\\^`|";
    std::string out;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || kForbidden.find(c) != std::string::npos) continue;
        out += c;
    }
    return out;
}

} // namespace mrv
