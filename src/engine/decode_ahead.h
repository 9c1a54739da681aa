// Decodes the entries of an opened 7z archive, in order, on a helper thread, a few
// megabytes ahead of the caller that writes them: decoding and writing overlap, while the
// memory held stays bounded. Entries up to kWholeEntryBound come as one piece each, checked
// before the caller sees them; larger ones come in pieces, the last one carrying the check.
#pragma once
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>

extern "C" {
#include "7z.h"
}

#include "engine/entry_reader.h"

constexpr size_t kWholeEntryBound = 16u << 20;

class DecodeAhead;

// One piece of an entry's data (none for an entry without data); frees itself.
class DecodedPiece {
 public:
  DecodedPiece() = default;
  ~DecodedPiece() { Reset(); }
  DecodedPiece(DecodedPiece&& other) noexcept { *this = std::move(other); }
  DecodedPiece& operator=(DecodedPiece&& other) noexcept;

  UInt32 entry = 0;
  const Byte* data() const { return data_; }
  size_t size = 0;
  bool last = true;     // the entry's last piece
  SRes status = SZ_OK;  // decoding, or for the last piece also the entry's check

 private:
  friend class DecodeAhead;
  void Reset();
  DecodeAhead* owner_ = nullptr;
  Byte* data_ = nullptr;
};

class DecodeAhead {
 public:
  DecodeAhead(const CSzArEx* db, ISeekInStreamPtr archive);
  // Stops the helper, even when the caller stopped before the last entry.
  ~DecodeAhead();
  DecodeAhead(const DecodeAhead&) = delete;
  DecodeAhead& operator=(const DecodeAhead&) = delete;

  // Starts the helper thread; without one, Next decodes on the caller's thread.
  void Start();
  // The next piece in entry order, its entry's CRC checked with the last piece (on the
  // caller's thread, while the helper decodes on); after a piece with an error nothing follows.
  DecodedPiece Next();

 private:
  friend class DecodedPiece;
  bool Produce(DecodedPiece* piece);  // false when every entry has been produced
  void Run();
  void Release(size_t size);
  void Check(DecodedPiece* piece);

  const CSzArEx* db_;
  EntryReader reader_;
  // Producer state (helper thread only, or the caller's without a helper).
  UInt32 next_entry_ = 0;
  UInt32 entry_ = 0;
  UInt64 left_ = 0;
  size_t piece_size_ = 0;
  bool in_entry_ = false;
  bool failed_ = false;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<DecodedPiece> queue_;
  size_t held_ = 0;  // bytes decoded and not yet released
  bool finished_ = false;
  bool stopping_ = false;
  std::thread thread_;
  UInt32 crc_ = 0;  // of the entry being handed out (caller's thread)
};
