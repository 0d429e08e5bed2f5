// Header-level readers and writers. The first byte picks the routine; the rest is its input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>

#include "fuzz/FuzzSelect.h"
#include "maillib/Addresses.h"
#include "maillib/Charsets.h"
#include "maillib/FileNames.h"
#include "maillib/HeaderLookup.h"
#include "maillib/HeaderWords.h"
#include "maillib/MailDate.h"
#include "maillib/MimeParams.h"
#include "maillib/TextUtil.h"
#include "maillib/UrlPath.h"

namespace {

using fuzz::Check;

void FuzzWords(std::string_view in) {
  const std::string decoded = maillib::DecodeHeaderWords(in, "GB2312");
  Check(maillib::IsValidUtf8(decoded));
  Check(decoded.find_first_of("\r\n") == std::string::npos);  // a header value is one line
  const std::string encoded =
      maillib::EncodeHeaderWord(decoded, !in.empty() && in[0] & 1, "GB2312");
  maillib::DecodeHeaderWords(encoded, "GB2312");
}

void FuzzParams(std::string_view in) {
  for (const char* name : {"filename", "name", "charset", "boundary"}) {
    Check(maillib::IsValidUtf8(maillib::DecodeParam(in, name, "GB2312")));
    maillib::HasParam(in, name);
  }
}

void FuzzAddresses(std::string_view in) {
  maillib::SplitAddressList(in);
  maillib::ExtractAddresses(in);
  maillib::ExtractAddressesQuoted(in);
  const std::string normalized = maillib::NormalizeAddressList(in);
  maillib::FormatAddressHeader(normalized, "GB2312");
  maillib::FormatAddressHeader(in, "UTF-8");
}

void FuzzDate(std::string_view in) {
  std::time_t when = 0;
  int zone = 0;
  if (maillib::TryParseMailDate(in, when, zone)) maillib::FormatMailDate(when, zone);
  maillib::FormatMailDate(maillib::ParseMailDate(in));
}

void FuzzLookup(std::string_view in) {
  maillib::StringList lines = maillib::SplitLines(in);
  std::string line;
  if (maillib::FindHeader(lines, "CONTENT-TYPE:", line))
    maillib::HeaderValue("CONTENT-TYPE:", line);
  maillib::HeaderParam("BOUNDARY=", lines);
  maillib::StripHeaderBlock(lines);
}

void FuzzNames(std::string_view in) {
  maillib::SafeAttachmentFileName(in);
  maillib::FileUrlToPath(in);
  maillib::PercentDecode(in);
  maillib::MimeTypeOfFile(in);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return fuzz::RunSelected(data, size,
                           {FuzzWords, FuzzParams, FuzzAddresses, FuzzDate, FuzzLookup, FuzzNames});
}
