#include "common/decompressing_stream.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <utility>

#include "common/errors.hpp"

#ifdef DLS_ZLIB
#include <zlib.h>
#endif

namespace dls {

namespace {

const unsigned char kGzipMagic[2] = {0x1f, 0x8b};

}  // namespace

#ifdef DLS_ZLIB

// zlib's inflate over the compressed bytes of the source, member after
// member.
class DecompressingBuffer::Inflater {
 public:
  explicit Inflater(std::size_t blockSize) : compressed_(blockSize) {
    // 16 + MAX_WBITS: gzip framing (header and CRC trailer) only.
    const int status = inflateInit2(&stream_, 16 + MAX_WBITS);
    if (status == Z_MEM_ERROR) throw std::bad_alloc();
    if (status != Z_OK)
      throw InternalError("zlib accepts gzip framing with the largest window (inflateInit2 returned " +
                          std::to_string(status) + ")");
  }
  ~Inflater() { inflateEnd(&stream_); }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  // The compressed bytes already taken from the source (its first ones).
  void start(const char* bytes, std::size_t count) {
    std::memcpy(compressed_.data(), bytes, count);
    stream_.next_in = reinterpret_cast<Bytef*>(compressed_.data());
    stream_.avail_in = static_cast<uInt>(count);
  }

  // Fills text with at most size inflated bytes; returns how many, 0 at the
  // end of the last member.
  std::size_t inflateInto(char* text, std::size_t size, DecompressingBuffer& owner) {
    stream_.next_out = reinterpret_cast<Bytef*>(text);
    stream_.avail_out = static_cast<uInt>(size);
    while (stream_.avail_out == size) {
      if (stream_.avail_in == 0) {
        const std::size_t count = owner.readSource(compressed_.data(), compressed_.size());
        if (count == 0) {
          if (inMember_) throw InputError("cannot read " + owner.name_ + ": unexpected end of gzip data");
          break;
        }
        stream_.next_in = reinterpret_cast<Bytef*>(compressed_.data());
        stream_.avail_in = static_cast<uInt>(count);
      }
      inMember_ = true;
      const int status = inflate(&stream_, Z_NO_FLUSH);
      if (status == Z_STREAM_END) {
        // The next byte, if any, starts another member.
        inMember_ = false;
        inflateReset(&stream_);
      } else if (status == Z_DATA_ERROR || status == Z_NEED_DICT) {
        throw InputError("cannot read " + owner.name_ + ": corrupt gzip data");
      } else if (status == Z_MEM_ERROR) {
        throw std::bad_alloc();
      } else if (status != Z_OK && status != Z_BUF_ERROR) {
        throw InternalError("zlib's stream state stays consistent between calls (inflate returned " +
                            std::to_string(status) + ")");
      }
    }
    return size - stream_.avail_out;
  }

 private:
  z_stream stream_{};
  std::vector<char> compressed_;
  bool inMember_ = false;
};

#else

// Without zlib, compressed input is refused when its text is asked for.
class DecompressingBuffer::Inflater {
 public:
  explicit Inflater(std::size_t) {}
  void start(const char*, std::size_t) {}
  std::size_t inflateInto(char*, std::size_t, DecompressingBuffer& owner) {
    throw InputError("cannot read " + owner.name_ + ": gzip input needs a build with zlib");
  }
};

#endif

DecompressingBuffer::DecompressingBuffer(std::streambuf& source, std::string name, std::size_t blockSize)
    : source_(source), name_(std::move(name)), blockSize_(std::max<std::size_t>(blockSize, 2)) {}

DecompressingBuffer::~DecompressingBuffer() = default;

std::size_t DecompressingBuffer::readSource(char* to, std::size_t size) {
  if (sourceEnded_) return 0;
  std::streamsize count = 0;
  try {
    errno = 0;
    count = source_.sgetn(to, static_cast<std::streamsize>(size));
  } catch (const std::exception&) {
    // A file buffer throws on a failed read; errno tells why.
    const int reason = errno;
    throw InputError("cannot read " + name_ + ": " + std::strerror(reason != 0 ? reason : EIO));
  }
  // A stream buffer stops short of the count asked for only at its end:
  // asking again would wait for a second end of a terminal's input.
  if (count < static_cast<std::streamsize>(size)) sourceEnded_ = true;
  return static_cast<std::size_t>(std::max<std::streamsize>(count, 0));
}

DecompressingBuffer::int_type DecompressingBuffer::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  if (block_.empty()) block_.resize(blockSize_);
  std::size_t count = 0;
  if (mode_ == Mode::unknown) {
    count = readSource(block_.data(), block_.size());
    mode_ = count >= 2 && std::memcmp(block_.data(), kGzipMagic, 2) == 0 ? Mode::gzip : Mode::plain;
    if (mode_ == Mode::gzip) {
      inflater_ = std::make_unique<Inflater>(blockSize_);
      inflater_->start(block_.data(), count);
    }
  }
  if (mode_ == Mode::gzip)
    count = inflater_->inflateInto(block_.data(), block_.size(), *this);
  else if (count == 0)
    count = readSource(block_.data(), block_.size());
  if (count == 0) return traits_type::eof();
  setg(block_.data(), block_.data(), block_.data() + count);
  return traits_type::to_int_type(*gptr());
}

DecompressingStream::DecompressingStream(std::streambuf& source, std::string name, std::size_t blockSize)
    : std::istream(nullptr), buffer_(source, std::move(name), blockSize) {
  rdbuf(&buffer_);
  exceptions(std::ios::badbit);
}

}  // namespace dls
