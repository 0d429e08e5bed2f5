// Parses any bytes as a message, composes it again (as forwarding or sending again does) and
// parses the composed text: neither step may crash, and the subject must survive the trip.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "maillib/RapMsg.h"
#include "maillib/TextUtil.h"
#include "maillib/rapSMTPCode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool base64 = (data[0] & 1) != 0;
  maillib::TRapMsg msg;
  msg.RawLines =
      maillib::SplitLines(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
  msg.Parse();
  msg.RawLines.clear();
  msg.MessageId.clear();
  maillib::ComposeMessage(msg, "X-Mailer:Tenvel 202", base64, true, "GB2312");
  const std::string subject = msg.Subject();
  maillib::TRapMsg again;
  again.RawLines = maillib::SplitLines(maillib::JoinLines(msg.RawLines));
  again.Parse();
  for (const maillib::TAttachedFile& file : again.Attachments)
    file.DecodedBytes();
  return 0;
}
