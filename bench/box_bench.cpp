// Box views at scale: opening an inbox of many messages (the fill query, the list model and the
// first paint), refilling it by the header buttons' statements, sorting it in place by the text
// columns, the resident memory with it open, and showing messages on the reading page with the
// light view: one of the inbox's own and one 5 MB HTML message.
//
// usage: box_bench [rows] [bodyKB]   (defaults: 100000 rows with 2 KB bodies)
//
//   cmake --build --preset ci --target box_bench
//   build/ci/bench/box_bench 100000 2
//   build/ci/bench/box_bench 100000 50    # about 5 GB of bodies in a temporary folder
//
// The figures are printed as they are taken and again in a table at the end, with the row
// count, body size and core count; nothing is asserted. Every body is HTML of the given size
// (mixed Chinese and Latin text, links, a table), so the store has to keep bodies out of the
// list's way. What the figures mean:
//   open inbox         OpenBox (the fill through the list index, the model) plus the first
//                      paint, on the second of two opens; "of which" is the fill query alone.
//   refill by ...      a header button whose statement fills the list again, plus the paint.
//   sort in place      BoxListModel::SortInPlace: the first sort by a text column works out
//                      the collation's order of the fill (sort keys), a later one reuses it.
//   ShowStoredMessage  the 5 MB message read by ID, its page built and its page file written,
//                      with a view that lays nothing out (the program's browser engine lays
//                      the page out in a process of its own); the light view's layout of the
//                      same page is timed on its own.
//   resident memory    VmRSS of /proc/self/status; VmHWM is the peak.
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/DataQX.h"
#include "bench/ProcessTimer.h"
#include "boxes/BoxRows.h"
#include "boxes/MailBoxes.h"
#include "boxes/StoredMessage.h"
#include "platform/HtmlView.h"
#include "store/DataFiles.h"
#include "store/DateTimeText.h"
#include "store/MessageRecord.h"
#include "store/Query.h"
#include "store/Transaction.h"

namespace {

using bench::StatusMb;
using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

// HTML of about `bytes`: paragraphs of mixed Chinese and Latin text, links (upper- and
// lower-case tags, some with a target already) and now and then a small table.
std::string HtmlFiller(std::size_t bytes) {
  std::string html;
  html.reserve(bytes + 512);
  for (int n = 0; html.size() < bytes; ++n) {
    html += "<p>测试邮件正文 Lorem ipsum dolor sit amet, consectetur adipiscing elit ";
    html += std::to_string(n);
    html += ". 请在周五之前回复。</p>\n";
    if (n % 3 == 0) {
      html += "<A href=\"http://example.com/item/" + std::to_string(n) + "\">链接 " +
              std::to_string(n) + "</A>\n";
    }
    if (n % 7 == 0) html += "<a href=\"http://example.org/\" target=_blank>lower</a>\n";
    if (n % 25 == 0) {
      html += "<table border=1><tr><td>项目</td><td>数量</td></tr><tr><td>" + std::to_string(n) +
              "</td><td>42</td></tr></table>\n";
    }
  }
  return html;
}

// rows received messages of bodyBytes each, committed every 1000 (the bench measures reading,
// not inserting; smaller units keep the write-ahead log from growing to the whole box).
bool FillInbox(app::TDataQX& data, int rows, std::size_t bodyBytes) {
  store::Database& db = *data.ADOCDUser;
  auto lock = db.Lock();
  store::Query q(db);
  q.AddLine(
      "insert into Historys (Sender, Receiver, SendDateTime, Content, MessageKind, FuJianPath,"
      " FilePath, MailSubject, Mailcc, MailBcc, Fujian) values (:Sender2, \"me@x.cn;\","
      " :SendDateTime2, :Content2, :Kind2, :FuJianPath2, \"NOHAVEExtractFile\", :Subject2,"
      " \"no\", \"no\", \"S\")");
  const std::string filler = HtmlFiller(bodyBytes);
  // Subjects and senders in orders unrelated to time, with mixed letter case and Chinese.
  const char* const names[] = {"张三", "李四", "王五", "阿明", "Zhao", "qian", "Sun", "li"};
  const std::time_t base = std::time(nullptr) - rows - 10;
  for (int n = 0; n < rows;) {
    store::Transaction unit(db);
    for (const int end = std::min(rows, n + 1000); n < end; ++n) {
      const int key = static_cast<int>((static_cast<long long>(n) * 7919) % rows);
      q.SetText("Sender2", std::string(names[key % 8]) + " <sender" + std::to_string(n % 97) +
                               "@example.com>");
      q.SetDateTime("SendDateTime2", base + n);
      q.SetText("Content2",
                "<html><body><p>Message " + std::to_string(n) + "</p>" + filler + "</body></html>");
      q.SetText("Kind2", n % 3 == 0 ? "MailUn" : "Mailed");
      q.SetText("FuJianPath2", n % 5 == 0 ? "/m/a.pdf*" : "");
      q.SetText("Subject2", std::string(key % 2 ? "Re: " : "re: ") + names[key % 5] + " 周报 " +
                                std::to_string(key));
      if (!q.ExecSql()) {
        std::printf("insert failed: %s\n", q.Error().c_str());
        return false;
      }
    }
    if (!unit.Commit()) return false;
  }
  return true;
}

// One HTML message of about bytes, the newest of the inbox; its ID.
int InsertBigMessage(app::TDataQX& data, std::size_t bytes) {
  store::Query q(*data.ADOCDUser);
  store::MessageRecord record;
  record.sender = "newsletter@example.com";
  record.receiver = "me@x.cn;";
  record.sendDateTime = store::FormatDateTime(std::time(nullptr));
  record.content = "<html><body>" + HtmlFiller(bytes) + "</body></html>";
  record.messageKind = store::kind::kRead;
  record.filePath = store::kNoExtractFile;
  record.mailSubject = "月度通讯 (5 MB HTML)";
  record.fujian = store::kReceivedMail;
  return store::InsertMessageRecord(q, "Historys", record) ? static_cast<int>(q.LastInsertId()) : 0;
}

// A view that only remembers the file it was given: ShowStoredMessage timed without the
// light browser's own layout of the page (the program's browser engine loads it elsewhere).
class NullHtmlView : public platform::HtmlView {
 public:
  void LoadFile(const QString& path) override { file_ = path; }
  void SetHtml(const QString&, const QString&) override { file_.clear(); }
  void Clear() override { file_.clear(); }
  bool IsBlank() const override { return file_.isEmpty(); }
  QString CurrentFile() const override { return file_; }
  void CopySelection() override {}
  void SelectAll() override {}
  QString SelectedText() const override { return {}; }

 protected:
  void PrintOn(QPrinter*) override { PrintEnded(false); }

 private:
  QString file_;
};

struct Figure {
  std::string what;
  double value;
  const char* unit;
  std::string target;
};

std::vector<Figure> figures;

void Note(std::string what, double value, const char* unit, std::string target = "") {
  std::printf("%-58s %10.1f %s\n", what.c_str(), value, unit);
  figures.push_back({std::move(what), value, unit, std::move(target)});
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const int rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
  const int bodyKb = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2;
  const unsigned cores = std::thread::hardware_concurrency();
  platform::SetDefaultHtmlViewKind(platform::HtmlViewKind::Text);

  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  std::string error;
  app::TDataQX data;
  if (!store::EnsureProgramFolders(root, &error) || !data.OpenDatabases(root, &error)) {
    std::printf("%s\n", error.c_str());
    return 1;
  }
  std::printf("box_bench: %d inbox rows, %d KB bodies, %u cores\n", rows, bodyKb, cores);
  auto start = Clock::now();
  if (!FillInbox(data, rows, static_cast<std::size_t>(bodyKb) * 1024)) return 1;
  std::printf("setup: inserted in %.2f s\n", Ms(start) / 1000);
  // The setup's writes reach the disk before anything is timed, so that their write-back does
  // not slow the page file writes measured below.
  ::sync();

  QStackedWidget stack;
  boxes::MailBoxes boxes([&data] { return data.ADOCDUser.get(); }, dir.path());
  boxes.AddPagesTo(&stack);
  stack.resize(1000, 700);
  stack.show();
  application.processEvents();
  boxes::BoxPage* inbox = boxes.Page(boxes::Box::Inbox);
  Note("resident memory before the open (VmRSS)", StatusMb("VmRSS"), "MB");

  // Where the open's time goes: the store reading the list's rows.
  start = Clock::now();
  {
    std::vector<boxes::BoxRow> listRows;
    if (!boxes::ReadBoxRows(*data.ADOCDUser, boxes::Box::Inbox,
                            boxes::InfoOf(boxes::Box::Inbox).openSql, &listRows, &error)) {
      std::printf("%s\n", error.c_str());
      return 1;
    }
  }
  Note("  of which the fill query alone (ReadBoxRows)", Ms(start), "ms");

  for (int round = 1; round <= 2; ++round) {
    start = Clock::now();
    boxes.OpenBox(boxes::Box::Inbox);
    const double open = Ms(start);
    start = Clock::now();
    application.processEvents();
    const double paint = Ms(start);
    std::printf("open inbox (round %d): query + model of %d rows %.1f ms; first paint %.1f ms\n",
                round, inbox->Model()->Count(), open, paint);
    if (round == 2) Note("open inbox: fill + model + first paint", open + paint, "ms", "< 300");
  }
  Note("resident memory with the inbox open (VmRSS)", StatusMb("VmRSS"), "MB", "< 200");
  // The header buttons that refill by a statement of their own.
  const struct {
    boxes::HeaderButton button;
    const char* name;
  } refills[] = {{boxes::HeaderButton::Attachment, "附件 (FuJianPath desc)"},
                 {boxes::HeaderButton::Label, "标注 (kind, label)"},
                 {boxes::HeaderButton::Time, "时间 (SendDateTime desc)"}};
  for (const auto& refill : refills) {
    start = Clock::now();
    inbox->HeaderButtonOf(refill.button)->click();
    application.processEvents();
    Note(std::string("refill by ") + refill.name + " + paint", Ms(start), "ms");
  }

  // In-place sorts. A fill works out the collation order of the sender and subject columns
  // in the background: the first sort right after a fill waits for what is left of that work;
  // a user's first click, a moment later, finds it done. A second sort by a column finds its
  // order kept.
  {
    start = Clock::now();
    inbox->Model()->SortInPlace(boxes::kColSubject);
    Note("sort by subject at once after the fill (waits for the order)", Ms(start), "ms");
    inbox->HeaderButtonOf(boxes::HeaderButton::Time)->click();  // a fill again
    application.processEvents();
    std::this_thread::sleep_for(std::chrono::seconds(1));
  }
  const struct {
    int column;
    const char* name;
  } sorts[] = {{boxes::kColSubject, "subject, 1 s after the fill"},
               {boxes::kColSubject, "subject again"},
               {boxes::kColThird, "sender"},
               {boxes::kColTime, "time"}};
  for (const auto& sort : sorts) {
    start = Clock::now();
    inbox->Model()->SortInPlace(sort.column);
    const double sorted = Ms(start);
    start = Clock::now();
    application.processEvents();
    std::printf("sort in place by %s: %.1f ms; repaint %.1f ms (first row \"%s\")\n", sort.name,
                sorted, Ms(start), inbox->Model()->Text(0, sort.column).c_str());
    Note(std::string("sort in place by ") + sort.name, sorted, "ms", "< 100");
  }
  Note("resident memory after the sorts (VmRSS)", StatusMb("VmRSS"), "MB", "< 200");

  start = Clock::now();
  inbox->SelectOnly(rows / 2);
  emit inbox->rowOpened();
  application.processEvents();
  const double shown = Ms(start);
  std::printf("show one inbox message on the reading page: %s\n",
              boxes.ReadingShown() ? "shown" : "NOT shown");
  Note("show an inbox message (light view, end to end)", shown, "ms");

  // One 5 MB HTML message, the newest: the first row once the inbox is filled again.
  constexpr std::size_t kBigBytes = 5u << 20;
  const int bigId = InsertBigMessage(data, kBigBytes);
  if (bigId == 0) return 1;
  boxes.OpenBox(boxes::Box::Inbox);
  application.processEvents();
  if (inbox->Model()->Row(0).id != bigId) {
    std::printf("the 5 MB message is not the first row\n");
    return 1;
  }

  // Shown without a browser's layout of the page: read by ID, page built, page file written
  // (the program's browser engine lays the page out in a process of its own).
  NullHtmlView nullView;
  start = Clock::now();
  const bool nullShown = boxes.ShowStoredMessage(&nullView, inbox->Model()->Row(0).recordIndex);
  Note(std::string("ShowStoredMessage of the 5 MB message, no layout") +
           (nullShown ? "" : " (FAILED)"),
       Ms(start), "ms", "< 50");
  Note("resident memory after it (VmRSS)", StatusMb("VmRSS"), "MB", "< 200");

  // On the reading page with the light view, whose layout of 5 MB of HTML is most of it.
  inbox->SelectOnly(0);
  start = Clock::now();
  emit inbox->rowOpened();
  application.processEvents();
  const double bigShown = Ms(start);
  if (!boxes.ReadingShown()) std::printf("the 5 MB message is NOT shown on the reading page\n");
  Note("show the 5 MB HTML message (light view, end to end)", bigShown, "ms");

  // Its parts one by one.
  store::MessageRecord record;
  start = Clock::now();
  boxes::ReadRecordById(*data.ADOCDUser, boxes::Box::Inbox, bigId, &record, &error);
  Note("  read the record by ID", Ms(start), "ms");
  start = Clock::now();
  const boxes::StoredPage page =
      boxes::BuildStoredPage(boxes::ReadStoredRecord(std::move(record)), boxes::StoredView::Reading,
                             store::MailFileFolder(root));
  Note("  build the page (link targets, pictures)", Ms(start), "ms");
  start = Clock::now();
  boxes::WritePageFile(page.pageFile, page.html, true, &error);
  Note("  write the page file", Ms(start), "ms");
  start = Clock::now();
  boxes.ts5()->Browser()->LoadFile(QString::fromStdString(page.pageFile));
  application.processEvents();
  Note("  light view: load and lay out the page file", Ms(start), "ms");
  Note("resident memory at the end (VmRSS)", StatusMb("VmRSS"), "MB");
  Note("peak resident memory (VmHWM)", StatusMb("VmHWM"), "MB");

  std::printf("\nsummary: %d rows, %d KB bodies, %u cores\n", rows, bodyKb, cores);
  std::printf("%-58s %10s %-4s %s\n", "figure", "value", "", "target");
  for (const Figure& f : figures) {
    std::printf("%-58s %10.1f %-4s %s\n", f.what.c_str(), f.value, f.unit,
                f.target.empty() ? "" : (f.target + " " + f.unit).c_str());
  }
  return 0;
}
