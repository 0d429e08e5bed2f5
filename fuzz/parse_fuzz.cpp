// Parses any bytes as a received message, then reads every result the receive worker reads.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "maillib/RapMsg.h"
#include "maillib/TextUtil.h"

namespace {

void ReadFiles(maillib::TAttachedFiles& files) {
  for (maillib::TAttachedFile& file : files) {
    file.FileNameForSave();
    file.DecodedBytes();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  maillib::TRapMsg msg;
  msg.RawLines = maillib::SplitLines(std::string_view(reinterpret_cast<const char*>(data), size));
  msg.Parse();
  ReadFiles(msg.Attachments);
  ReadFiles(msg.InlineFiles);
  return 0;
}
