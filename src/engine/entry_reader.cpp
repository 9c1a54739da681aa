#include "engine/entry_reader.h"

SRes EntryReader::Begin(UInt32 index, UInt64* size) {
  left_ = 0;
  *size = 0;
  const UInt32 folder = db_->FileToFolder[index];
  if (folder == static_cast<UInt32>(-1)) return SZ_OK;
  const UInt64 start = db_->UnpackPositions[db_->FolderToFile[folder]];
  const UInt64 offset = db_->UnpackPositions[index] - start;
  const UInt64 length = db_->UnpackPositions[index + 1] - db_->UnpackPositions[index];
  // An entry without data needs no decoding, wherever it lies in its block: after the
  // block's end it would otherwise cost a whole new decode of the block.
  if (length == 0) return SZ_OK;
  // A block is decoded again only when an archive asks for its entries out of order.
  if (!block_ || block_->folder() != folder || block_->position() > offset) {
    block_.reset();
    std::unique_ptr<BlockStream> block(new BlockStream(db_, archive_));
    const SRes res = block->Open(folder);
    if (res != SZ_OK) return res;
    block_ = std::move(block);
  }
  if (offset + length > block_->size()) return SZ_ERROR_FAIL;
  const SRes res = block_->Skip(offset - block_->position());
  if (res != SZ_OK) return res;
  left_ = length;
  *size = length;
  return SZ_OK;
}

SRes EntryReader::Read(Byte* out, size_t size) {
  if (!block_ || size > left_) return SZ_ERROR_FAIL;
  const SRes res = block_->Read(out, size);
  if (res != SZ_OK) return res;
  left_ -= size;
  return SZ_OK;
}

SRes EntryReader::End() {
  if (left_ != 0) return SZ_ERROR_FAIL;
  if (block_ && block_->position() == block_->size()) {
    const SRes res = block_->Finish();
    block_.reset();  // its dictionary is no longer needed
    if (res != SZ_OK) return res;
  }
  return SZ_OK;
}
