// Parses any bytes as a message, composes it again (as forwarding or sending again does) and
// parses the composed text: neither step may crash. The composer is told to read no local
// file, as the send worker does, so the HTML's data: pictures and text are what is exercised.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "maillib/HtmlText.h"
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
  maillib::TComposeRequest request;
  request.extraHeader = "X-Mailer:Tenvel 202";
  request.base64Body = base64;
  request.includeBcc = true;
  request.allowAnyLocalFile = false;
  maillib::ComposeMessage(msg, request);
  maillib::TRapMsg again;
  again.RawLines = maillib::SplitLines(maillib::JoinLines(msg.RawLines));
  again.Parse();
  maillib::HtmlToText(maillib::JoinLines(again.HtmlLines));
  for (const maillib::TAttachedFile& file : again.Attachments)
    file.DecodedBytes();
  return 0;
}
