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
    store::Query q(*data_.ADOCDUser);
    q.AddLine("insert into " + m.table +
              " (Sender, Receiver, SendDateTime, Content, MessageKind, FuJianPath, FilePath,"
              " MailSubject, Mailcc, MailBcc, Fujian, biaoqian, RefuseFujian) values");
    q.AddLine(
        "(:Sender2, :Receiver2, :SendDateTime2, :Content2, :MessageKind2, :FuJianPath2,"
        " :FilePath2, :MailSubject2, :Mailcc2, :MailBcc2, :Fujian2, :biaoqian2,"
        " :RefuseFujian2)");
    const std::pair<const char*, const std::string*> values[] = {
        {"Sender2", &m.sender},
        {"Receiver2", &m.receiver},
        {"SendDateTime2", &m.time},
        {"Content2", &m.content},
        {"MessageKind2", &m.kind},
        {"FuJianPath2", &m.fuJianPath},
        {"FilePath2", &m.filePath},
        {"MailSubject2", &m.subject},
        {"Mailcc2", &m.mailcc},
        {"MailBcc2", &m.mailBcc},
        {"Fujian2", &m.fujian},
        {"biaoqian2", &m.label},
        {"RefuseFujian2", &m.refuseFujian}};
    for (const auto& [name, value] : values)
      q.SetText(name, *value);
    EXPECT_TRUE(q.ExecSql()) << q.Error();
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
