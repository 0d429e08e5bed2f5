// The body decoders and charset converters. The first byte picks the routine; the rest is
// its input (for the converters: a charset label, a NUL byte, then the text).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/FuzzSelect.h"
#include "maillib/Base64.h"
#include "maillib/Charsets.h"
#include "maillib/HzCodec.h"
#include "maillib/Iso2022Jp.h"
#include "maillib/QuotedPrintable.h"
#include "maillib/TextUtil.h"
#include "maillib/UUCode.h"

namespace {

using fuzz::Check;

void FuzzBase64(std::string_view in) {
  maillib::StringList lines = maillib::SplitLines(in);
  maillib::IsBase64Block(lines);
  maillib::Base64DecodeLinesInPlace(lines);
  const std::string whole = maillib::Base64DecodeStr(in);
  std::string pieces;
  maillib::Base64Decoder decoder;
  decoder.Feed(in.substr(0, in.size() / 2), pieces);
  decoder.Feed(in.substr(in.size() / 2), pieces);
  decoder.Finish(pieces);
  Check(pieces == whole);
  Check(maillib::Base64DecodeStr(maillib::Base64EncodeStr(in)) == in);
  Check(maillib::Base64DecodeLines(maillib::Base64EncodeToLines(in)) == in);
}

void FuzzQuotedPrintable(std::string_view in) {
  const std::string whole = maillib::QPDecode(in);
  std::string pieces;
  maillib::QPDecoder decoder;
  for (std::size_t i = 0; i < in.size(); i += 3)
    decoder.Feed(in.substr(i, 3), pieces);
  decoder.Finish(pieces);
  Check(pieces == whole);
}

void FuzzUuencode(std::string_view in) {
  std::string out;
  maillib::UUDecodeLines(maillib::SplitLines(in), out);
}

void FuzzCharsets(std::string_view in) {
  const std::size_t nul = in.find('\0');
  const std::string_view label = in.substr(0, nul == std::string_view::npos ? 0 : nul);
  const std::string_view text = nul == std::string_view::npos ? in : in.substr(nul + 1);
  const std::string utf8 = maillib::ConvertCharsetText(text, label);
  Check(maillib::IsValidUtf8(utf8));
  std::string back;
  maillib::ConvertFromUtf8(utf8, label, back);
  maillib::LooksLikeUtf8(text);
  Check(maillib::IsValidUtf8(maillib::Utf8ToGb(text)));
  Check(maillib::IsValidUtf8(maillib::Big5ToGb(text)));
}

void FuzzHz(std::string_view in) {
  maillib::HZDecode(in);
}

void FuzzIso2022Jp(std::string_view in) {
  maillib::ConvertCharsetText(maillib::Iso2022JpToShiftJis(in), "SHIFT_JIS");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return fuzz::RunSelected(
      data, size,
      {FuzzBase64, FuzzQuotedPrintable, FuzzUuencode, FuzzHz, FuzzIso2022Jp, FuzzCharsets});
}
