#pragma once
// The search over all mail, TSearchAllFrm: a non-modal window with a query field, the list of
// matching messages of every box (box, sender, subject, time, the matched text with the match
// highlighted), newest first, and a status line. Enter or a double-click on a result asks the
// main window to show that message (openWanted).
//
// The search runs on a worker thread, one job at a time: before searching it puts the messages
// not yet indexed into the index. When many are waiting (a store from before the index) a
// progress dialog shows the indexing and can cancel it; what is done stays, the window says the
// index is incomplete, and later searches answer from the index as it is until Enter asks to
// go on indexing.
//
//   auto* search = new contacts::TSearchAllFrm(data->ADOCDUser.get(), mainWindow);
//   connect(search, &contacts::TSearchAllFrm::openWanted, boxes, &boxes::MailBoxes::OpenMessage);
//   search->show(); search->raise(); search->activateWindow();
//
// The database must outlive the window (a running job is stopped and waited for when the
// window is destroyed).

#include <QString>
#include <QWidget>
#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "boxes/BoxKind.h"
#include "contacts/MailSearch.h"

class QLabel;
class QLineEdit;
class QProgressDialog;
class QStandardItemModel;
class QTimer;
class QTreeView;

namespace store {
class Database;
}

namespace contacts {

// More waiting messages than this and the indexing shows its progress dialog.
inline constexpr long long kIndexDialogThreshold = 200;
// The newest this many matches are listed.
inline constexpr std::size_t kSearchResultLimit = 500;
// The pause after the last key before a search starts by itself.
inline constexpr int kTypingPauseMs = 400;

// The calls into the mail search the window makes on its worker thread: the core's by
// default; a test may replace them to hold the indexing at will.
struct MailSearchCalls {
  std::function<long long(store::Database&, std::string*)> pendingCount;
  std::function<bool(store::Database&, const std::function<bool(long long, long long)>&,
                     std::string*)>
      catchUp;
  std::function<bool(store::Database&, const std::string&, std::size_t, std::vector<SearchHit>*,
                     std::string*)>
      search;
};
MailSearchCalls CoreMailSearchCalls();

// The snippet of a hit as rich text: escaped, the match in a highlighted span. Offsets past
// the end are cut to it, and offsets inside a UTF-8 sequence widen to the whole character.
QString SnippetHtml(const SearchHit& hit);

// The columns of the result list.
enum SearchAllColumn {
  kResultBox = 0,
  kResultSender = 1,
  kResultSubject = 2,
  kResultTime = 3,
  kResultSnippet = 4,
  kResultColumnCount = 5,
};

class TSearchAllFrm : public QWidget {
  Q_OBJECT

 public:
  // `mail` is not owned; null shows a note instead of searching.
  explicit TSearchAllFrm(store::Database* mail, QWidget* parent = nullptr);
  ~TSearchAllFrm() override;
  TSearchAllFrm(const TSearchAllFrm&) = delete;
  TSearchAllFrm& operator=(const TSearchAllFrm&) = delete;

  // Replaces the calls into the core (tests). Only while no job runs.
  void SetCalls(MailSearchCalls calls);

  QLineEdit* QueryField() const { return query_; }
  QTreeView* ResultList() const { return list_; }
  QStandardItemModel* Results() const { return results_; }
  QLabel* StatusLine() const { return status_; }
  // The indexing progress dialog while it is shown, else null.
  QProgressDialog* IndexProgress() const;

  // Searches the field's text now (as Enter in the field does); an explicit search also goes
  // on with an indexing the user cancelled.
  void SearchNow();
  // True while a job (indexing or searching) runs.
  bool Busy() const { return worker_.joinable(); }
  // False after the indexing was cancelled or failed, until an indexing finishes.
  bool IndexComplete() const { return indexComplete_; }

  // The box and ID of the result in this list row; none for a row that is not a result.
  std::optional<std::pair<boxes::Box, int>> ResultAt(int row) const;

 signals:
  // Enter or a double-click on a result: show this message.
  void openWanted(boxes::Box box, int id);
  // A job finished and its results (or its failure) are shown.
  void searchFinished();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Outcome;

  void BuildLayout();
  void StartJob(const std::string& text, bool catchUp);
  void RunJob(const MailSearchCalls& calls, const std::string& text, bool catchUp,
              std::shared_ptr<std::atomic<bool>> cancel);
  void ShowIndexing(long long total);
  void ShowIndexProgress(long long done, long long total);
  void IndexingEnded(bool ok, bool cancelled, const std::string& error);
  void JobFinished(const Outcome& outcome);
  void ShowHits(const std::vector<SearchHit>& hits);
  QString IncompleteNote() const;
  void OpenResult(int row);

  store::Database* mail_;
  MailSearchCalls calls_;
  QLineEdit* query_ = nullptr;
  QTreeView* list_ = nullptr;
  QStandardItemModel* results_ = nullptr;
  QLabel* status_ = nullptr;
  QTimer* typingPause_ = nullptr;
  QProgressDialog* progress_ = nullptr;

  std::thread worker_;
  // Shared with the worker, which polls it between indexing batches.
  std::shared_ptr<std::atomic<bool>> cancel_;
  std::optional<std::string> wanted_;  // the text asked for while a job ran
  bool wantedCatchUp_ = false;
  bool indexComplete_ = true;
  bool indexCancelled_ = false;  // the user cancelled: only an explicit search indexes again
  std::string indexError_;
};

}  // namespace contacts
