#pragma once

#include <string>

namespace ata::modMisc {

// The whole file, one character per byte. A file that does not exist reads as empty text;
// any other failure (no permission, a folder, a read error) raises RaisedError, so that a
// caller never mistakes an unreadable history for an empty one.
std::string ReadTextFile(const std::string& strPath);

// Replaces the file's content by exactly the text given. The text goes to a temporary file
// in the same folder, is flushed to disk and then renamed over the old file, so a failure at
// any point (full disk, file size limit, no permission) leaves the old file as it was.
// Returns true on success, false on any error.
bool WriteTextFile(const std::string& strText, const std::string& strPath);

} // namespace ata::modMisc
