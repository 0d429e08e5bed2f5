#include "tests/integration/MimeText.h"

#include <cstdio>
#include <stdexcept>

#include "maillib/Base64.h"
#include "maillib/Charsets.h"

namespace integration {
namespace {

// The text in the charset's bytes; the generator only uses text the charset can hold.
std::string Bytes(const std::string& utf8, const std::string& charset) {
  std::string out;
  if (!maillib::ConvertFromUtf8(utf8, charset, out))
    throw std::runtime_error("text not representable in " + charset);
  return out;
}

std::string Hex(unsigned char c) {
  char text[4];
  std::snprintf(text, sizeof text, "%02X", c);
  return text;
}

bool IsPlainChar(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace

// An RFC 2047 word: encoding 'B' (base64) or 'Q' (quoted-printable style).
std::string EncodedWord(const std::string& utf8, const std::string& charset, char encoding) {
  const std::string bytes = Bytes(utf8, charset);
  std::string payload;
  if (encoding == 'B') {
    payload = maillib::Base64EncodeStr(bytes);
  } else {
    for (unsigned char c : bytes)
      payload += c == ' '         ? std::string("_")
                 : IsPlainChar(c) ? std::string(1, char(c))
                                  : "=" + Hex(c);
  }
  return "=?" + charset + "?" + encoding + "?" + payload + "?=";
}

// RFC 2231 value: UTF-8''%XX...
std::string ExtendedValue(const std::string& utf8) {
  std::string value = "UTF-8''";
  for (unsigned char c : utf8)
    value += IsPlainChar(c) || c == '.' ? std::string(1, char(c)) : "%" + Hex(c);
  return value;
}

std::string Base64Body(const std::string& bytes) {
  std::string body;
  for (const std::string& line : maillib::Base64EncodeToLines(bytes))
    body += line + "\r\n";
  return body;
}

// Bytes that use every value, different per seed.
std::string BinaryBytes(int seed, std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t k = 0; k < size; ++k)
    bytes[k] = static_cast<char>((static_cast<std::size_t>(seed) * 31 + k * 7 + k / 251) & 0xff);
  return bytes;
}

std::string PictureBytes(int seed, std::size_t size) {
  return "\x89PNG\r\n\x1a\n" + BinaryBytes(seed, size);
}

std::string DateHeader(std::time_t when) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm utc{};
  gmtime_r(&when, &utc);
  char text[64];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d +0000", kDays[utc.tm_wday],
                utc.tm_mday, kMonths[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min,
                utc.tm_sec);
  return text;
}

// ---- MIME parts: header lines, an empty line, the body ----

std::string TextPart(const std::string& subtype, const std::string& utf8,
                     const std::string& charset) {
  return "Content-Type: text/" + subtype + "; charset=\"" + charset +
         "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" + Base64Body(Bytes(utf8, charset));
}

std::string Multipart(const std::string& subtype, const std::string& boundary,
                      const std::vector<std::string>& parts) {
  std::string text =
      "Content-Type: multipart/" + subtype + "; boundary=\"" + boundary + "\"\r\n\r\n";
  text += "This is a multi-part message in MIME format.\r\n";
  for (const std::string& part : parts)
    text += "\r\n--" + boundary + "\r\n" + part;
  return text + "\r\n--" + boundary + "--\r\n";
}

// An attachment whose name is an RFC 2047 word (rfc2231 false) or an RFC 2231 value.
std::string AttachmentPart(const ExpectedFile& file, bool rfc2231, const std::string& charset) {
  const std::string type = "Content-Type: application/octet-stream; ";
  const std::string head =
      rfc2231 ? type + "name*=" + ExtendedValue(file.name) +
                    "\r\nContent-Disposition: attachment; filename*=" + ExtendedValue(file.name)
              : type + "name=\"" + EncodedWord(file.name, charset, 'B') +
                    "\"\r\nContent-Disposition: attachment; filename=\"" +
                    EncodedWord(file.name, charset, 'B') + "\"";
  return head + "\r\nContent-Transfer-Encoding: base64\r\n\r\n" + Base64Body(file.bytes);
}

std::string InlinePart(const ExpectedFile& file, const std::string& cid) {
  return "Content-Type: image/png; name=\"" + file.name +
         "\"\r\nContent-Transfer-Encoding: base64\r\nContent-ID: <" + cid +
         ">\r\nContent-Disposition: inline; filename=\"" + file.name + "\"\r\n\r\n" +
         Base64Body(file.bytes);
}

std::string RawTextPart(const std::string& text) {
  return "Content-Type: text/plain; charset=\"UTF-8\"\r\nContent-Transfer-Encoding: 8bit\r\n\r\n" +
         text;
}

std::string AssembleMessage(const LoadedMessage& m, const std::string& subjectHeader,
                            const std::string& body, const std::string& to) {
  std::string text = "Return-Path: <" + m.fromAddress +
                     ">\r\nFrom: " + EncodedWord("王小明", "GB2312", 'B') + " <" + m.fromAddress +
                     ">\r\nTo: \"" + EncodedWord("收件人", "UTF-8", 'B') + "\" <" + to + ">\r\n";
  if (!m.ccAddress.empty())
    text += "Cc: " + EncodedWord("李四", "GBK", 'B') + " <" + m.ccAddress + ">\r\n";
  if (!subjectHeader.empty()) text += "Subject: " + subjectHeader + "\r\n";
  if (m.dated) text += "Date: " + DateHeader(m.date) + "\r\n";
  text += "Message-ID: " + m.messageId + "\r\nMIME-Version: 1.0\r\nX-Mailer: tenvel-tests\r\n";
  return text + body;
}

}  // namespace integration
