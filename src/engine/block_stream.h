// Decodes one solid block of an opened 7z archive as a stream, with a bounded memory:
// each coder keeps only its dictionary (no larger than what it produces) and small
// staging buffers, never the whole decoded block.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" {
#include "7z.h"
}

class BlockSource;  // the coder chain of one block

class BlockStream {
 public:
  // `archive` is read with seek-then-read pairs; it must outlive the stream.
  BlockStream(const CSzArEx* db, ISeekInStreamPtr archive);
  ~BlockStream();
  BlockStream(const BlockStream&) = delete;
  BlockStream& operator=(const BlockStream&) = delete;

  // Builds the coders of block `folder`: every shape the SDK's own decoder accepts.
  SRes Open(UInt32 folder);
  // The next `size` bytes of the block; a block that ends earlier is a data error.
  SRes Read(Byte* out, size_t size);
  SRes Skip(UInt64 size);
  // After the last byte: every coder is at its end and the block's CRC (when stored) holds.
  SRes Finish();

  UInt32 folder() const { return folder_; }
  UInt64 position() const { return position_; }
  UInt64 size() const { return size_; }

 private:
  const CSzArEx* db_;
  ISeekInStreamPtr archive_;
  std::unique_ptr<BlockSource> source_;
  UInt32 folder_ = 0xFFFFFFFF;
  UInt64 position_ = 0;
  UInt64 size_ = 0;
  bool check_crc_ = false;
  UInt32 crc_ = 0;
};
