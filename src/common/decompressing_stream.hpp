#pragma once
// Input that may be gzip-compressed. A file (or standard input) whose first
// two bytes are those of a gzip member (1f 8b) is read as the text it
// inflates to, whatever its name; any other is read as it is. Members
// written one after the other (cat a.gz b.gz, bgzip) read as one text. The
// readers above see the text only, so the positions in their messages count
// the uncompressed characters.

#include <istream>
#include <memory>
#include <streambuf>
#include <string>
#include <vector>

namespace dls {

// A stream buffer that reads another one in large blocks and hands on its
// bytes, or the text they inflate to. Nothing is read before the first
// character is asked for. A failure throws InputError naming the source:
// "cannot read NAME: REASON", REASON the system's, "corrupt gzip data" or
// "unexpected end of gzip data" (input ending inside a member); a build
// without zlib says "gzip input needs a build with zlib".
class DecompressingBuffer : public std::streambuf {
 public:
  static constexpr std::size_t kBlockSize = 256 * 1024;

  // The source stays with the caller and is read by this buffer only, in
  // blocks of blockSize bytes (at least 2).
  DecompressingBuffer(std::streambuf& source, std::string name, std::size_t blockSize = kBlockSize);
  ~DecompressingBuffer() override;
  DecompressingBuffer(const DecompressingBuffer&) = delete;
  DecompressingBuffer& operator=(const DecompressingBuffer&) = delete;

 protected:
  int_type underflow() override;

 private:
  class Inflater;
  enum class Mode { unknown, plain, gzip };

  // Reads up to size bytes of the source; fewer only at its end, and then
  // none after.
  std::size_t readSource(char* to, std::size_t size);

  std::streambuf& source_;
  std::string name_;
  std::size_t blockSize_;
  Mode mode_ = Mode::unknown;
  bool sourceEnded_ = false;
  std::vector<char> block_;  // the source's bytes, or the inflated text
  std::unique_ptr<Inflater> inflater_;
};

// An input stream over a DecompressingBuffer whose failures are thrown: the
// buffer's InputError reaches the reader as it is, never a short text.
class DecompressingStream : public std::istream {
 public:
  DecompressingStream(std::streambuf& source, std::string name,
                      std::size_t blockSize = DecompressingBuffer::kBlockSize);

 private:
  DecompressingBuffer buffer_;
};

}  // namespace dls
