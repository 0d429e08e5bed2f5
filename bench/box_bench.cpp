// Box views: opening an inbox of many messages (query plus list model), sorting it in place by
// subject, and showing one message on the reading page with the light view.
//
// usage: box_bench [rows]   (default 100000)
#include <stdlib.h>

#include <QApplication>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "app/DataQX.h"
#include "boxes/BoxRows.h"
#include "boxes/MailBoxes.h"
#include "platform/HtmlView.h"
#include "store/DataFiles.h"
#include "store/Query.h"
#include "store/Transaction.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string Body(int n) {
  std::string body = "<p>Message " + std::to_string(n) + "</p>";
  while (body.size() < 2000)
    body += "<p>测试邮件正文 Lorem ipsum dolor sit amet.</p>";
  return body;
}

// rows received messages in one unit (the bench measures reading, not inserting).
bool FillInbox(app::TDataQX& data, int rows) {
  store::Database& db = *data.ADOCDUser;
  auto lock = db.Lock();
  store::Transaction unit(db);
  store::Query q(db);
  q.AddLine(
      "insert into Historys (Sender, Receiver, SendDateTime, Content, MessageKind, FuJianPath,"
      " FilePath, MailSubject, Mailcc, MailBcc, Fujian) values (:Sender2, \"me@x.cn;\","
      " :SendDateTime2, :Content2, :Kind2, :FuJianPath2, \"NOHAVEExtractFile\", :Subject2,"
      " \"no\", \"no\", \"S\")");
  const std::time_t base = std::time(nullptr) - rows;
  for (int n = 0; n < rows; ++n) {
    q.SetText("Sender2", "sender" + std::to_string(n % 97) + "@example.com");
    q.SetDateTime("SendDateTime2", base + n);
    q.SetText("Content2", Body(n));
    q.SetText("Kind2", n % 3 == 0 ? "MailUn" : "Mailed");
    q.SetText("FuJianPath2", n % 5 == 0 ? "/m/a.pdf*" : "");
    // Subjects in an order unrelated to time, with mixed letter case.
    const int key = static_cast<int>((static_cast<long long>(n) * 7919) % rows);
    q.SetText("Subject2",
              std::string(key % 2 ? "Re: " : "re: ") + "subject " + std::to_string(key));
    if (!q.ExecSql()) {
      std::printf("insert failed: %s\n", q.Error().c_str());
      return false;
    }
  }
  return unit.Commit();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const int rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
  platform::SetDefaultHtmlViewKind(platform::HtmlViewKind::Text);

  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  std::string error;
  app::TDataQX data;
  if (!store::EnsureProgramFolders(root, &error) || !data.OpenDatabases(root, &error)) {
    std::printf("%s\n", error.c_str());
    return 1;
  }
  auto start = Clock::now();
  if (!FillInbox(data, rows)) return 1;
  std::printf("setup: %d inbox rows (~2 KB body each) inserted in %.2f s\n", rows, Seconds(start));

  QStackedWidget stack;
  boxes::MailBoxes boxes([&data] { return data.ADOCDUser.get(); }, dir.path());
  boxes.AddPagesTo(&stack);
  stack.resize(1000, 700);
  stack.show();
  boxes::BoxPage* inbox = boxes.Page(boxes::Box::Inbox);

  // Where the open's time goes: the store reading the list's rows.
  start = Clock::now();
  std::vector<boxes::BoxRow> listRows;
  if (!boxes::ReadBoxRows(*data.ADOCDUser, boxes::Box::Inbox,
                          boxes::InfoOf(boxes::Box::Inbox).openSql, &listRows, &error)) {
    std::printf("%s\n", error.c_str());
    return 1;
  }
  std::printf("  of which: %zu list rows read %.3f s\n", listRows.size(), Seconds(start));

  for (int round = 1; round <= 2; ++round) {
    start = Clock::now();
    boxes.OpenBox(boxes::Box::Inbox);
    const double open = Seconds(start);
    start = Clock::now();
    application.processEvents();
    std::printf("open inbox (round %d): query + model of %d rows %.3f s; first paint %.3f s\n",
                round, inbox->Model()->Count(), open, Seconds(start));
  }

  start = Clock::now();
  inbox->HeaderButtonOf(boxes::HeaderButton::Subject)->click();
  const double sort = Seconds(start);
  start = Clock::now();
  application.processEvents();
  std::printf("sort in place by subject: %.3f s; repaint %.3f s (first row now \"%s\")\n", sort,
              Seconds(start), inbox->Model()->Row(0).subject.c_str());

  start = Clock::now();
  inbox->SelectOnly(rows / 2);
  emit inbox->rowOpened();
  application.processEvents();
  std::printf("show one message on the reading page (light view): %.3f s (%s)\n", Seconds(start),
              boxes.ReadingShown() ? "shown" : "NOT shown");
  return 0;
}
