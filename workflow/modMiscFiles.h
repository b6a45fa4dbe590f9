#pragma once

#include <string>
#include <sys/types.h>

namespace ata::modMisc {

// The whole file, one character per byte. A file that does not exist reads as empty text;
// any other failure (no permission, a folder, a read error) raises RaisedError, so that a
// caller never mistakes an unreadable history for an empty one.
std::string ReadTextFile(const std::string& strPath);
// The same bytes appended to the text, so that a caller can read a file straight into the
// place where it needs it.
void AppendTextFile(const std::string& strPath, std::string& strText);

// Replaces the file's content by exactly the text given; the one writer of the program's files.
// - Symbolic links are followed, also dangling ones: the file a link names is written (or
//   created in its folder) and the link stays a link.
// - A file the process may not write is left alone and the call fails.
// - Where the folder allows it, the text goes to a temporary file beside the target, is flushed
//   to disk and renamed over it, and the rename is flushed too; any failure leaves the old file.
// - In a folder the process may not write, an existing file the process may read and write is
//   rewritten in place: the space is reserved first, and when anything fails the old content and
//   length are put back.
// A new file gets lngNewFileMode exactly; an existing one keeps its mode, and its owner and
// group as far as the process may set them. Returns true on success, false on any error.
bool ReplaceFileContent(const std::string& strPath, const std::string& strText,
                        mode_t lngNewFileMode);

// Replaces the file's content by exactly the text given (ReplaceFileContent); a new file is
// readable and writable by everyone the process's umask allows. Returns false on any error.
bool WriteTextFile(const std::string& strText, const std::string& strPath);

} // namespace ata::modMisc
