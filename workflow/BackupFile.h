#pragma once

#include "base/UniqueFd.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace ata {

// More backups in one second than this fail rather than look further for a free name.
inline constexpr int kMaxCopiesPerSecond = 100;

// The local file of one backup. A configuration holds the device's passwords, so the file is
// private from its first byte, always a new file (never another backup's of the same second,
// nor whatever a link planted at the name points to), and it takes its final name only once it
// is complete and on disk. A file that is not saved leaves nothing behind, also when this
// object goes away.
class BackupFile {
public:
    // strFinalName ends in ".reg"; the bytes go to that name + ".part" until Save. A later
    // backup of the same second gets "-2" and on before ".reg".
    explicit BackupFile(std::string strFinalName);
    ~BackupFile() { Discard(); }
    BackupFile(const BackupFile&) = delete;
    BackupFile& operator=(const BackupFile&) = delete;

    // Appends the bytes; the first piece creates the file, which stays open for the rest of
    // the run. False with errno set.
    bool Append(std::string_view strData);
    // True once a byte has reached the file.
    bool HasData() const { return m_blnCreated && m_lngBytesWritten > 0; }
    // Flushes the file, renames it to the first free final name of its second without ever
    // replacing one, and flushes the folder. strFinal is the name it took or last tried,
    // strReason why it failed.
    bool Save(std::string& strFinal, std::string& strReason);
    // Closes the file and removes it, unless it has been saved.
    void Discard();

    // The file the bytes go to meanwhile.
    const std::string& PartFileName() const { return m_strPartFileName; }

private:
    // The name of the intCopy-th backup of the same second.
    std::string CopyName(int intCopy) const;
    // Creates the ".part" file of the first free name; false with errno set.
    bool Create();

    std::string m_strFinalName;
    std::string m_strPartFileName;
    UniqueFd m_objFile;
    bool m_blnCreated = false; // the ".part" file exists and is this run's
    int64_t m_lngBytesWritten = 0;
};

} // namespace ata
