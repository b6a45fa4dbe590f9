#pragma once

#include <string>

namespace ata::modMisc {

// The longest value a read returns; longer stored values are cut.
inline constexpr size_t kMaxIniValueLength = 254;

// The value of the key in the section of an initialisation file, or empty text when the file,
// the section or the key is missing or the file cannot be read. Section and key names are
// compared without regard to letter case; spaces around the value and one pair of enclosing
// quotes are dropped.
std::string ReadIniValue(const std::string& strSection, const std::string& strKey,
                         const std::string& strFile);

// Sets the key in the section, creating the file and the section when missing and keeping
// every other line. The file is written with ReplaceFileContent: a link is followed, a file the
// process may not write is left alone, a failed write leaves the previous content whole. A new
// file is readable and writable by its owner only; an existing file keeps its mode. Returns false
// when the file was not written, also when the existing file cannot be read.
bool WriteIniValue(const std::string& strSection, const std::string& strKey,
                   const std::string& strValue, const std::string& strFile);

} // namespace ata::modMisc
