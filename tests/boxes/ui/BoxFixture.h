#pragma once
// A program folder with opened databases, the box pages in a page stack, and helpers to put
// messages into the boxes: what the box view suites start from.

#include <gtest/gtest.h>

#include <QStackedWidget>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "app/DataQX.h"
#include "boxes/MailBoxes.h"
#include "boxes/MailMoves.h"
#include "platform/HtmlView.h"
#include "platform/ScriptedDialogs.h"
#include "store/DataFiles.h"
#include "store/MessageRecord.h"
#include "store/Query.h"

namespace boxtest {

// One message row; the defaults make an unread received message without attachments.
struct Message {
  std::string table = "Historys";
  std::string kind = "MailUn";
  std::string sender = "a@x.cn";
  std::string receiver = "me@x.cn;";
  std::string subject = "subject";
  std::string time = "2024-03-05 10:00:00";
  std::string content = "<p>body</p>";
  std::string fuJianPath;
  std::string filePath = "NOHAVEExtractFile";
  std::string fujian = "S";
  std::string mailcc = "no";
  std::string mailBcc = "no";
  std::string label;
  std::string refuseFujian = "me@x.cn";
};

class BoxFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetDefaultHtmlViewKind(platform::HtmlViewKind::Text);
    ASSERT_TRUE(dir_.isValid());
    root_ = dir_.path().toStdString();
    std::string error;
    ASSERT_TRUE(store::EnsureProgramFolders(root_, &error)) << error;
    ASSERT_TRUE(data_.OpenDatabases(root_, &error)) << error;
    const boxes::MailDatabase mail = [this] { return data_.ADOCDUser.get(); };
    boxes_ = std::make_unique<boxes::MailBoxes>(mail, dir_.path());
    boxes_->AddPagesTo(&stack_);
    moves_ = std::make_unique<boxes::MailMoves>(mail, root_);
    boxes_->SetMoves(moves_.get());
  }

  void TearDown() override { boxes_.reset(); }

  int Insert(const Message& m) {
    store::MessageRecord r;
    r.sender = m.sender;
    r.receiver = m.receiver;
    r.sendDateTime = m.time;
    r.content = m.content;
    r.messageKind = m.kind;
    r.fuJianPath = m.fuJianPath;
    r.filePath = m.filePath;
    r.mailSubject = m.subject;
    r.mailcc = m.mailcc;
    r.mailBcc = m.mailBcc;
    r.fujian = m.fujian;
    r.biaoqian = m.label;
    r.refuseFujian = m.refuseFujian;
    store::Query q(*data_.ADOCDUser);
    EXPECT_TRUE(store::InsertMessageRecord(q, m.table, r)) << q.Error();
    return static_cast<int>(q.LastInsertId());
  }

  // A column of the row with this ID in the table.
  std::string Column(const std::string& table, int id, const std::string& column) {
    store::Query q(*data_.ADOCDUser);
    q.AddLine("select * from " + table + " where ID =:k");
    q.SetInt("k", id);
    EXPECT_TRUE(q.Open()) << q.Error();
    return q.FieldText(column);
  }

  boxes::BoxPage* Inbox() { return boxes_->Page(boxes::Box::Inbox); }
  // Selects the row alone and clicks it (the preview).
  void Click(boxes::BoxPage* page, int row) {
    page->SelectOnly(row);
    emit page->rowClicked();
  }
  // The row of the list showing this subject, or -1.
  static int RowOfSubject(boxes::BoxPage* page, const std::string& subject) {
    for (int i = 0; i < page->Model()->Count(); ++i) {
      if (page->Model()->Row(i).subject == subject) return i;
    }
    return -1;
  }

  std::string MailFolder() const { return store::MailFileFolder(root_); }

  QTemporaryDir dir_;
  std::string root_;
  app::TDataQX data_;
  QStackedWidget stack_;
  std::unique_ptr<boxes::MailBoxes> boxes_;
  std::unique_ptr<boxes::MailMoves> moves_;
  platform::ScriptedDialogs dialogs_;
  platform::ScopedDialogs useDialogs_{&dialogs_};
};

}  // namespace boxtest
