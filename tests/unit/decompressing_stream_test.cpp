// Compressed input: gzip data read through DecompressingStream gives its
// text whole, member after member, at any block size (members and headers
// cut by block ends); broken or cut data is an error, never a short text.

#include "common/decompressing_stream.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "common/errors.hpp"
#include "support/child_process.hpp"

using namespace dls;

namespace {

std::string gzip(const std::string& text) { return runProgram({"/bin/gzip", "-c", "-n"}, text).out; }

// The whole text read through the stream, or "ERROR: " and the message.
std::string readAll(const std::string& bytes, std::size_t blockSize) {
  std::stringbuf source(bytes);
  DecompressingStream in(source, "x.gz", blockSize);
  std::string text;
  try {
    for (char c; in.get(c);) text += c;
  } catch (const InputError& e) {
    return std::string("ERROR: ") + e.what();
  }
  return text;
}

TEST(DecompressingStream, ReadsPlainAndGzipTextWholeOrFails) {
#ifndef DLS_ZLIB
  GTEST_SKIP() << "built without zlib";
#endif
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "((S" + std::to_string(i * i % 997) + ",S2),S3);\n";
  const std::string whole = gzip(text), cutShort = "ERROR: cannot read x.gz: unexpected end of gzip data",
                    corrupt = "ERROR: cannot read x.gz: corrupt gzip data";
  std::string badCheck = whole;
  badCheck[badCheck.size() - 6] ^= 1;  // the trailer's CRC-32
  const std::pair<std::string, std::string> cases[] = {
      {text, text},
      {"\x1f", "\x1f"},
      {"", ""},
      {whole, text},
      {gzip(text.substr(0, 1)) + gzip(text.substr(1, 99999)) + gzip("") + gzip(text.substr(100000)), text},
      {whole.substr(0, whole.size() - 1), cutShort},
      {whole.substr(0, whole.size() / 2), cutShort},
      {whole + whole.substr(0, 5), cutShort},  // the header of a member, cut
      {badCheck, corrupt},
      {whole + "junk", corrupt},
  };
  for (const std::size_t blockSize :
       {std::size_t{2}, std::size_t{7}, std::size_t{4096}, DecompressingBuffer::kBlockSize})
    for (const auto& [bytes, expected] : cases) {
      const std::string read = readAll(bytes, blockSize);
      EXPECT_TRUE(read == expected) << bytes.size() << " bytes, blocks of " << blockSize << ": " << read.substr(0, 80);
    }
}

}  // namespace
