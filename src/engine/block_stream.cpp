#include "engine/block_stream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

extern "C" {
#include "7zCrc.h"
#include "Bcj2.h"
#include "Bra.h"
#include "Delta.h"
#include "Lzma2Dec.h"
#include "LzmaDec.h"
}

namespace {

constexpr UInt32 kCopy = 0;
constexpr UInt32 kLzma2 = 0x21;
constexpr UInt32 kLzma = 0x30101;
constexpr UInt32 kBcj2 = 0x303011B;
constexpr UInt32 kDelta = 3;
constexpr UInt32 kArm64 = 0xA;
constexpr UInt32 kRiscv = 0xB;
constexpr UInt32 kBcj = 0x3030103;
constexpr UInt32 kPpc = 0x3030205;
constexpr UInt32 kIa64 = 0x3030401;
constexpr UInt32 kArm = 0x3030501;
constexpr UInt32 kArmt = 0x3030701;
constexpr UInt32 kSparc = 0x3030805;

constexpr size_t kPackBuffer = 1 << 18;    // archive bytes read per seek-and-read
constexpr size_t kFilterBuffer = 1 << 20;  // staging of a branch filter or Delta
constexpr size_t kBcj2Buffer = 1 << 16;    // per BCJ2 input; a multiple of 4

void* AllocWithMalloc(ISzAllocPtr, size_t size) { return size ? std::malloc(size) : nullptr; }
void FreeWithMalloc(ISzAllocPtr, void* address) { std::free(address); }
const ISzAlloc kAllocator = {AllocWithMalloc, FreeWithMalloc};

// A malloc'd byte buffer: allocation failures become SZ_ERROR_MEM, never exceptions.
class Buffer {
 public:
  Buffer() = default;
  ~Buffer() { std::free(data_); }
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;
  bool Allocate(size_t size) {
    data_ = static_cast<Byte*>(std::malloc(size ? size : 1));
    size_ = data_ ? size : 0;
    return data_ != nullptr;
  }
  Byte* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  Byte* data_ = nullptr;
  size_t size_ = 0;
};

bool IsMainMethod(UInt32 method) { return method == kCopy || method == kLzma || method == kLzma2; }

bool IsSupportedCoder(const CSzCoderInfo& coder) {
  return coder.NumStreams == 1 && IsMainMethod(coder.MethodID);
}

bool IsFilter(UInt32 method) {
  switch (method) {
    case kDelta:
    case kBcj:
    case kPpc:
    case kIa64:
    case kSparc:
    case kArm:
    case kArmt:
    case kArm64:
    case kRiscv:
      return true;
    default:
      return false;
  }
}

// The coder shapes the SDK's 7z decoder accepts: one main coder; a main coder then a filter;
// three main coders feeding BCJ2 with its range-coder stream stored as is.
SRes CheckSupportedFolder(const CSzFolder& f) {
  if (f.NumCoders < 1 || f.NumCoders > 4 || !IsSupportedCoder(f.Coders[0]))
    return SZ_ERROR_UNSUPPORTED;
  if (f.NumCoders == 1) {
    return f.NumPackStreams == 1 && f.PackStreams[0] == 0 && f.NumBonds == 0 ? SZ_OK
                                                                             : SZ_ERROR_UNSUPPORTED;
  }
  if (f.NumCoders == 2) {
    const CSzCoderInfo& c = f.Coders[1];
    if (c.NumStreams != 1 || f.NumPackStreams != 1 || f.PackStreams[0] != 0 || f.NumBonds != 1 ||
        f.Bonds[0].InIndex != 1 || f.Bonds[0].OutIndex != 0 || !IsFilter(c.MethodID))
      return SZ_ERROR_UNSUPPORTED;
    return SZ_OK;
  }
  if (f.NumCoders == 4) {
    if (!IsSupportedCoder(f.Coders[1]) || !IsSupportedCoder(f.Coders[2]) ||
        f.Coders[3].MethodID != kBcj2 || f.Coders[3].NumStreams != 4)
      return SZ_ERROR_UNSUPPORTED;
    if (f.NumPackStreams != 4 || f.PackStreams[0] != 2 || f.PackStreams[1] != 6 ||
        f.PackStreams[2] != 1 || f.PackStreams[3] != 0 || f.NumBonds != 3 ||
        f.Bonds[0].InIndex != 5 || f.Bonds[0].OutIndex != 0 || f.Bonds[1].InIndex != 4 ||
        f.Bonds[1].OutIndex != 1 || f.Bonds[2].InIndex != 3 || f.Bonds[2].OutIndex != 2)
      return SZ_ERROR_UNSUPPORTED;
    return SZ_OK;
  }
  return SZ_ERROR_UNSUPPORTED;
}

}  // namespace

// One coder's output. Read gives min(size, what is left) bytes; fewer only at its end.
class BlockSource {
 public:
  virtual ~BlockSource() = default;
  virtual SRes Read(Byte* out, size_t size, size_t* got) = 0;
  // The coder has consumed exactly its input and produced exactly its output.
  virtual SRes Finish() = 0;
};

namespace {

// A packed stream of the archive, read through its own buffer so that the four inputs of
// BCJ2 can be interleaved.
class PackSource : public BlockSource {
 public:
  PackSource(ISeekInStreamPtr archive, UInt64 offset, UInt64 size)
      : archive_(archive), position_(offset), left_(size) {}

  SRes Init() {
    return buffer_.Allocate(static_cast<size_t>(std::min<UInt64>(left_, kPackBuffer)))
               ? SZ_OK
               : SZ_ERROR_MEM;
  }

  // What is buffered (refilled when empty); none at the stream's end.
  SRes Look(const Byte** data, size_t* available) {
    if (head_ == tail_ && left_ > 0) {
      const size_t size = static_cast<size_t>(std::min<UInt64>(left_, buffer_.size()));
      Int64 at = static_cast<Int64>(position_);
      if (ISeekInStream_Seek(archive_, &at, SZ_SEEK_SET) != SZ_OK) return SZ_ERROR_READ;
      size_t read = size;
      if (ISeekInStream_Read(archive_, buffer_.data(), &read) != SZ_OK || read != size)
        return SZ_ERROR_READ;  // a cut archive
      position_ += size;
      left_ -= size;
      head_ = 0;
      tail_ = size;
    }
    *data = buffer_.data() + head_;
    *available = tail_ - head_;
    return SZ_OK;
  }
  void Skip(size_t size) { head_ += size; }
  bool AtEnd() const { return head_ == tail_ && left_ == 0; }

  SRes Read(Byte* out, size_t size, size_t* got) override {
    *got = 0;
    while (*got < size) {
      const Byte* data;
      size_t available;
      const SRes res = Look(&data, &available);
      if (res != SZ_OK) return res;
      if (available == 0) break;
      const size_t n = std::min(available, size - *got);
      std::memcpy(out + *got, data, n);
      Skip(n);
      *got += n;
    }
    return SZ_OK;
  }
  SRes Finish() override { return AtEnd() ? SZ_OK : SZ_ERROR_DATA; }

 private:
  ISeekInStreamPtr archive_;
  UInt64 position_;
  UInt64 left_;
  Buffer buffer_;
  size_t head_ = 0;
  size_t tail_ = 0;
};

// LZMA or LZMA2 with a dictionary no larger than its output: a small block never
// costs the dictionary size its packer declared.
class LzmaSource : public BlockSource {
 public:
  LzmaSource(ISeekInStreamPtr archive, UInt64 offset, UInt64 pack_size, UInt64 unpack_size,
             bool lzma2)
      : pack_(archive, offset, pack_size), left_(unpack_size), lzma2_(lzma2) {
    LzmaDec_CONSTRUCT(&lzma_) Lzma2Dec_CONSTRUCT(&lzma2_dec_)
  }
  ~LzmaSource() override {
    if (lzma2_)
      Lzma2Dec_FreeProbs(&lzma2_dec_, &kAllocator);
    else
      LzmaDec_FreeProbs(&lzma_, &kAllocator);
  }

  SRes Init(const Byte* props, unsigned props_size) {
    const SRes opened = pack_.Init();
    if (opened != SZ_OK) return opened;
    CLzmaDec* decoder = &lzma_;
    if (lzma2_) {
      if (props_size != 1) return SZ_ERROR_DATA;
      const SRes res = Lzma2Dec_AllocateProbs(&lzma2_dec_, props[0], &kAllocator);
      if (res != SZ_OK) return res;
      decoder = &lzma2_dec_.decoder;
    } else {
      const SRes res = LzmaDec_AllocateProbs(&lzma_, props, props_size, &kAllocator);
      if (res != SZ_OK) return res;
    }
    const UInt64 wanted = std::max<UInt64>(1, std::min<UInt64>(decoder->prop.dicSize, left_));
    if (wanted != static_cast<size_t>(wanted) || !dictionary_.Allocate(static_cast<size_t>(wanted)))
      return SZ_ERROR_MEM;
    decoder->dic = dictionary_.data();
    decoder->dicBufSize = dictionary_.size();
    if (lzma2_)
      Lzma2Dec_Init(&lzma2_dec_);
    else
      LzmaDec_Init(&lzma_);
    return SZ_OK;
  }

  SRes Read(Byte* out, size_t size, size_t* got) override {
    *got = 0;
    size = static_cast<size_t>(std::min<UInt64>(size, left_));
    while (*got < size) {
      const Byte* in;
      size_t available;
      SRes res = pack_.Look(&in, &available);
      if (res != SZ_OK) return res;
      SizeT out_size = size - *got;
      SizeT in_size = available;
      ELzmaStatus status;
      res = lzma2_ ? Lzma2Dec_DecodeToBuf(&lzma2_dec_, out + *got, &out_size, in, &in_size,
                                          LZMA_FINISH_ANY, &status)
                   : LzmaDec_DecodeToBuf(&lzma_, out + *got, &out_size, in, &in_size,
                                         LZMA_FINISH_ANY, &status);
      if (res != SZ_OK) return res;
      pack_.Skip(in_size);
      *got += out_size;
      left_ -= out_size;
      // No progress: the input ran out or the stream ended before its declared size.
      if (out_size == 0 && in_size == 0) return SZ_ERROR_DATA;
    }
    return SZ_OK;
  }

  // As the SDK's own decoder: LZMA2 must meet its end mark, LZMA may end without one, and
  // in both cases the packed stream must be used up exactly.
  SRes Finish() override {
    if (left_ != 0) return SZ_ERROR_DATA;
    for (;;) {
      const Byte* in;
      size_t available;
      SRes res = pack_.Look(&in, &available);
      if (res != SZ_OK) return res;
      SizeT in_size = available;
      ELzmaStatus status;
      if (lzma2_) {
        res = Lzma2Dec_DecodeToDic(&lzma2_dec_, lzma2_dec_.decoder.dicPos, in, &in_size,
                                   LZMA_FINISH_END, &status);
      } else {
        res = LzmaDec_DecodeToDic(&lzma_, lzma_.dicPos, in, &in_size, LZMA_FINISH_END, &status);
      }
      if (res != SZ_OK) return res;
      pack_.Skip(in_size);
      if (status == LZMA_STATUS_FINISHED_WITH_MARK ||
          (!lzma2_ && status == LZMA_STATUS_MAYBE_FINISHED_WITHOUT_MARK))
        break;
      if (in_size == 0) return SZ_ERROR_DATA;
    }
    return pack_.AtEnd() ? SZ_OK : SZ_ERROR_DATA;
  }

 private:
  PackSource pack_;
  UInt64 left_;
  bool lzma2_;
  CLzmaDec lzma_;
  CLzma2Dec lzma2_dec_;
  Buffer dictionary_;
};

// A branch converter or Delta applied on a staging buffer; the few bytes a converter
// cannot decide yet wait for the next fill, and pass unchanged at the stream's end.
class FilterSource : public BlockSource {
 public:
  FilterSource(std::unique_ptr<BlockSource> inner, UInt32 method)
      : inner_(std::move(inner)), method_(method) {}

  SRes Init(const Byte* props, unsigned props_size) {
    if (method_ == kDelta) {
      if (props_size != 1) return SZ_ERROR_UNSUPPORTED;
      delta_ = static_cast<unsigned>(props[0]) + 1;
      Delta_Init(delta_state_);
    } else if (method_ == kArm64 || method_ == kRiscv) {
      if (props_size == 4) {
        ip_ = props[0] | (UInt32{props[1]} << 8) | (UInt32{props[2]} << 16) |
              (UInt32{props[3]} << 24);
        if (ip_ & (method_ == kArm64 ? 3 : 1)) return SZ_ERROR_UNSUPPORTED;
      } else if (props_size != 0) {
        return SZ_ERROR_UNSUPPORTED;
      }
    } else if (props_size != 0) {
      return SZ_ERROR_UNSUPPORTED;
    }
    return buffer_.Allocate(kFilterBuffer) ? SZ_OK : SZ_ERROR_MEM;
  }

  SRes Read(Byte* out, size_t size, size_t* got) override {
    *got = 0;
    while (*got < size) {
      if (head_ < converted_) {
        const size_t n = std::min(converted_ - head_, size - *got);
        std::memcpy(out + *got, buffer_.data() + head_, n);
        head_ += n;
        *got += n;
        continue;
      }
      if (inner_done_) break;
      std::memmove(buffer_.data(), buffer_.data() + head_, tail_ - head_);
      tail_ -= head_;
      head_ = 0;
      size_t read = 0;
      const size_t wanted = buffer_.size() - tail_;
      const SRes res = inner_->Read(buffer_.data() + tail_, wanted, &read);
      if (res != SZ_OK) return res;
      if (read < wanted) inner_done_ = true;
      tail_ += read;
      converted_ = Convert(buffer_.data(), tail_);
      if (inner_done_) converted_ = tail_;
    }
    return SZ_OK;
  }

  SRes Finish() override { return inner_->Finish(); }

 private:
  size_t Convert(Byte* data, size_t size) {
    Byte* end = data + size;
    switch (method_) {
      case kDelta:
        Delta_Decode(delta_state_, delta_, data, size);
        return size;
      case kBcj:
        end = z7_BranchConvSt_X86_Dec(data, size, ip_, &x86_state_);
        break;
      case kPpc:
        end = z7_BranchConv_PPC_Dec(data, size, ip_);
        break;
      case kIa64:
        end = z7_BranchConv_IA64_Dec(data, size, ip_);
        break;
      case kSparc:
        end = z7_BranchConv_SPARC_Dec(data, size, ip_);
        break;
      case kArm:
        end = z7_BranchConv_ARM_Dec(data, size, ip_);
        break;
      case kArmt:
        end = z7_BranchConv_ARMT_Dec(data, size, ip_);
        break;
      case kArm64:
        end = z7_BranchConv_ARM64_Dec(data, size, ip_);
        break;
      case kRiscv:
        end = z7_BranchConv_RISCV_Dec(data, size, ip_);
        break;
      default:
        break;
    }
    const size_t done = static_cast<size_t>(end - data);
    ip_ += static_cast<UInt32>(done);
    return done;
  }

  std::unique_ptr<BlockSource> inner_;
  UInt32 method_;
  UInt32 ip_ = 0;
  UInt32 x86_state_ = Z7_BRANCH_CONV_ST_X86_STATE_INIT_VAL;
  unsigned delta_ = 1;
  Byte delta_state_[DELTA_STATE_SIZE];
  Buffer buffer_;
  size_t head_ = 0;
  size_t converted_ = 0;
  size_t tail_ = 0;
  bool inner_done_ = false;
};

// BCJ2 over its four inputs (main, call, jump: decoded streams; range coder: stored),
// each refilled on demand through a small buffer.
class Bcj2Source : public BlockSource {
 public:
  explicit Bcj2Source(std::unique_ptr<BlockSource> inputs[BCJ2_NUM_STREAMS]) {
    for (unsigned i = 0; i < BCJ2_NUM_STREAMS; ++i) inputs_[i] = std::move(inputs[i]);
    std::memset(&decoder_, 0, sizeof(decoder_));
  }

  SRes Init() {
    for (unsigned i = 0; i < BCJ2_NUM_STREAMS; ++i)
      if (!buffers_[i].Allocate(i == BCJ2_STREAM_MAIN ? kFilterBuffer : kBcj2Buffer))
        return SZ_ERROR_MEM;
    Bcj2Dec_Init(&decoder_);
    for (unsigned i = 0; i < BCJ2_NUM_STREAMS; ++i)
      decoder_.bufs[i] = decoder_.lims[i] = buffers_[i].data();
    return SZ_OK;
  }

  SRes Read(Byte* out, size_t size, size_t* got) override {
    decoder_.dest = out;
    decoder_.destLim = out + size;
    while (decoder_.dest != decoder_.destLim) {
      if (Bcj2Dec_Decode(&decoder_) != SZ_OK) return SZ_ERROR_DATA;
      if (decoder_.dest == decoder_.destLim) break;
      const unsigned stream = decoder_.state;
      if (stream >= BCJ2_NUM_STREAMS) return SZ_ERROR_DATA;
      if (ended_[stream]) break;  // the block is shorter than declared
      size_t read = 0;
      const SRes res =
          inputs_[stream]->Read(buffers_[stream].data(), buffers_[stream].size(), &read);
      if (res != SZ_OK) return res;
      if (read < buffers_[stream].size()) ended_[stream] = true;
      // Call and jump addresses are whole 32-bit values; a stream cut inside one is damaged.
      if (BCJ2_IS_32BIT_STREAM(stream) && (read & 3) != 0) return SZ_ERROR_DATA;
      decoder_.bufs[stream] = buffers_[stream].data();
      decoder_.lims[stream] = buffers_[stream].data() + read;
    }
    *got = static_cast<size_t>(decoder_.dest - out);
    return SZ_OK;
  }

  SRes Finish() override {
    for (unsigned i = 0; i < BCJ2_NUM_STREAMS; ++i) {
      if (decoder_.bufs[i] != decoder_.lims[i]) return SZ_ERROR_DATA;
      Byte extra;
      size_t read = 0;
      if (!ended_[i] && (inputs_[i]->Read(&extra, 1, &read) != SZ_OK || read != 0))
        return SZ_ERROR_DATA;
      const SRes res = inputs_[i]->Finish();
      if (res != SZ_OK) return res;
    }
    return Bcj2Dec_IsMaybeFinished(&decoder_) ? SZ_OK : SZ_ERROR_DATA;
  }

 private:
  std::unique_ptr<BlockSource> inputs_[BCJ2_NUM_STREAMS];
  Buffer buffers_[BCJ2_NUM_STREAMS];
  bool ended_[BCJ2_NUM_STREAMS] = {};
  CBcj2Dec decoder_;
};

SRes MakeMainCoder(ISeekInStreamPtr archive, const CSzCoderInfo& coder, const Byte* props,
                   UInt64 pack_offset, UInt64 pack_size, UInt64 unpack_size,
                   std::unique_ptr<BlockSource>* out) {
  if (coder.MethodID == kCopy) {
    if (pack_size != unpack_size) return SZ_ERROR_DATA;
    std::unique_ptr<PackSource> source(new PackSource(archive, pack_offset, pack_size));
    const SRes res = source->Init();
    *out = std::move(source);
    return res;
  }
  if (coder.MethodID == kLzma || coder.MethodID == kLzma2) {
    std::unique_ptr<LzmaSource> source(
        new LzmaSource(archive, pack_offset, pack_size, unpack_size, coder.MethodID == kLzma2));
    const SRes res = source->Init(props + coder.PropsOffset, coder.PropsSize);
    *out = std::move(source);
    return res;
  }
  return SZ_ERROR_UNSUPPORTED;
}

}  // namespace

BlockStream::BlockStream(const CSzArEx* db, ISeekInStreamPtr archive)
    : db_(db), archive_(archive) {}

BlockStream::~BlockStream() = default;

SRes BlockStream::Open(UInt32 folder) {
  const CSzAr& ar = db_->db;
  if (folder >= ar.NumFolders) return SZ_ERROR_FAIL;
  const Byte* data = ar.CodersData + ar.FoCodersOffsets[folder];
  CSzData sd;
  sd.Data = data;
  sd.Size = ar.FoCodersOffsets[folder + 1] - ar.FoCodersOffsets[folder];
  CSzFolder f;
  SRes res = SzGetNextFolderItem(&f, &sd);
  if (res != SZ_OK) return res;
  if (sd.Size != 0 || f.UnpackStream != ar.FoToMainUnpackSizeIndex[folder]) return SZ_ERROR_FAIL;
  res = CheckSupportedFolder(f);
  if (res != SZ_OK) return res;

  folder_ = folder;
  position_ = 0;
  size_ = SzAr_GetFolderUnpackSize(&ar, folder);
  check_crc_ = SzBitWithVals_Check(&ar.FolderCRCs, folder);
  crc_ = CRC_INIT_VAL;

  const UInt64* unpack_sizes = ar.CoderUnpackSizes + ar.FoToCoderUnpackSizes[folder];
  const UInt64* pack = ar.PackPositions + ar.FoStartPackStreamIndex[folder];
  const UInt64 start = db_->dataPos;
  auto pack_offset = [&](unsigned stream) { return start + pack[stream]; };
  auto pack_size = [&](unsigned stream) { return pack[stream + 1] - pack[stream]; };

  std::unique_ptr<BlockSource> source;
  if (f.NumCoders <= 2) {
    res = MakeMainCoder(archive_, f.Coders[0], data, pack_offset(0), pack_size(0), size_, &source);
    if (res != SZ_OK) return res;
    if (f.NumCoders == 2) {
      std::unique_ptr<FilterSource> filter(
          new FilterSource(std::move(source), f.Coders[1].MethodID));
      res = filter->Init(data + f.Coders[1].PropsOffset, f.Coders[1].PropsSize);
      if (res != SZ_OK) return res;
      source = std::move(filter);
    }
  } else {
    // Coder 2 gives the main stream, coder 1 the calls, coder 0 the jumps; the range
    // coder's stream is stored as packed stream 1.
    if ((unpack_sizes[0] & 3) != 0 || (unpack_sizes[1] & 3) != 0 ||
        unpack_sizes[0] + unpack_sizes[1] + unpack_sizes[2] != size_)
      return SZ_ERROR_DATA;
    std::unique_ptr<BlockSource> inputs[BCJ2_NUM_STREAMS];
    const unsigned coder_of[3] = {2, 1, 0};
    const unsigned pack_of_coder[3] = {3, 2, 0};
    for (unsigned stream = 0; stream < 3; ++stream) {
      const unsigned ci = coder_of[stream];
      const unsigned si = pack_of_coder[ci];
      res = MakeMainCoder(archive_, f.Coders[ci], data, pack_offset(si), pack_size(si),
                          unpack_sizes[ci], &inputs[stream]);
      if (res != SZ_OK) return res;
    }
    std::unique_ptr<PackSource> rc(new PackSource(archive_, pack_offset(1), pack_size(1)));
    res = rc->Init();
    if (res != SZ_OK) return res;
    inputs[BCJ2_STREAM_RC] = std::move(rc);
    std::unique_ptr<Bcj2Source> bcj2(new Bcj2Source(inputs));
    res = bcj2->Init();
    if (res != SZ_OK) return res;
    source = std::move(bcj2);
  }
  source_ = std::move(source);
  return SZ_OK;
}

SRes BlockStream::Read(Byte* out, size_t size) {
  if (!source_) return SZ_ERROR_FAIL;
  if (size > size_ - position_) return SZ_ERROR_DATA;
  size_t got = 0;
  const SRes res = source_->Read(out, size, &got);
  if (res != SZ_OK) return res;
  if (got != size) return SZ_ERROR_DATA;
  if (check_crc_) crc_ = CrcUpdate(crc_, out, size);
  position_ += size;
  return SZ_OK;
}

SRes BlockStream::Skip(UInt64 size) {
  Buffer scratch;
  if (size > 0 && !scratch.Allocate(static_cast<size_t>(std::min<UInt64>(size, 1 << 16))))
    return SZ_ERROR_MEM;
  while (size > 0) {
    const size_t n = static_cast<size_t>(std::min<UInt64>(size, scratch.size()));
    const SRes res = Read(scratch.data(), n);
    if (res != SZ_OK) return res;
    size -= n;
  }
  return SZ_OK;
}

SRes BlockStream::Finish() {
  if (!source_) return SZ_ERROR_FAIL;
  if (position_ != size_) return SZ_ERROR_DATA;
  const SRes res = source_->Finish();
  if (res != SZ_OK) return res;
  if (check_crc_ && CRC_GET_DIGEST(crc_) != db_->db.FolderCRCs.Vals[folder_]) return SZ_ERROR_CRC;
  return SZ_OK;
}
