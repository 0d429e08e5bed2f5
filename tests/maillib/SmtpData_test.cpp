#include "maillib/SmtpData.h"

#include <gtest/gtest.h>

#include "maillib/SmtpMessage.h"

using maillib::AppendWireLine;
using maillib::kSmtpChunkLimit;
using maillib::NextChunk;
using maillib::StringList;

namespace {

std::string Wire(std::string_view line, bool stuff = true) {
  std::string out;
  AppendWireLine(out, line, stuff);
  return out;
}

std::vector<std::string> AllChunks(const StringList& lines, bool stuff = true) {
  std::vector<std::string> chunks;
  std::size_t next = 0;
  for (int guard = 0; next < lines.size() && guard < 1000; ++guard) {
    chunks.push_back(NextChunk(lines, next, stuff));
  }
  return chunks;
}

std::string Joined(const std::vector<std::string>& chunks) {
  std::string all;
  for (const std::string& chunk : chunks)
    all += chunk;
  return all;
}

}  // namespace

TEST(SmtpWireLine, DotsAreStuffedOnceAndLineBreaksBecomeCrLf) {
  EXPECT_EQ(Wire("hello"), "hello\r\n");
  EXPECT_EQ(Wire("."), "..\r\n");
  EXPECT_EQ(Wire(".hidden"), "..hidden\r\n");
  EXPECT_EQ(Wire("a.b"), "a.b\r\n");
  EXPECT_EQ(Wire(""), "\r\n");
  EXPECT_EQ(Wire("one\n.two\r.three\r\nfour"), "one\r\n..two\r\n..three\r\nfour\r\n");
  EXPECT_EQ(Wire("..already", false), "..already\r\n");
}

TEST(SmtpChunks, ChunkHoldsAtMostLimitPlusOneByte) {
  StringList lines = {std::string(kSmtpChunkLimit - 1, 'a'), "b"};
  const auto chunks = AllChunks(lines);
  ASSERT_EQ(chunks.size(), 2u);
  EXPECT_EQ(chunks[0].size(), kSmtpChunkLimit + 1);
}

TEST(SmtpChunks, OverlongLineTravelsAloneAndNothingIsLost) {
  const StringList lines = {"head", std::string(20000, 'L'), "tail", std::string(15360, 'M')};
  const auto chunks = AllChunks(lines);
  ASSERT_EQ(chunks.size(), 4u);
  EXPECT_EQ(chunks[0], "head\r\n");
  EXPECT_EQ(chunks[1].size(), 20002u);
  EXPECT_EQ(chunks[2], "tail\r\n");
  EXPECT_EQ(Joined(chunks), "head\r\n" + std::string(20000, 'L') + "\r\ntail\r\n" +
                                std::string(15360, 'M') + "\r\n");
}

TEST(SmtpChunks, StuffingCountsTowardsTheLimit) {
  const StringList lines = {std::string(kSmtpChunkLimit - 4, 'a'), "."};
  // The chunk holds 15358 bytes; "." stuffed is 2 bytes: 15360 is not below the limit.
  EXPECT_EQ(AllChunks(lines).size(), 2u);
  EXPECT_EQ(AllChunks(lines, false).size(), 1u);
}

TEST(SmtpAnonymous, HeaderBlockLosesSenderAndReplyAddresses) {
  StringList lines = {"Reply-To: r@example.cn",
                      "From: \"Zhang\" <zhang@example.cn>,",
                      "\t\"Wang\" <wang@example.cn>",
                      "In-Reply-To: <a@x>",
                      "Subject: hi",
                      "",
                      "From: body text stays"};
  maillib::AnonymizeHeaderBlock(lines, "nobody");
  const StringList expected = {
      "Reply-To: @", "From: @nobody", "In-Reply-To: @", "Subject: hi", "", "From: body text stays"};
  EXPECT_EQ(lines, expected);
}
