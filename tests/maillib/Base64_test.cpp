#include "maillib/Base64.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "maillib/FileUtil.h"

using namespace maillib;

namespace {

std::string AllBytes(std::size_t n) {
  std::string s;
  for (std::size_t i = 0; i < n; ++i)
    s.push_back(static_cast<char>((i * 7 + 3) & 0xFF));
  return s;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

TEST(Base64, RoundTripsEveryLengthAndPadding) {
  EXPECT_EQ(Base64EncodeStr(""), "");
  EXPECT_EQ(Base64EncodeStr("f"), "Zg==");
  EXPECT_EQ(Base64EncodeStr("fo"), "Zm8=");
  EXPECT_EQ(Base64EncodeStr("foo"), "Zm9v");
  for (std::size_t n = 0; n < 300; ++n) {
    std::string bytes = AllBytes(n);
    ASSERT_EQ(Base64DecodeStr(Base64EncodeStr(bytes)), bytes) << n;
  }
}

TEST(Base64, DecoderSkipsJunkAndFlushesTruncatedInput) {
  EXPECT_EQ(Base64DecodeStr("Zm9v\r\nYmFy"), "foobar");
  EXPECT_EQ(Base64DecodeStr(" Z m 9 v !!"), "foo");
  EXPECT_EQ(Base64DecodeStr("Zm9vYg"), "foob");    // 2 pending symbols: 1 byte
  EXPECT_EQ(Base64DecodeStr("Zm9vYmE"), "fooba");  // 3 pending symbols: 2 bytes
  EXPECT_EQ(Base64DecodeStr("Zm9vY"), "foo");      // 1 pending symbol: nothing
  EXPECT_EQ(Base64DecodeStr(std::string("Zm\0\0 9v", 7)), "foo");
}

TEST(Base64, StreamingDecoderFedOneByteAtATimeMatchesWhole) {
  std::string bytes = AllBytes(1000);
  std::string text = Base64EncodeStr(bytes);
  std::string out;
  Base64Decoder decoder;
  for (char c : text)
    decoder.Feed(std::string_view(&c, 1), out);
  decoder.Finish(out);
  EXPECT_EQ(out, bytes);
}

// Junk between symbols and chunk ends at every offset switch the decoder between whole
// groups and single symbols; the bytes must not change.
TEST(Base64, JunkAndChunkEndsAtAnyOffsetDecodeTheSame) {
  const std::string bytes = AllBytes(300);
  const std::string clean = Base64EncodeStr(bytes);
  for (std::size_t gap = 1; gap <= 7; ++gap) {
    std::string text;
    for (std::size_t i = 0; i < clean.size(); ++i)
      text += (i % gap == 0 ? std::string(" \r\n").substr(i % 3, 1) : "") + clean[i];
    EXPECT_EQ(Base64DecodeStr(text), bytes) << gap;
    for (std::size_t chunk = 1; chunk <= 9; chunk += 4) {
      std::string out;
      Base64Decoder decoder;
      for (std::size_t i = 0; i < text.size(); i += chunk)
        decoder.Feed(std::string_view(text).substr(i, chunk), out);
      decoder.Finish(out);
      EXPECT_EQ(out, bytes) << gap << ' ' << chunk;
    }
  }
}

TEST(Base64, LinesAre76CharactersFrom57ByteBlocks) {
  StringList lines = Base64EncodeToLines(AllBytes(57 * 2 + 10));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].size(), 76u);
  EXPECT_EQ(lines[1].size(), 76u);
  EXPECT_EQ(lines[2].size(), 16u);  // (10 + 2) / 3 * 4
  EXPECT_EQ(Base64DecodeLines(lines), AllBytes(57 * 2 + 10));

  std::istringstream in(AllBytes(57 * 300 + 1));
  StringList fromStream;
  Base64EncodeStreamToLines(in, fromStream);
  EXPECT_EQ(fromStream, Base64EncodeToLines(AllBytes(57 * 300 + 1)));
}

TEST(Base64, EncodingAMissingFileFails) {
  StringList lines{"keep"};
  EXPECT_FALSE(Base64EncodeFileToLines("/nonexistent/dir/file.bin", lines));
  EXPECT_EQ(lines, StringList{"keep"});
}

TEST(Base64, DecodeLinesInPlaceNeedsFirstLineLengthMultipleOf4) {
  StringList lines = Base64EncodeToLines("line one\r\nline two\r\n");
  StringList odd = lines;
  odd[0].pop_back();  // 75 characters in a longer text
  StringList body{"", std::string(75, 'A'), "AAAA", ""};
  EXPECT_FALSE(Base64DecodeLinesInPlace(body));
  EXPECT_EQ(body[1].size(), 75u);

  StringList padded{"", "", Base64EncodeStr("line one\r\nline two"), ""};
  EXPECT_TRUE(Base64DecodeLinesInPlace(padded));
  EXPECT_EQ(padded, (StringList{"line one", "line two"}));
}

TEST(Base64, IsBase64BlockChecksFirstLineAndOddLengthLines) {
  EXPECT_TRUE(IsBase64Block({}));
  EXPECT_TRUE(IsBase64Block({"", "  "}));
  EXPECT_TRUE(IsBase64Block({"QUJD", "REVG", "Rw=="}));
  EXPECT_FALSE(IsBase64Block({"Hello, world!"}));
  EXPECT_FALSE(IsBase64Block({"QUJD", "not base64!"}));
  // A later line of the first line's length is not checked.
  EXPECT_TRUE(IsBase64Block({"QUJD", "!!!!"}));
}

TEST(Base64, DecodeLinesToFileWritesBytesOrTheTextWhenNothingToDecode) {
  std::string path = UserTempFolder() + "/mime_b64_test.bin";
  std::string bytes = AllBytes(5000);
  StringList lines = Base64EncodeToLines(bytes);
  lines.insert(lines.begin(), "");
  lines.push_back("");
  ASSERT_TRUE(Base64DecodeLinesToFile(lines, path));
  EXPECT_EQ(ReadFile(path), bytes);
  ASSERT_TRUE(Base64DecodeLinesToFile({"", ""}, path));
  EXPECT_EQ(ReadFile(path), "\r\n");
  std::remove(path.c_str());
  EXPECT_FALSE(Base64DecodeLinesToFile({"QUJD"}, "/nonexistent/dir/out.bin"));
}
