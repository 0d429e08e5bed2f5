#include "contacts/SearchAll.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPainter>
#include <QProgressDialog>
#include <QShortcut>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "app/Global.h"

namespace contacts {
namespace {

constexpr int kBoxRole = Qt::UserRole + 1;
constexpr int kIdRole = Qt::UserRole + 2;
constexpr int kSnippetHtmlRole = Qt::UserRole + 3;
constexpr int kProgressSteps = 1000;

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

bool IsContinuationByte(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

// Paints the snippet column as rich text, so the match stands out.
class SnippetDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QString html = index.data(kSnippetHtmlRole).toString();
    item.text.clear();
    QStyle* style = item.widget ? item.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, item.widget);

    QTextDocument document;
    document.setDefaultFont(item.font);
    document.setDocumentMargin(0);
    document.setHtml(html);
    const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &item, item.widget);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = item.palette;
    if (item.state & QStyle::State_Selected) {
      context.palette.setColor(QPalette::Text, item.palette.color(QPalette::HighlightedText));
    }
    painter->save();
    const int top = text.top() + std::max(0, (text.height() - int(document.size().height())) / 2);
    painter->translate(text.left(), top);
    context.clip = QRectF(0, 0, text.width(), text.height());
    painter->setClipRect(context.clip);
    document.documentLayout()->draw(painter, context);
    painter->restore();
  }
};

}  // namespace

MailSearchCalls CoreMailSearchCalls() {
  MailSearchCalls calls;
  calls.pendingCount = [](store::Database& mail, std::string* error) {
    return PendingIndexCount(mail, error);
  };
  calls.catchUp = [](store::Database& mail,
                     const std::function<bool(long long, long long)>& progress,
                     std::string* error) { return CatchUpIndex(mail, progress, error); };
  calls.search = [](store::Database& mail, const std::string& text, std::size_t limit,
                    std::vector<SearchHit>* hits,
                    std::string* error) { return SearchMail(mail, text, limit, hits, error); };
  return calls;
}

QString SnippetHtml(const SearchHit& hit) {
  const std::string& s = hit.snippet;
  std::size_t start = std::min(hit.matchStart, s.size());
  std::size_t end = std::min(s.size(), start + std::min(hit.matchLength, s.size() - start));
  while (start > 0 && IsContinuationByte(static_cast<unsigned char>(s[start])))
    --start;
  while (end < s.size() && IsContinuationByte(static_cast<unsigned char>(s[end])))
    ++end;
  const QString before = Q(s.substr(0, start)).toHtmlEscaped();
  const QString match = Q(s.substr(start, end - start)).toHtmlEscaped();
  const QString after = Q(s.substr(end)).toHtmlEscaped();
  if (match.isEmpty()) return before + after;
  return before + QStringLiteral("<span style=\"background-color:#ffe060;\">") + match +
         QStringLiteral("</span>") + after;
}

// What a job brings back to the window.
struct TSearchAllFrm::Outcome {
  std::string text;
  bool caughtUp = false;  // the job put the waiting messages into the index first
  bool ok = false;
  std::string error;
  std::vector<SearchHit> hits;
};

TSearchAllFrm::TSearchAllFrm(store::Database* mail, QWidget* parent)
    : QWidget(parent, Qt::Window), mail_(mail), calls_(CoreMailSearchCalls()) {
  setObjectName(QStringLiteral("SearchAllFrm"));
  setWindowTitle(QStringLiteral("搜索全部邮件"));
  resize(900, 520);
  BuildLayout();
}

TSearchAllFrm::~TSearchAllFrm() {
  // The worker posts only to this window; once it is joined, what it posted is dropped with
  // the window.
  if (cancel_) cancel_->store(true);
  if (worker_.joinable()) worker_.join();
}

void TSearchAllFrm::SetCalls(MailSearchCalls calls) {
  if (!Busy()) calls_ = std::move(calls);
}

void TSearchAllFrm::BuildLayout() {
  auto* layout = new QVBoxLayout(this);
  query_ = new QLineEdit(this);
  query_->setObjectName(QStringLiteral("edtQuery"));
  query_->setPlaceholderText(QStringLiteral("输入要找的文字，按回车搜索"));
  query_->setClearButtonEnabled(true);
  layout->addWidget(query_);

  results_ = new QStandardItemModel(0, kResultColumnCount, this);
  results_->setHorizontalHeaderLabels({QStringLiteral("邮箱"), QStringLiteral("发件人"),
                                       QStringLiteral("主题"), QStringLiteral("时间"),
                                       QStringLiteral("内容")});
  list_ = new QTreeView(this);
  list_->setObjectName(QStringLiteral("lvResults"));
  list_->setModel(results_);
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setAlternatingRowColors(true);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setItemDelegateForColumn(kResultSnippet, new SnippetDelegate(list_));
  list_->header()->setStretchLastSection(true);
  list_->setColumnWidth(kResultBox, 70);
  list_->setColumnWidth(kResultSender, 160);
  list_->setColumnWidth(kResultSubject, 200);
  list_->setColumnWidth(kResultTime, 140);
  list_->installEventFilter(this);
  layout->addWidget(list_, 1);

  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("lblStatus"));
  layout->addWidget(status_);

  typingPause_ = new QTimer(this);
  typingPause_->setSingleShot(true);
  typingPause_->setInterval(kTypingPauseMs);
  connect(typingPause_, &QTimer::timeout, this,
          [this] { StartJob(query_->text().trimmed().toStdString(), !indexCancelled_); });
  connect(query_, &QLineEdit::textEdited, this, [this] { typingPause_->start(); });
  connect(query_, &QLineEdit::returnPressed, this, &TSearchAllFrm::SearchNow);
  connect(list_, &QTreeView::doubleClicked, this,
          [this](const QModelIndex& index) { OpenResult(index.row()); });
  // Esc closes the window, as it would a dialog; the field has the focus when it opens.
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
          &QWidget::close);
  query_->setFocus();
}

bool TSearchAllFrm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      OpenResult(list_->currentIndex().row());
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

QProgressDialog* TSearchAllFrm::IndexProgress() const {
  return progress_ && progress_->isVisible() ? progress_ : nullptr;
}

void TSearchAllFrm::SearchNow() {
  typingPause_->stop();
  indexCancelled_ = false;
  StartJob(query_->text().trimmed().toStdString(), true);
}

void TSearchAllFrm::StartJob(const std::string& text, bool catchUp) {
  if (Busy()) {
    // One job at a time: the newest text asked for runs when the running job ends.
    wanted_ = text;
    wantedCatchUp_ = wantedCatchUp_ || catchUp;
    return;
  }
  if (text.empty()) {
    results_->removeRows(0, results_->rowCount());
    status_->clear();
    return;
  }
  if (!mail_) {
    status_->setText(QStringLiteral("邮件数据库没有打开，不能搜索。"));
    return;
  }
  cancel_ = std::make_shared<std::atomic<bool>>(false);
  status_->setText(QStringLiteral("正在搜索…"));
  worker_ = std::thread([this, calls = calls_, text, catchUp, cancel = cancel_] {
    RunJob(calls, text, catchUp, cancel);
  });
}

// On the worker thread: it reads only its arguments and the database, and reports by posting
// to the window.
void TSearchAllFrm::RunJob(const MailSearchCalls& calls, const std::string& text, bool catchUp,
                           std::shared_ptr<std::atomic<bool>> cancel) {
  store::Database& mail = *mail_;
  if (catchUp) {
    std::string error;
    const long long pending = calls.pendingCount(mail, &error);
    bool ok = pending >= 0;
    if (pending > 0) {
      const bool shown = pending > kIndexDialogThreshold;
      if (shown) {
        QMetaObject::invokeMethod(
            this, [this, pending] { ShowIndexing(pending); }, Qt::QueuedConnection);
      }
      ok = calls.catchUp(
          mail,
          [this, shown, &cancel](long long done, long long total) {
            if (shown) {
              QMetaObject::invokeMethod(
                  this, [this, done, total] { ShowIndexProgress(done, total); },
                  Qt::QueuedConnection);
            }
            return !cancel->load();
          },
          &error);
    }
    const bool cancelled = cancel->load();
    QMetaObject::invokeMethod(
        this, [this, ok, cancelled, error] { IndexingEnded(ok, cancelled, error); },
        Qt::QueuedConnection);
  }
  Outcome outcome;
  outcome.text = text;
  outcome.caughtUp = catchUp;
  outcome.ok = calls.search(mail, text, kSearchResultLimit, &outcome.hits, &outcome.error);
  QMetaObject::invokeMethod(
      this, [this, outcome = std::move(outcome)] { JobFinished(outcome); }, Qt::QueuedConnection);
}

void TSearchAllFrm::ShowIndexing(long long total) {
  if (!progress_) {
    progress_ = new QProgressDialog(this);
    progress_->setObjectName(QStringLiteral("dlgIndexProgress"));
    progress_->setWindowTitle(QStringLiteral("搜索全部邮件"));
    progress_->setLabelText(QStringLiteral("正在建立邮件索引…"));
    progress_->setCancelButtonText(QStringLiteral("取消"));
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    progress_->setMinimumDuration(0);
    progress_->setRange(0, kProgressSteps);
    connect(progress_, &QProgressDialog::canceled, this, [this] {
      if (cancel_) cancel_->store(true);
      status_->setText(QStringLiteral("正在停止建立索引…"));
    });
  }
  progress_->reset();
  progress_->setValue(0);
  status_->setText(QStringLiteral("正在建立邮件索引（%1 封邮件）…").arg(total));
  progress_->show();
}

void TSearchAllFrm::ShowIndexProgress(long long done, long long total) {
  if (!progress_ || !progress_->isVisible() || total <= 0) return;
  const long long step = std::clamp(done, 0LL, total) * kProgressSteps / total;
  progress_->setValue(static_cast<int>(step));
}

void TSearchAllFrm::IndexingEnded(bool ok, bool cancelled, const std::string& error) {
  if (progress_) progress_->hide();
  indexComplete_ = ok && !cancelled;
  indexCancelled_ = cancelled;
  indexError_ = ok ? std::string() : error;
  status_->setText(QStringLiteral("正在搜索…"));
}

QString TSearchAllFrm::IncompleteNote() const {
  if (indexComplete_) return QString();
  if (!indexError_.empty()) {
    return QStringLiteral("（邮件索引没有建完：%1，结果可能不全）").arg(Q(indexError_));
  }
  return QStringLiteral("（邮件索引没有建完，结果可能不全，按回车继续建立）");
}

void TSearchAllFrm::JobFinished(const Outcome& outcome) {
  // The worker posted this as its last step, so the join returns at once.
  if (worker_.joinable()) worker_.join();
  if (wanted_) {
    const std::string next = *wanted_;
    const bool catchUp = wantedCatchUp_;
    wanted_.reset();
    wantedCatchUp_ = false;
    if (next != outcome.text || (catchUp && !outcome.caughtUp)) {
      // The text changed while this job ran, or an indexing was asked for: run again.
      StartJob(next, catchUp);
      return;
    }
  }
  if (!outcome.ok) {
    results_->removeRows(0, results_->rowCount());
    status_->setText(QStringLiteral("搜索失败：") + Q(outcome.error));
  } else {
    ShowHits(outcome.hits);
  }
  emit searchFinished();
}

void TSearchAllFrm::ShowHits(const std::vector<SearchHit>& hits) {
  results_->removeRows(0, results_->rowCount());
  for (const SearchHit& hit : hits) {
    QList<QStandardItem*> row;
    auto* box = new QStandardItem(QString::fromUtf8(boxes::InfoOf(hit.box).caption));
    box->setData(static_cast<int>(hit.box), kBoxRole);
    box->setData(hit.id, kIdRole);
    row << box << new QStandardItem(Q(app::ShownAddresses(hit.sender)))
        << new QStandardItem(Q(hit.subject)) << new QStandardItem(Q(hit.time));
    auto* snippet = new QStandardItem(Q(hit.snippet));
    snippet->setData(SnippetHtml(hit), kSnippetHtmlRole);
    row << snippet;
    results_->appendRow(row);
  }
  QString text =
      hits.empty() ? QStringLiteral("没有找到") : QStringLiteral("找到 %1 封邮件").arg(hits.size());
  if (hits.size() >= kSearchResultLimit) {
    text += QStringLiteral("，只列出最新的 %1 封").arg(kSearchResultLimit);
  }
  status_->setText(text + IncompleteNote());
  if (!hits.empty()) list_->setCurrentIndex(results_->index(0, 0));
}

std::optional<std::pair<boxes::Box, int>> TSearchAllFrm::ResultAt(int row) const {
  if (row < 0 || row >= results_->rowCount()) return std::nullopt;
  const QStandardItem* item = results_->item(row, kResultBox);
  return std::make_pair(static_cast<boxes::Box>(item->data(kBoxRole).toInt()),
                        item->data(kIdRole).toInt());
}

void TSearchAllFrm::OpenResult(int row) {
  if (const auto result = ResultAt(row)) emit openWanted(result->first, result->second);
}

}  // namespace contacts
