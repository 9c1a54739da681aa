#include "engine/archive_extractor.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <set>
#include <string>
#include <vector>

extern "C" {
#include "7z.h"
#include "7zCrc.h"
}

#include "engine/decode_ahead.h"
#include "engine/entry_name.h"
#include "log/setup_log.h"
#include "sys/scoped_handle.h"
#include "sys/fs_utils.h"
#include "sys/permissions.h"

namespace {

constexpr size_t kLookAheadSize = 1 << 18;

void* AllocWithMalloc(ISzAllocPtr, size_t size) { return size ? std::malloc(size) : nullptr; }
void FreeWithMalloc(ISzAllocPtr, void* address) { std::free(address); }
const ISzAlloc kMallocAllocator = {AllocWithMalloc, FreeWithMalloc};

// The decoder's input: seek and read straight on the archive's file handle.
struct HandleInStream {
  ISeekInStream vt;
  HANDLE file;
};

SRes HandleRead(ISeekInStreamPtr stream, void* buffer, size_t* size) {
  HANDLE file = reinterpret_cast<const HandleInStream*>(stream)->file;
  size_t wanted = *size;
  size_t done = 0;
  char* out = static_cast<char*>(buffer);
  while (done < wanted) {
    const DWORD ask = static_cast<DWORD>(std::min<size_t>(wanted - done, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(file, out + done, ask, &got, nullptr) || got == 0) {
      *size = done;
      return SZ_ERROR_READ;  // also the end of the file before the count: a cut archive
    }
    done += got;
  }
  *size = done;
  return SZ_OK;
}

SRes HandleSeek(ISeekInStreamPtr stream, Int64* position, ESzSeek origin) {
  HANDLE file = reinterpret_cast<const HandleInStream*>(stream)->file;
  DWORD method;
  switch (origin) {
    case SZ_SEEK_SET:
      method = FILE_BEGIN;
      break;
    case SZ_SEEK_CUR:
      method = FILE_CURRENT;
      break;
    case SZ_SEEK_END:
      method = FILE_END;
      break;
    default:
      return SZ_ERROR_PARAM;
  }
  LONG high = static_cast<LONG>(*position >> 32);
  SetLastError(NO_ERROR);
  const DWORD low = SetFilePointer(file, static_cast<LONG>(*position & 0xFFFFFFFF), &high, method);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return SZ_ERROR_READ;
  *position = (static_cast<Int64>(high) << 32) | low;
  return SZ_OK;
}

void BuildCrcTablesOnce() {
  // CrcGenerateTable picks the routine the processor supports; once per process is enough.
  static const bool built = (CrcGenerateTable(), true);
  (void)built;
}

class CExtractor {
 public:
  CExtractor(HANDLE archive, const std::string& destination)
      : archive_(archive), destination_(destination) {
    stream_.vt.Read = HandleRead;
    stream_.vt.Seek = HandleSeek;
    stream_.file = archive;
    look_.buf = nullptr;
    look_.bufSize = 0;
    SzArEx_Init(&db_);
  }
  ~CExtractor() {
    SzArEx_Free(&db_, &kMallocAllocator);
    std::free(look_.buf);
  }
  CExtractor(const CExtractor&) = delete;
  CExtractor& operator=(const CExtractor&) = delete;

  uint32_t Run(std::string* last_path, const ExtractProgress& progress);

 private:
  // A file written before its data could be checked: an entry without a CRC of its own,
  // in a block whose checks come with the block's last byte.
  struct Unchecked {
    UInt32 block;
    std::string path;
    bool existed;  // the file was there before this extraction
  };

  bool Open();
  bool AnnouncesNoHeaderButGoesOn();
  std::string EntryName(UInt32 index) const;
  void PrepareFolder(const std::string& path);
  // Writes the entry from its first piece and, for a large entry, the pieces that follow.
  uint32_t WriteFileEntry(UInt32 index, const std::string& full_path, DecodedPiece piece,
                          DecodeAhead* decoder);
  // After entry `index` has been written: its file waits for its block's checks, or the
  // block ends with it and every file written from it is confirmed.
  void NoteWritten(UInt32 index, const std::string& path, bool existed);
  // The block of entry `index` is damaged: the files written unchecked from it go.
  void RemoveUnchecked(UInt32 index);
  void RemoveDamaged(const std::string& path, bool existed);

  HANDLE archive_;
  std::string destination_;
  HandleInStream stream_;
  CLookToRead2 look_;
  CSzArEx db_;
  std::set<std::string> created_folders_;
  std::vector<Unchecked> unchecked_;
};

bool CExtractor::Open() {
  BuildCrcTablesOnce();
  look_.buf = static_cast<Byte*>(std::malloc(kLookAheadSize));
  if (!look_.buf) return false;
  look_.bufSize = kLookAheadSize;
  look_.realStream = &stream_.vt;
  LookToRead2_CreateVTable(&look_, False);
  LookToRead2_INIT(&look_);
  if (SzArEx_Open(&db_, &look_.vt, &kMallocAllocator, &kMallocAllocator) != SZ_OK) return false;
  return db_.NumFiles != 0 || !AnnouncesNoHeaderButGoesOn();
}

// The decoder takes a start header that announces no header for an empty archive. An empty
// archive is only those 32 bytes: in front of more data it is a damaged package, not one
// with nothing to install.
bool CExtractor::AnnouncesNoHeaderButGoesOn() {
  Byte start[32];
  size_t size = sizeof(start);
  Int64 at = 0;
  LARGE_INTEGER file_size;
  if (HandleSeek(&stream_.vt, &at, SZ_SEEK_SET) != SZ_OK ||
      HandleRead(&stream_.vt, start, &size) != SZ_OK || !GetFileSizeEx(archive_, &file_size))
    return true;
  const bool no_header = std::all_of(start + 20, start + 28, [](Byte b) { return b == 0; });
  return no_header && file_size.QuadPart != static_cast<LONGLONG>(sizeof(start));
}

std::string CExtractor::EntryName(UInt32 index) const {
  const size_t length = SzArEx_GetFileNameUtf16(&db_, index, nullptr);
  std::vector<UInt16> wide(length + 1, 0);
  SzArEx_GetFileNameUtf16(&db_, index, wide.data());
  std::string name;
  name.reserve(length);
  // Code units are narrowed to their low byte: names are Latin-1 / Windows-1252 text.
  for (size_t i = 0; i + 1 < length; ++i) name += static_cast<char>(wide[i] & 0xFF);
  return name;
}

void CExtractor::PrepareFolder(const std::string& path) {
  if (created_folders_.count(path)) return;
  // What counts is that the folder is there afterwards, not how the creation call answered
  // (it answers false for a path ending in a separator that it did create).
  CreateDirectoryTree(path);
  if (DirectoryExists(path)) {
    WriteLog("[  INFO] Setting privileges and attributes on -> " + path);
    created_folders_.insert(path);
    SetFolderPrivileges(path);
  }
}

namespace {

uint32_t WriteAll(HANDLE file, const Byte* data, size_t size) {
  DWORD written = 0;
  if (size > 0 &&
      (!WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) || written != size)) {
    const DWORD code = GetLastError();
    return code != NO_ERROR ? code : ERROR_WRITE_FAULT;
  }
  return 0;
}

}  // namespace

uint32_t CExtractor::WriteFileEntry(UInt32 index, const std::string& full_path, DecodedPiece piece,
                                    DecodeAhead* decoder) {
  const size_t separator = full_path.find_last_of("\\/");
  if (separator != std::string::npos) PrepareFolder(full_path.substr(0, separator));
  ScopedHandle file(CreateFileA(full_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return GetLastError();
  const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
  for (;;) {
    const uint32_t result = WriteAll(file.get(), piece.data(), piece.size);
    if (result != 0) return result;
    if (piece.last) break;
    // Only entries above the whole-entry bound come in pieces; the check comes with the
    // last one, and a damaged entry leaves nothing of itself behind.
    piece = DecodedPiece();  // written: its memory goes back to the decoder first
    piece = decoder->Next();
    if (piece.status != SZ_OK || piece.entry != index) {
      file.Close();
      RemoveDamaged(full_path, existed);
      RemoveUnchecked(index);
      return kExtractBadArchive;
    }
  }
  if (SzBitWithVals_Check(&db_.MTime, index)) {
    FILETIME modified;
    modified.dwLowDateTime = db_.MTime.Vals[index].Low;
    modified.dwHighDateTime = db_.MTime.Vals[index].High;
    if (!SetFileTime(file.get(), nullptr, nullptr, &modified)) return GetLastError();
  }
  if (!file.Close()) return GetLastError();
  NoteWritten(index, full_path, existed);
  return 0;
}

void CExtractor::NoteWritten(UInt32 index, const std::string& path, bool existed) {
  const UInt32 block = db_.FileToFolder[index];
  if (block == static_cast<UInt32>(-1) || SzArEx_GetFileSize(&db_, index) == 0) return;
  const UInt64 end = db_.UnpackPositions[index + 1] - db_.UnpackPositions[db_.FolderToFile[block]];
  if (end == SzAr_GetFolderUnpackSize(&db_.db, block)) {
    // Its last piece carried the block's own checks, and they held.
    unchecked_.erase(std::remove_if(unchecked_.begin(), unchecked_.end(),
                                    [block](const Unchecked& u) { return u.block == block; }),
                     unchecked_.end());
  } else if (!SzBitWithVals_Check(&db_.CRCs, index)) {
    unchecked_.push_back({block, path, existed});
  }
}

void CExtractor::RemoveUnchecked(UInt32 index) {
  const UInt32 block = db_.FileToFolder[index];
  for (const Unchecked& u : unchecked_)
    if (u.block == block) RemoveDamaged(u.path, u.existed);
}

// As the caller's clean-up after a failed extraction: what this extraction created goes,
// a file that was there before stays.
void CExtractor::RemoveDamaged(const std::string& path, bool existed) {
  if (existed) {
    WriteLog("[* WARN] Damaged entry written over an earlier file, kept -> " + path);
  } else if (!DeleteFileA(path.c_str())) {
    WriteLog("[**  ERR] Damaged entry not removed -> " + path + " " +
             std::to_string(GetLastError()));
  }
}

uint32_t CExtractor::Run(std::string* last_path, const ExtractProgress& progress) {
  if (!Open()) return kExtractBadArchive;
  const UInt32 count = db_.NumFiles;

  // Every name is checked before the first write, so a hostile archive leaves no trace.
  EntryCollisions collisions;
  for (UInt32 i = 0; i < count; ++i) {
    const std::string name = EntryName(i);
    if (!name.empty() && !IsSafeEntryName(name)) {
      if (last_path) *last_path = destination_ + name;
      WriteLog("[**  ERR] Archive entry outside the destination or naming a device refused -> " +
               name);
      return kExtractBadArchive;
    }
    if (!name.empty() && !collisions.Add(name, SzArEx_IsDir(&db_, i))) {
      if (last_path) *last_path = destination_ + name;
      WriteLog("[**  ERR] Archive entries writing the same file refused -> " + name);
      return kExtractBadArchive;
    }
  }

  DecodeAhead decoder(&db_, &stream_.vt);
  decoder.Start();
  for (UInt32 i = 0; i < count; ++i) {
    if (progress) progress(i, count);
    DecodedPiece piece = decoder.Next();
    if (piece.status != SZ_OK || piece.entry != i) {
      RemoveUnchecked(i);
      return kExtractBadArchive;
    }
    const std::string name = EntryName(i);
    if (name.empty()) return kExtractBadArchive;
    const std::string full_path = destination_ + name;
    if (last_path) *last_path = full_path;
    if (SzArEx_IsDir(&db_, i)) {
      PrepareFolder(full_path);
      continue;
    }
    const uint32_t result = WriteFileEntry(i, full_path, std::move(piece), &decoder);
    if (result != 0) return result;
  }
  return 0;
}

}  // namespace

bool IsSafeEntryName(const std::string& name) {
  if (name.empty()) return false;
  if (name[0] == '\\' || name[0] == '/') return false;
  if (name.find(':') != std::string::npos) return false;
  // A code unit such as U+0100 narrows to NUL, which ends the path the system sees: "..Ā"
  // would reach the parent folder.
  if (name.find('\0') != std::string::npos) return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("\\/", start);
    if (end == std::string::npos) end = name.size();
    // Windows drops trailing dots and spaces of a component, so ".. " or "..." climb as well.
    const std::string part = name.substr(start, end - start);
    if (std::count(part.begin(), part.end(), '.') >= 2 &&
        part.find_first_not_of(". ") == std::string::npos)
      return false;
    if (IsWindowsDeviceName(part)) return false;
    start = end + 1;
  }
  return true;
}

uint32_t ExtractArchive(const std::string& archive_path, const std::string& destination,
                        std::string* last_path, const ExtractProgress& progress) {
  ScopedHandle archive(CreateFileA(archive_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!archive.valid()) return GetLastError();
  uint32_t result;
  {
    CExtractor extractor(archive.get(), destination);
    result = extractor.Run(last_path, progress);
  }
  return result;
}
