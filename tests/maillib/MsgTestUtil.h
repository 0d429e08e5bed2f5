// Helpers for the message parser tests: message files from tests/data and parsing of text.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "maillib/RapMsg.h"
#include "maillib/TextUtil.h"

namespace msgtest {

inline std::string ReadTestFile(const std::string& name) {
  std::ifstream in(std::string(TENVEL_TEST_DATA) + "/" + name, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Parses a whole message given as text (any line breaks).
inline void ParseText(maillib::TRapMsg& msg, const std::string& text) {
  msg.RawLines = maillib::SplitLines(text);
  msg.Parse();
}

inline void ParseFile(maillib::TRapMsg& msg, const std::string& name) {
  const std::string bytes = ReadTestFile(name);
  ASSERT_FALSE(bytes.empty()) << name;
  ParseText(msg, bytes);
}

inline std::string BodyText(const maillib::TRapMsg& msg) {
  return maillib::JoinLines(msg.Text, "\n");
}

inline std::string HtmlText(const maillib::TRapMsg& msg) {
  return maillib::JoinLines(msg.HtmlLines, "\n");
}

}  // namespace msgtest
