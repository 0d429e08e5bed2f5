// Receiving, in both delete modes, the messages that were lost, cut short, stored twice or
// deleted unread before: dates that mislead a choice by Date (in the far future, missing, older
// than mail already stored), two messages with one Message-ID, lines longer than the line
// reader's buffer followed by "." and "..", 300 attachments of one long name, and a Subject of
// 200 KB. After each receive every message is in the inbox exactly once and whole, the server
// holds all of them (kept) or none (taken), and the next receive takes nothing.
#include <gtest/gtest.h>

#include <map>

#include "tests/integration/EdgeMessages.h"
#include "tests/integration/ReceiveFolder.h"

namespace integration {
namespace {

// One account's mailbox and every message loaded into it so far.
struct Box {
  std::string user;
  std::string account;
  bool keep = false;
  std::vector<LoadedMessage> loaded;
};

Box MakeBox(ProgramFolder& folder, const TestServers& servers, const std::string& user, bool keep) {
  return {user, folder.AddAccount(servers, user, keep), keep, {}};
}

// One receive that must store `newOnes` messages; then the inbox and the server are checked.
void ReceiveAndCheck(ProgramFolder& folder, const Box& box, int newOnes) {
  Recorder reports;
  EXPECT_EQ(folder.Receive(box.account, reports), newOnes);
  std::map<std::string, StoredRow> byTag;
  EachStoredOnce(folder.Rows(box.account), box.loaded, &byTag);
  for (const LoadedMessage& m : box.loaded) {
    if (byTag.contains(m.tag)) ExpectStoredAs(byTag.at(m.tag), m, box.account, folder.MailFiles());
  }
  ExpectServerHolds(box.user, box.keep ? box.loaded : std::vector<LoadedMessage>{});
}

// Loads (first) or delivers (later) the messages, receives them, and receives once more.
void Deliver(ProgramFolder& folder, Box& box, std::vector<LoadedMessage> messages) {
  const bool first = box.loaded.empty();
  box.loaded.insert(box.loaded.end(), messages.begin(), messages.end());
  if (first) {
    LoadMailbox(box.user, WireBytes(box.loaded));
  } else {
    AddToMailbox(box.user, WireBytes(messages));
  }
  {
    SCOPED_TRACE("receive after delivery");
    ReceiveAndCheck(folder, box, static_cast<int>(messages.size()));
  }
  SCOPED_TRACE("receive again");
  ReceiveAndCheck(folder, box, 0);
}

// A message dated in the far future must not hide mail that comes after it, mail without a
// Date and mail delivered late with an older Date are taken, and a message that reuses the
// Message-ID of another (stored in this run or an earlier one) is stored, not deleted unread.
void ChooseByServerIds(const TestServers& servers, const std::string& user, bool keep) {
  ProgramFolder folder;
  Box box = MakeBox(folder, servers, user, keep);
  const std::string id = "<reused-" + user + "@tenvel.test>";
  std::vector<LoadedMessage> first = {PlainMessage("future-" + user, box.account, kFarFuture)};
  for (LoadedMessage& m : MakeLoadedMessages("ids-" + user, 8, box.account, Yesterday()))
    first.push_back(std::move(m));
  first.push_back(PlainMessage("undated-" + user, box.account, std::nullopt));
  first.push_back(PlainMessage("reuse-a-" + user, box.account, Yesterday(), id));
  first.push_back(PlainMessage("reuse-b-" + user, box.account, Yesterday() + 60, id));
  Deliver(folder, box, first);

  const std::time_t now = std::time(nullptr);
  Deliver(folder, box,
          {PlainMessage("late-" + user, box.account, now - 7 * 24 * 3600),
           PlainMessage("new-" + user, box.account, now),
           PlainMessage("again-" + user, box.account, now, first[2].messageId),
           PlainMessage("undated-later-" + user, box.account, std::nullopt)});
}

TEST(ReceiveLossless, KeptMailIsChosenByServerIdsNotByDate) {
  REQUIRE_SERVERS(servers);
  ChooseByServerIds(*servers, "box22", true);
}

TEST(ReceiveLossless, TakenMailIsDeletedOnlyOnceStoredEvenWithAReusedMessageId) {
  REQUIRE_SERVERS(servers);
  ChooseByServerIds(*servers, "box23", false);
}

// Lines longer than the reader's buffer with "." and ".." after them: the message is stored
// whole, and the messages around it are fetched in step.
void LongLines(const TestServers& servers, const std::string& user, bool keep) {
  ProgramFolder folder;
  Box box = MakeBox(folder, servers, user, keep);
  std::vector<LoadedMessage> messages =
      MakeLoadedMessages("lines-" + user, 2, box.account, Yesterday());
  messages.insert(messages.begin() + 1, LongLineMessage("long-" + user, box.account, Yesterday()));
  Deliver(folder, box, messages);
}

TEST(ReceiveLossless, LongLinesAreKeptWholeWhenMailIsKept) {
  REQUIRE_SERVERS(servers);
  LongLines(*servers, "box24", true);
}

TEST(ReceiveLossless, LongLinesAreKeptWholeWhenMailIsTaken) {
  REQUIRE_SERVERS(servers);
  LongLines(*servers, "box25", false);
}

// 300 attachments, most of one 253-byte name, and a Subject of 200 KB of broken encoded words.
void LargeHeadersAndManyParts(const TestServers& servers, const std::string& user, bool keep) {
  ProgramFolder folder;
  Box box = MakeBox(folder, servers, user, keep);
  std::vector<LoadedMessage> messages =
      MakeLoadedMessages("big-" + user, 2, box.account, Yesterday());
  messages.push_back(ManyAttachmentsMessage("parts-" + user, box.account, Yesterday(), 300));
  messages.push_back(LongSubjectMessage("subject-" + user, box.account, Yesterday(), 200 * 1024));
  Deliver(folder, box, messages);
}

TEST(ReceiveLossless, ManyPartsAndALongSubjectWhenMailIsKept) {
  REQUIRE_SERVERS(servers);
  LargeHeadersAndManyParts(*servers, "box26", true);
}

TEST(ReceiveLossless, ManyPartsAndALongSubjectWhenMailIsTaken) {
  REQUIRE_SERVERS(servers);
  LargeHeadersAndManyParts(*servers, "box27", false);
}

// Every stored message keeps the server's bytes as "Tenvel.eml" in its own sub-folder, which
// the row's MailFolder names: a message with files, one of plain text, one with pictures.
TEST(ReceiveLossless, TheRawMessageIsKeptInTheMessagesFolder) {
  REQUIRE_SERVERS(servers);
  ProgramFolder folder;
  const std::string account = folder.AddAccount(*servers, "box28", false);
  const auto messages = MakeLoadedMessages("raw", 3, account, Yesterday());
  LoadMailbox("box28", WireBytes(messages));
  Recorder reports;
  EXPECT_EQ(folder.Receive(account, reports), 3);
  const auto rows = ById(folder.Rows(account));
  ASSERT_EQ(rows.size(), 3u);
  ASSERT_TRUE(rows.begin()->second.hasMailFolder)
      << "Historys has no MailFolder column: the raw message is not kept";
  for (const auto& m : messages) {
    const StoredRow& row = rows.at(m.messageId);
    EXPECT_FALSE(row.MailFolder.empty()) << m.tag;
    ExpectStoredAs(row, m, account, folder.MailFiles());
  }
}

}  // namespace
}  // namespace integration
