#include "workflow/modJournal.h"

#include "base/FileIo.h"
#include "base/UniqueFd.h"
#include "workflow/modMiscFolder.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace ata::modJournal {

namespace {

constexpr std::string_view kMagic = "ATATOOL-JOURNAL-1\n";

// A 64-bit hash of bytes, eight at a time; it checks that a journal is complete.
uint64_t Hash(std::string_view strBytes, uint64_t lngHash = 0x9E3779B97F4A7C15ull) {
    auto Mix = [](uint64_t h, uint64_t w) {
        h ^= w;
        h *= 0xFF51AFD7ED558CCDull;
        return h ^ (h >> 32);
    };
    size_t k = 0;
    for (; k + 8 <= strBytes.size(); k += 8) {
        uint64_t w = 0;
        std::memcpy(&w, strBytes.data() + k, 8);
        lngHash = Mix(lngHash, w);
    }
    uint64_t w = 0;
    std::memcpy(&w, strBytes.data() + k, strBytes.size() - k);
    return Mix(Mix(lngHash, w), strBytes.size());
}

void PutNumber(std::string& strOut, uint64_t lngValue) {
    char buf[8];
    std::memcpy(buf, &lngValue, 8);
    strOut.append(buf, 8);
}

bool TakeNumber(std::string_view& strIn, uint64_t& lngValue) {
    if (strIn.size() < 8)
        return false;
    std::memcpy(&lngValue, strIn.data(), 8);
    strIn.remove_prefix(8);
    return true;
}

// A journal's content: the magic, the target's path, device and inode, the old content, and a
// hash of everything before it.
struct Record {
    std::string strTarget;
    uint64_t lngDevice = 0;
    uint64_t lngInode = 0;
    std::string_view strOld;
};

std::string Encode(const std::string& strTarget, const struct stat& objOld,
                   std::string_view strOld) {
    std::string strOut;
    strOut.reserve(kMagic.size() + strTarget.size() + strOld.size() + 48);
    strOut += kMagic;
    PutNumber(strOut, strTarget.size());
    strOut += strTarget;
    PutNumber(strOut, static_cast<uint64_t>(objOld.st_dev));
    PutNumber(strOut, static_cast<uint64_t>(objOld.st_ino));
    PutNumber(strOut, strOld.size());
    strOut += strOld;
    PutNumber(strOut, Hash(strOut));
    return strOut;
}

// False for anything but a whole journal.
bool Decode(std::string_view strJournal, Record& objRecord) {
    if (strJournal.size() < kMagic.size() + 8 || strJournal.substr(0, kMagic.size()) != kMagic)
        return false;
    uint64_t lngHash = 0;
    std::string_view strTail = strJournal.substr(strJournal.size() - 8);
    TakeNumber(strTail, lngHash);
    std::string_view strIn = strJournal.substr(0, strJournal.size() - 8);
    if (Hash(strIn) != lngHash)
        return false;
    strIn.remove_prefix(kMagic.size());
    uint64_t lngLength = 0;
    if (!TakeNumber(strIn, lngLength) || lngLength > strIn.size())
        return false;
    objRecord.strTarget = std::string(strIn.substr(0, lngLength));
    strIn.remove_prefix(lngLength);
    if (!TakeNumber(strIn, objRecord.lngDevice) || !TakeNumber(strIn, objRecord.lngInode) ||
        !TakeNumber(strIn, lngLength) || lngLength != strIn.size())
        return false;
    objRecord.strOld = strIn;
    return true;
}

bool RemoveJournal(const std::string& strJournal) {
    if (::unlink(strJournal.c_str()) != 0 && errno != ENOENT)
        return false;
    return modFileIo::SyncFolder(modFileIo::FolderOf(strJournal));
}

} // namespace

std::string JournalFile(const std::string& strTarget) {
    const size_t lngSlash = strTarget.find_last_of('/');
    const std::string strName =
        lngSlash == std::string::npos ? strTarget : strTarget.substr(lngSlash + 1);
    return modMisc::UserStateFile(strName, strTarget, ".journal");
}

bool Begin(const std::string& strTarget, const struct stat& objOld, std::string_view strOld) {
    const std::string strJournal = JournalFile(strTarget);
    if (strJournal.empty() || !modFileIo::MakePrivateFolders(modFileIo::FolderOf(strJournal)))
        return false;
    UniqueFd objFile(
        ::open(strJournal.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!objFile)
        return false;
    const bool blnWritten =
        modFileIo::WriteAt(objFile.Get(), Encode(strTarget, objOld, strOld), 0) &&
        ::fsync(objFile.Get()) == 0 && objFile.Close() &&
        modFileIo::SyncFolder(modFileIo::FolderOf(strJournal));
    if (!blnWritten)
        ::unlink(strJournal.c_str());
    return blnWritten;
}

bool Commit(const std::string& strTarget) {
    return RemoveJournal(JournalFile(strTarget));
}

bool RollBack(const std::string& strTarget) {
    const std::string strJournal = JournalFile(strTarget);
    if (strJournal.empty())
        return true;
    UniqueFd objJournal(modFileIo::OpenRegular(strJournal, O_RDONLY | O_NOFOLLOW));
    struct stat objStat {};
    if (!objJournal)
        return errno == ENOENT;
    std::string strBytes;
    if (::fstat(objJournal.Get(), &objStat) != 0 ||
        !modFileIo::ReadToEnd(objJournal.Get(), static_cast<size_t>(objStat.st_size), strBytes))
        return false;
    objJournal.Reset();
    Record objRecord;
    if (!Decode(strBytes, objRecord))
        return RemoveJournal(strJournal);
    if (objRecord.strTarget != strTarget)
        return true; // another file's journal under the same name; not ours to apply
    UniqueFd objFile(modFileIo::OpenRegular(strTarget, O_RDWR | O_NOFOLLOW));
    if (!objFile) {
        // The file is gone or is something else now: nothing left to put back.
        return errno == ENOENT || errno == EINVAL || errno == EISDIR ? RemoveJournal(strJournal)
                                                                     : false;
    }
    if (::fstat(objFile.Get(), &objStat) != 0)
        return false;
    if (static_cast<uint64_t>(objStat.st_dev) != objRecord.lngDevice ||
        static_cast<uint64_t>(objStat.st_ino) != objRecord.lngInode)
        return RemoveJournal(strJournal); // replaced by a whole new file since
    const bool blnRestored =
        modFileIo::WriteAt(objFile.Get(), objRecord.strOld, 0) &&
        ::ftruncate(objFile.Get(), static_cast<off_t>(objRecord.strOld.size())) == 0 &&
        ::fsync(objFile.Get()) == 0;
    return blnRestored && RemoveJournal(strJournal);
}

} // namespace ata::modJournal
