#pragma once
// Windows code page 1251 from UTF-8: drives locked under Windows with Russian
// passwords hold those passwords as CP1251 bytes, so ours must be the same.

#include <string>

namespace mrv
{

/// The CP1251 bytes of a UTF-8 text. Characters the code page lacks, and
/// malformed UTF-8 sequences, become '?'.
std::string Utf8ToCp1251(const std::string& utf8);

} // namespace mrv
