// Reads the data of a 7z archive's entries, one entry after the other, decoding each solid
// block as a stream: entries of one block in archive order cost one decode of the block,
// and entries without data (folders, empty files, entries of length 0 in a block) leave
// the decoding where it is.
#pragma once
#include <cstddef>
#include <memory>

extern "C" {
#include "7z.h"
}

#include "engine/block_stream.h"

class EntryReader {
 public:
  EntryReader(const CSzArEx* db, ISeekInStreamPtr archive) : db_(db), archive_(archive) {}

  // Positions at the first byte of entry `index`; *size receives its length (0 without data).
  SRes Begin(UInt32 index, UInt64* size);
  // The next `size` bytes of the entry.
  SRes Read(Byte* out, size_t size);
  // After the entry's last byte: the block's own checks when the block ends. The entry's
  // CRC is left to the caller, who can compute it on another thread.
  SRes End();

 private:
  const CSzArEx* db_;
  ISeekInStreamPtr archive_;
  std::unique_ptr<BlockStream> block_;
  UInt64 left_ = 0;
};
