#include "engine/decode_ahead.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

extern "C" {
#include "7zCrc.h"
}

namespace {
constexpr size_t kPieceSize = 4u << 20;   // pieces of entries above kWholeEntryBound
constexpr size_t kAheadBytes = 4u << 20;  // the helper waits while this much is not written
constexpr size_t kAheadPieces = 256;      // entries without data count here
}  // namespace

DecodedPiece& DecodedPiece::operator=(DecodedPiece&& other) noexcept {
  if (this != &other) {
    Reset();
    entry = other.entry;
    size = other.size;
    last = other.last;
    status = other.status;
    owner_ = other.owner_;
    data_ = other.data_;
    other.owner_ = nullptr;
    other.data_ = nullptr;
  }
  return *this;
}

void DecodedPiece::Reset() {
  if (data_) {
    std::free(data_);
    if (owner_) owner_->Release(size);
  }
  data_ = nullptr;
  owner_ = nullptr;
}

DecodeAhead::DecodeAhead(const CSzArEx* db, ISeekInStreamPtr archive)
    : db_(db), reader_(db, archive), crc_(CRC_INIT_VAL) {}

DecodeAhead::~DecodeAhead() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void DecodeAhead::Start() {
  try {
    thread_ = std::thread([this]() { Run(); });
  } catch (const std::system_error&) {
    // No helper: Next decodes each piece itself, as a plain loop would.
  }
}

bool DecodeAhead::Produce(DecodedPiece* piece) {
  if (failed_) return false;
  if (!in_entry_) {
    if (next_entry_ >= db_->NumFiles) return false;
    entry_ = next_entry_++;
    UInt64 size = 0;
    SRes res = reader_.Begin(entry_, &size);
    if (res == SZ_OK && size == 0) res = reader_.End();
    if (res != SZ_OK || size == 0) {
      piece->entry = entry_;
      piece->status = res;
      failed_ = res != SZ_OK;
      return true;
    }
    in_entry_ = true;
    left_ = size;
    piece_size_ = size <= kWholeEntryBound ? static_cast<size_t>(size) : kPieceSize;
  }
  const size_t n = static_cast<size_t>(std::min<UInt64>(left_, piece_size_));
  piece->entry = entry_;
  piece->data_ = static_cast<Byte*>(std::malloc(n));
  SRes res = SZ_ERROR_MEM;
  if (piece->data_) {
    piece->size = n;
    piece->owner_ = this;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      held_ += n;
    }
    res = reader_.Read(piece->data_, n);
    if (res == SZ_OK && left_ == n) res = reader_.End();
  }
  left_ -= n;
  piece->status = res;
  piece->last = left_ == 0 || res != SZ_OK;
  if (piece->last) in_entry_ = false;
  failed_ = res != SZ_OK;
  return true;
}

void DecodeAhead::Run() {
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this]() {
        return stopping_ || (held_ < kAheadBytes && queue_.size() < kAheadPieces);
      });
      if (stopping_) return;
    }
    DecodedPiece piece;
    const bool produced = Produce(&piece);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (produced)
        queue_.push_back(std::move(piece));
      else
        finished_ = true;
    }
    changed_.notify_all();
    if (!produced) return;
  }
}

DecodedPiece DecodeAhead::Next() {
  DecodedPiece piece;
  if (!thread_.joinable()) {
    if (!Produce(&piece)) piece.status = SZ_ERROR_FAIL;
    Check(&piece);
    return piece;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this]() { return !queue_.empty() || finished_; });
  if (queue_.empty()) {
    piece.status = SZ_ERROR_FAIL;  // asked past the end or after an error
    return piece;
  }
  piece = std::move(queue_.front());
  queue_.pop_front();
  lock.unlock();
  changed_.notify_all();
  Check(&piece);
  return piece;
}

void DecodeAhead::Check(DecodedPiece* piece) {
  if (piece->status != SZ_OK) return;
  crc_ = CrcUpdate(crc_, piece->data(), piece->size);
  if (!piece->last) return;
  if (SzBitWithVals_Check(&db_->CRCs, piece->entry) &&
      CRC_GET_DIGEST(crc_) != db_->CRCs.Vals[piece->entry])
    piece->status = SZ_ERROR_CRC;
  crc_ = CRC_INIT_VAL;
}

void DecodeAhead::Release(size_t size) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    held_ -= size;
  }
  changed_.notify_all();
}
