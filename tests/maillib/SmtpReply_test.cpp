#include "maillib/SmtpReply.h"

#include "maillib/Base64.h"

#include <gtest/gtest.h>

using maillib::AlternateUserName;
using maillib::AuthMechanism;
using maillib::EnvelopeAddress;
using maillib::FinalReplyAccepted;
using maillib::IsFinalReplyLine;
using maillib::ReplyLineCode;

TEST(SmtpReplyLines, CodeAndEndOfMultiLineReply) {
  EXPECT_EQ(ReplyLineCode("250-smtp.example.cn"), 250);
  EXPECT_EQ(ReplyLineCode("354 go ahead"), 354);
  EXPECT_EQ(ReplyLineCode("25x ok"), -1);
  EXPECT_EQ(ReplyLineCode("OK"), -1);
  EXPECT_FALSE(IsFinalReplyLine("250-PIPELINING"));
  EXPECT_TRUE(IsFinalReplyLine("250 OK"));
  EXPECT_TRUE(IsFinalReplyLine("250"));
  EXPECT_TRUE(IsFinalReplyLine("250\tOK"));
  EXPECT_FALSE(IsFinalReplyLine("250OK"));
  EXPECT_FALSE(IsFinalReplyLine("hello there"));
  EXPECT_TRUE(IsFinalReplyLine(""));
  EXPECT_TRUE(IsFinalReplyLine("ok"));
}

TEST(SmtpAuthMechanism, FirstAuthLineNamesTheMechanism) {
  EXPECT_EQ(AuthMechanism({"250-mx.example.cn", "250-AUTH=LOGIN", "250 8BITMIME"}), "LOGIN");
  EXPECT_EQ(AuthMechanism({"250-mx", "250-AUTH PLAIN LOGIN", "250-AUTH=LOGIN", "250 OK"}), "PLAIN");
  EXPECT_EQ(AuthMechanism({"250-mx", "250 auth login plain"}), "login");
  EXPECT_EQ(AuthMechanism({"250-mx", "250-AUTH = LOGIN", "250 OK"}), "LOGIN");
}

TEST(SmtpAuthMechanism, NoAuthOfferedGivesNothing) {
  EXPECT_EQ(AuthMechanism({"250-mx.example.cn", "250-SIZE 1000", "250 8BITMIME"}), "");
  EXPECT_EQ(AuthMechanism({"250-mx", "250-X-AUTHENTICATED", "250 OK"}), "");
  EXPECT_EQ(AuthMechanism({}), "");
}

TEST(SmtpAuthMechanism, LongOfferIsReadFromItsFirst64Bytes) {
  const std::string longName(100, 'X');
  EXPECT_EQ(AuthMechanism({"250 AUTH " + longName}), std::string(63, 'X'));
}

TEST(SmtpUserRetry, OtherNameFromAddressOrLocalPart) {
  EXPECT_EQ(AlternateUserName("zhang@example.cn", "other@example.cn"), "zhang");
  EXPECT_EQ(AlternateUserName(" zhang @example.cn", ""), "zhang");
  EXPECT_EQ(AlternateUserName("zhang", "zhang@example.cn"), "zhang@example.cn");
  EXPECT_EQ(AlternateUserName("zhang", ""), "");
}

TEST(SmtpFinalReply, OnlyA250ReplyIsAcceptance) {
  EXPECT_TRUE(FinalReplyAccepted(250, "250 queued"));
  EXPECT_TRUE(FinalReplyAccepted(0, "stray\r\n250 queued"));
  EXPECT_FALSE(FinalReplyAccepted(550, "550 rejected"));
  EXPECT_FALSE(FinalReplyAccepted(552, "552 message exceeds 250 MB"));
}

TEST(SmtpEnvelope, AddressesAreBareAndSafe) {
  EXPECT_EQ(EnvelopeAddress(" li@example.cn "), "li@example.cn");
  EXPECT_EQ(EnvelopeAddress("Li <li@example.cn>"), "li@example.cn");
  EXPECT_EQ(EnvelopeAddress("li@example.cn>\r\nRCPT TO: <x@y>"), "");
  EXPECT_EQ(EnvelopeAddress("a b@example.cn"), "");
  EXPECT_EQ(EnvelopeAddress(""), "");
}

TEST(SmtpExtensions, EveryOfferedMechanismAndTheStartTlsKeyword) {
  using maillib::AuthMechanisms;
  using maillib::OffersExtension;
  const maillib::StringList ehlo = {"250-mx.example.cn", "250-AUTH LOGIN plain",
                                    "250-AUTH=PLAIN XOAUTH2", "250-starttls", "250 SIZE 1000"};
  EXPECT_EQ(AuthMechanisms(ehlo), (maillib::StringList{"LOGIN", "PLAIN", "XOAUTH2"}));
  EXPECT_TRUE(AuthMechanisms({"250-mx", "250 SIZE 10", "250 AUTHX LOGIN"}).empty());
  EXPECT_TRUE(OffersExtension(ehlo, "STARTTLS"));
  EXPECT_TRUE(OffersExtension(ehlo, "SIZE"));
  EXPECT_FALSE(OffersExtension(ehlo, "AUTH="));
  // "STARTTLSX" is another keyword; the greeting line names the server, no extension.
  EXPECT_FALSE(OffersExtension({"250-mx", "250 STARTTLSX"}, "STARTTLS"));
  EXPECT_FALSE(OffersExtension({"250 STARTTLS"}, "STARTTLS"));
}

TEST(SmtpExtensions, PlainResponseHoldsBothNamesBetweenNuls) {
  EXPECT_EQ(maillib::PlainAuthResponse("zhang@example.cn", "s3cret!"),
            "AHpoYW5nQGV4YW1wbGUuY24AczNjcmV0IQ==");
  EXPECT_EQ(maillib::Base64DecodeStr(maillib::PlainAuthResponse("u", "")), std::string("\0u\0", 3));
}
