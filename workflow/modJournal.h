#pragma once

#include <string>
#include <string_view>
#include <sys/stat.h>

namespace ata::modJournal {

// A rollback journal for rewriting a file in place, where its folder allows no temporary file:
// before the first byte of the file changes, its old content is written to a journal in the
// user's state folder and flushed; the journal is deleted once the new content is flushed.
// A process killed in between leaves the journal, and whoever next holds the file's lock puts
// the old content back. Paths given here are the file's resolved path (links followed).

// The journal of a file: in the user's state folder, named after the file's resolved path.
// Empty when there is no state folder.
std::string JournalFile(const std::string& strTarget);

// Records the old content (and the file's identity) and flushes it with its folder. False, and
// no journal left, when it could not be written: the file must then not be touched.
bool Begin(const std::string& strTarget, const struct stat& objOld, std::string_view strOld);

// The new content is flushed: deletes the journal and flushes its folder. False when the
// journal could not be deleted (it would undo the new content later).
bool Commit(const std::string& strTarget);

// Puts the file back as a killed rewrite found it, when a complete journal of it is left, and
// deletes the journal. An incomplete journal (the process died while writing it, before the
// file was touched) or a stale one (the file was replaced since) is deleted unused. True when
// the file is whole afterwards; false when a journal is left that could not be applied.
bool RollBack(const std::string& strTarget);

} // namespace ata::modJournal
