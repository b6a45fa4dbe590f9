#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

// Whole-file reading and writing on descriptors, for every reader and writer of the program's
// files: nothing here blocks on a FIFO or a device, and short reads and writes are retried.
namespace ata::modFileIo {

// The folder part of a path (its parent path; "." for a bare name, "/" for a file in the root).
std::string FolderOf(const std::string& strPath);

// The file a path names once every symbolic link on its last component is followed. Unlike
// realpath() this works when the last link dangles: the result is then the missing file the
// link names. Relative link texts count from the link's own folder. False on a read error or a
// loop.
bool ResolveLinks(const std::string& strPath, std::string& strTarget);

// Opens an existing regular file without waiting: a FIFO or a device would block an open or a
// read for ever, so anything but a regular file fails with EINVAL (a folder with EISDIR).
// Returns the descriptor (blocking again) or -1 with errno set.
int OpenRegular(const std::string& strPath, int intFlags);

// Writes all bytes at the offset given, retrying short writes; lngDone tells how many reached
// the file.
bool WriteAt(int fd, std::string_view strBytes, off_t lngOffset, size_t& lngDone);
bool WriteAt(int fd, std::string_view strBytes, off_t lngOffset);

// Reads from the descriptor's offset to the end of the file and appends what it read to the
// text. lngSizeHint (the size fstat gave) saves growing the text; a file that grew since is
// still read to its end.
bool ReadToEnd(int fd, size_t lngSizeHint, std::string& strText);

// Appends the whole of an existing regular file (OpenRegular, then ReadToEnd) to the text.
// False with errno set (ENOENT for a missing file); the text is as it was then.
bool AppendWholeFile(const std::string& strPath, std::string& strText);

// Flushes a folder, so that a file created, renamed or removed in it survives a crash.
bool SyncFolder(const std::string& strFolder);

// Creates a folder and its missing parents, each new one private to the user (0700). True
// when the folder exists afterwards.
bool MakePrivateFolders(const std::string& strFolder);

} // namespace ata::modFileIo
