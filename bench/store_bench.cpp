// Store throughput: inbox inserts as a receive worker does them (one unit per message), then
// the inbox open query walked to the end as the box list fill does.
//
// usage: store_bench [rows]   (default 100000)
#include <stdlib.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

#include "receive/ReceiveRow.h"
#include "receive/ReceiveStore.h"
#include "store/Database.h"
#include "store/DateTimeText.h"
#include "store/Query.h"
#include "store/Schema.h"
#include "store/Transaction.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string Body(int n) {
  std::string body = "<html><body><p>Message " + std::to_string(n) + "</p>";
  while (body.size() < 5000)
    body += "<p>Lorem ipsum dolor sit amet, 测试邮件正文 it's \"x\".</p>";
  return body + "</body></html>";
}

// One received message: lock, one transaction, the receive worker's insert.
bool InsertMessage(store::Database& db, store::Query& insert, int n, std::time_t when) {
  auto lock = db.Lock();
  store::Transaction unit(db);
  receive::HistorysRow row;
  row.Sender = "sender" + std::to_string(n % 97) + "@example.com";
  row.Receiver = "me@example.com;";
  row.SendDateTime = store::FormatDateTime(when);
  row.Content = Body(n);
  row.FuJianPath = n % 5 == 0 ? "/20240305101010/a.pdf*" : "";
  row.AcceptFuJian = "<" + std::to_string(n) + "@example.com>";
  row.RefuseFuJIan = "me@example.com";
  row.FilePath = "NOHAVEExtractFile";
  row.MailSubject = "Subject " + std::to_string(n);
  row.MailBcc = "no";
  row.Mailcc = "no";
  return receive::InsertHistorysRow(insert, row) && unit.Commit();
}

void TimeInserts(store::Database& db, int rows, const char* label) {
  store::Query insert(db);
  const std::time_t base = std::time(nullptr) - rows;
  const auto start = Clock::now();
  for (int n = 0; n < rows; ++n) {
    if (!InsertMessage(db, insert, n, base + n)) {
      std::printf("insert %d failed: %s\n", n, insert.Error().c_str());
      return;
    }
  }
  const double seconds = Seconds(start);
  std::printf(
      "insert (%s): %d rows (~5 KB Content each, one transaction per row) in %.2f s = "
      "%.0f rows/s\n",
      label, rows, seconds, rows / seconds);
}

void TimeInboxOpen(store::Database& db) {
  store::Query box(db);
  const auto start = Clock::now();
  box.AddLine(
      "select * from Historys where MessageKind=\"Mailed\" or MessageKind=\"MailUn\"   "
      "order by SendDateTime desc");
  if (!box.Open()) {
    std::printf("open failed: %s\n", box.Error().c_str());
    return;
  }
  const double openSeconds = Seconds(start);
  std::size_t bytes = 0;
  int count = 0;
  for (box.First(); !box.Eof(); box.Next(), ++count) {
    bytes += box.FieldText("ID").size() + box.FieldText("Sender").size() +
             box.FieldText("MailSubject").size() + box.FieldText("SendDateTime").size();
  }
  const double seconds = Seconds(start);
  std::printf(
      "inbox open: first row after %.3f s; %d rows walked (ID, Sender, MailSubject, "
      "SendDateTime; %zu bytes) in %.2f s\n",
      openSeconds, count, bytes, seconds);
  const auto again = Clock::now();
  box.MoveTo(count / 2);
  box.First();
  std::printf("inbox reposition (MoveTo middle, First) on the kept result: %.6f s\n",
              Seconds(again));
}

long PeakMegabytes() {
  struct rusage usage {};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

// For comparison only: the same inserts with synchronous=NORMAL (not what the store uses).
void CompareNormalSync(const std::string& folder, int rows) {
  std::string error;
  auto db = store::Database::Open(folder + "/normal.mdb", &error);
  if (db == nullptr || !store::EnsureMailSchema(*db, &error) ||
      !db->Execute("PRAGMA synchronous=NORMAL", &error)) {
    std::printf("%s\n", error.c_str());
    return;
  }
  TimeInserts(*db, rows, "synchronous=NORMAL, for comparison");
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
  std::string folder = (std::filesystem::temp_directory_path() / "store_bench_XXXXXX").string();
  if (::mkdtemp(folder.data()) == nullptr) return 1;
  int status = 1;
  {
    std::string error;
    auto db = store::Database::Open(folder + "/MsgEx.mdb", &error);
    if (db != nullptr && store::EnsureMailSchema(*db, &error)) {
      TimeInserts(*db, rows, "synchronous=FULL, as the store runs");
      TimeInboxOpen(*db);
      std::printf("peak memory: %ld MB\n", PeakMegabytes());
      CompareNormalSync(folder, std::max(1, rows / 10));
      status = 0;
    } else {
      std::printf("%s\n", error.c_str());
    }
  }
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  return status;
}
