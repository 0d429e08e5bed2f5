// A deterministic generator of received mail for the benchmarks: plain Chinese text (GB2312,
// base64 or 8-bit), HTML with inline pictures, and messages with large attachments. The same
// seed gives the same messages on every machine.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "maillib/Base64.h"
#include "maillib/TextUtil.h"

namespace bench {

class MailGenerator {
 public:
  explicit MailGenerator(std::uint32_t seed) : rng_(seed) {}

  // `count` raw messages: every 50th carries an attachment of `attachmentSize` bytes, every
  // third of the rest is HTML with 1..3 inline pictures, the others are plain Chinese text.
  std::vector<std::string> Mix(int count, std::size_t attachmentSize) {
    std::vector<std::string> mail;
    mail.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      if (i % 50 == 0) {
        mail.push_back(WithAttachment(i, attachmentSize));
      } else if (i % 3 == 1) {
        mail.push_back(HtmlWithPictures(i, 1 + Below(3)));
      } else {
        mail.push_back(PlainChinese(i, i % 2 == 0));
      }
    }
    return mail;
  }

  // Bytes with every value, for attachments and pictures.
  std::string RandomBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (char& c : bytes)
      c = static_cast<char>(rng_() & 0xFF);
    return bytes;
  }

  // GB2312 text of about `chars` characters in lines of at most 36 characters.
  std::string GbText(std::size_t chars) {
    std::string text;
    text.reserve(chars * 2 + chars / 18);
    for (std::size_t i = 1; i <= chars; ++i) {
      if (Below(12) == 0) {
        text += static_cast<char>('a' + Below(26));
      } else {
        text += static_cast<char>(0xB0 + Below(0xD7 - 0xB0));  // rows of assigned hanzi
        text += static_cast<char>(0xA1 + Below(0xFE - 0xA1 + 1));
      }
      if (i % 36 == 0) text += "\r\n";
    }
    return text;
  }

 private:
  unsigned Below(unsigned n) { return static_cast<unsigned>(rng_() % n); }

  std::string Header(int index, const std::string& contentType) {
    return "From: =?GB2312?B?1cXI/Q==?= <zhang" + std::to_string(index) +
           "@example.cn>\r\n"
           "To: \"Li Si\" <li@example.cn>, wang@example.cn\r\n"
           "Subject: =?GB2312?B?" +
           maillib::Base64EncodeStr(GbText(12)) +
           "?=\r\n"
           "Date: Tue, 05 Mar 2024 14:07:00 +0800\r\n"
           "Message-ID: <bench." +
           std::to_string(index) +
           "@example.cn>\r\n"
           "MIME-Version: 1.0\r\n"
           "Content-Type: " +
           contentType + "\r\n";
  }

  static std::string Base64Body(const std::string& bytes) {
    return maillib::JoinLines(maillib::Base64EncodeToLines(bytes)) + "\r\n";
  }

  std::string PlainChinese(int index, bool base64) {
    const std::string text = GbText(1000 + Below(4000));
    const std::string head = Header(index, "text/plain; charset=\"gb2312\"");
    if (base64) return head + "Content-Transfer-Encoding: base64\r\n\r\n" + Base64Body(text);
    return head + "Content-Transfer-Encoding: 8bit\r\n\r\n" + text + "\r\n";
  }

  std::string TextPart(const std::string& boundary, const char* type, const std::string& bytes) {
    return "--" + boundary + "\r\nContent-Type: " + type +
           "; charset=\"gb2312\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" + Base64Body(bytes);
  }

  std::string HtmlWithPictures(int index, unsigned pictures) {
    const std::string r = "----=_R" + std::to_string(index), a = "----=_A" + std::to_string(index);
    std::string html = "<html><body><p>" + GbText(800) + "</p>";
    for (unsigned p = 0; p < pictures; ++p)
      html += "<img src=\"cid:pic" + std::to_string(p) + "\">";
    html += "</body></html>\r\n";
    std::string mail = Header(index,
                              "multipart/related; type=\"multipart/alternative\";\r\n"
                              "\tboundary=\"" +
                                  r + "\"");
    mail +=
        "\r\n--" + r + "\r\nContent-Type: multipart/alternative; boundary=\"" + a + "\"\r\n\r\n";
    mail += TextPart(a, "text/plain", GbText(800)) + TextPart(a, "text/html", html);
    mail += "--" + a + "--\r\n";
    for (unsigned p = 0; p < pictures; ++p) {
      mail += "--" + r + "\r\nContent-Type: image/png; name=\"pic" + std::to_string(p) +
              ".png\"\r\nContent-Transfer-Encoding: base64\r\nContent-ID: <pic" +
              std::to_string(p) + ">\r\n\r\n" + Base64Body(RandomBytes(8000 + Below(32000)));
    }
    return mail + "--" + r + "--\r\n";
  }

  std::string WithAttachment(int index, std::size_t size) {
    const std::string b = "----=_M" + std::to_string(index);
    std::string mail = Header(index, "multipart/mixed; boundary=\"" + b + "\"") + "\r\n";
    mail += TextPart(b, "text/plain", GbText(500));
    mail += "--" + b +
            "\r\nContent-Type: application/octet-stream; name=\"=?GB2312?B?uL28/i5iaW4=?=\"\r\n"
            "Content-Transfer-Encoding: base64\r\nContent-Disposition: attachment;\r\n"
            "\tfilename=\"=?GB2312?B?uL28/i5iaW4=?=\"\r\n\r\n" +
            Base64Body(RandomBytes(size));
    return mail + "--" + b + "--\r\n";
  }

  std::mt19937 rng_;
};

}  // namespace bench
