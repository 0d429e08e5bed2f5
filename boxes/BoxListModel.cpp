#include "boxes/BoxListModel.h"

#include <QCollator>
#include <QLocale>
#include <QStringDecoder>
#include <algorithm>
#include <atomic>
#include <functional>
#include <numeric>
#include <system_error>
#include <thread>

#include "boxes/BoxIcons.h"

namespace boxes {
namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

const char* const kTitles[kColumnCount] = {"", "附件", "标注",        "",           "主题", "时间",
                                           "", "ID",   "RecordIndex", "MessageKind"};

bool SortsByCollation(int column) {
  return column == kColThird || column == kColSubject;
}

// Columns without text (the caption and the images): a sort by them changes nothing.
bool HasText(int column) {
  return column >= kColThird && column < kColumnCount;
}

// A text's first 24 bytes as LessFoldingAz sees them (A-Z and a-z alike), packed so that the
// numbers compare as the bytes do; shorter texts are padded with zero bytes. Two texts whose
// heads differ compare as their heads; equal heads leave the rest to LessFoldingAz. 24 bytes
// hold a whole "yyyy-MM-dd hh:mm:ss" time.
struct FoldedHead {
  std::array<std::uint64_t, 3> bytes{};
  std::uint32_t row = 0;
};

FoldedHead HeadOf(std::string_view text, std::uint32_t row) {
  FoldedHead head;
  head.row = row;
  for (std::size_t i = 0; i < 24; ++i) {
    auto byte = static_cast<unsigned char>(i < text.size() ? text[i] : 0);
    if (byte >= 'a' && byte <= 'z') byte = static_cast<unsigned char>(byte - 'a' + 'A');
    std::uint64_t& part = head.bytes[i / 8];
    part = part << 8 | byte;
  }
  return head;
}

// Whether n texts are many enough to be worked on in two halves side by side.
bool InTwoHalves(std::size_t n) {
  constexpr std::size_t kManyTexts = 20000;
  return n >= kManyTexts && std::thread::hardware_concurrency() >= 2;
}

// Runs work(begin, end) over [0, n): as two halves side by side when InTwoHalves(n), else at
// once.
void ForHalves(std::size_t n, const std::function<void(std::size_t, std::size_t)>& work) {
  if (!InTwoHalves(n)) {
    work(0, n);
    return;
  }
  const std::size_t half = n / 2;
  std::thread first;
  try {
    first = std::thread([&work, half] { work(0, half); });
  } catch (const std::system_error&) {
    // No thread to be had: this one does the first half as well; the result is the same.
    work(0, half);
  }
  work(half, n);
  if (first.joinable()) first.join();
}

// The collation order of the texts as one number each: equal texts by the collation (letters in
// either case alike) get equal numbers, smaller numbers sort first.
std::vector<std::uint32_t> CollationRanksOf(const std::vector<std::string_view>& texts,
                                            const std::atomic<bool>& stop) {
  const std::size_t n = texts.size();
  const std::size_t half = n / 2;
  // Sort keys compare as the collator compares the texts, in a fraction of its time. A
  // collator is made for each part: one must not be used by two threads at once.
  const bool split = InTwoHalves(n);
  std::vector<QCollatorSortKey> keys[2];
  ForHalves(n, [&](std::size_t begin, std::size_t end) {
    QCollator collator(QLocale(QLocale::Chinese, QLocale::China));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<QCollatorSortKey>& part = keys[begin == 0 ? 0 : 1];
    part.reserve(end - begin);
    // Each text is decoded into one buffer and lent to the collator from there.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    std::vector<QChar> buffer;
    for (std::size_t i = begin; i < end; ++i) {
      if (i % 1024 == 0 && stop.load(std::memory_order_relaxed)) return;  // a new fill came
      const QByteArrayView bytes(texts[i].data(), static_cast<qsizetype>(texts[i].size()));
      buffer.resize(static_cast<std::size_t>(decoder.requiredSpace(bytes.size())));
      const QChar* last = decoder.appendToBuffer(buffer.data(), bytes);
      part.push_back(collator.sortKey(QString::fromRawData(buffer.data(), last - buffer.data())));
    }
  });
  if (stop.load()) return {};
  const auto key = [&keys, split, half](std::uint32_t i) -> const QCollatorSortKey& {
    return !split ? keys[0][i] : i < half ? keys[0][i] : keys[1][i - half];
  };
  const auto less = [&key](std::uint32_t a, std::uint32_t b) { return key(a).compare(key(b)) < 0; };
  std::vector<std::uint32_t> order(n);
  std::iota(order.begin(), order.end(), 0u);
  const auto middle = order.begin() + static_cast<std::ptrdiff_t>(half);
  // Each half sorted on its own, then the two merged (a merge sort: fewer comparisons of
  // keys than a quicksort, and the keys' comparisons are what costs).
  ForHalves(n, [&](std::size_t begin, std::size_t end) {
    std::stable_sort(order.begin() + static_cast<std::ptrdiff_t>(begin),
                     order.begin() + static_cast<std::ptrdiff_t>(end), less);
  });
  if (split) std::inplace_merge(order.begin(), middle, order.end(), less);
  std::vector<std::uint32_t> ranks(n);
  std::uint32_t rank = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0 && key(order[i - 1]).compare(key(order[i])) != 0) ++rank;
    ranks[order[i]] = rank;
  }
  // Each half's keys are let go of on the side that made them.
  ForHalves(n, [&keys](std::size_t begin, std::size_t) {
    std::vector<QCollatorSortKey>().swap(keys[begin == 0 ? 0 : 1]);
  });
  return ranks;
}

// The collation rank of each of the texts (equal texts, equal ranks), working out each
// different text once: a box holds the same senders, and often the same subjects, many times
// over. Empty when stop was set before the end.
std::vector<std::uint32_t> RanksOfTexts(const std::vector<std::string_view>& all,
                                        const std::atomic<bool>& stop) {
  const std::size_t n = all.size();
  std::vector<std::string_view> texts;
  std::vector<std::uint32_t> textOfRow(n);
  // An open-addressing table of the texts seen so far (their number + 1; 0 is free), at most
  // half full.
  std::size_t size = 16;
  while (size < 2 * n)
    size *= 2;
  std::vector<std::uint32_t> seen(size, 0);
  const std::hash<std::string_view> hash;
  for (std::size_t i = 0; i < n; ++i) {
    std::size_t slot = hash(all[i]) & (size - 1);
    while (seen[slot] != 0 && texts[seen[slot] - 1] != all[i])
      slot = (slot + 1) & (size - 1);
    if (seen[slot] == 0) {
      texts.push_back(all[i]);
      seen[slot] = static_cast<std::uint32_t>(texts.size());
    }
    textOfRow[i] = seen[slot] - 1;
  }
  const std::vector<std::uint32_t> textRanks = CollationRanksOf(texts, stop);
  if (textRanks.size() != texts.size()) return {};
  std::vector<std::uint32_t> ranks(n);
  for (std::size_t i = 0; i < n; ++i)
    ranks[i] = textRanks[textOfRow[i]];
  return ranks;
}

}  // namespace

// A background making of the collation ranks of columns 3 and 4, started by a fill.
struct BoxListModel::RankJob {
  std::thread thread;
  std::atomic<bool> stop{false};
  std::array<std::vector<std::uint32_t>, 2> ranks;  // by fill place; empty when stopped
};

BoxListModel::BoxListModel(QObject* parent) : QAbstractTableModel(parent) {}

BoxListModel::~BoxListModel() {
  StopRankJob();
}

void BoxListModel::SetRows(std::vector<BoxRow> rows) {
  StopRankJob();
  beginResetModel();
  rows_ = std::move(rows);
  fillPlaces_.resize(rows_.size());
  std::iota(fillPlaces_.begin(), fillPlaces_.end(), 0u);
  for (std::vector<std::uint32_t>& ranks : ranks_)
    std::vector<std::uint32_t>().swap(ranks);
  sortColumn_ = -1;
  endResetModel();
  StartRankJob();
}

std::string BoxListModel::Text(int row, int column) const {
  const BoxRow& r = Row(row);
  switch (column) {
    case kColThird:
      return r.third;
    case kColSubject:
      return r.subject;
    case kColTime:
      return r.time;
    case kColBody:
      return bodyReader_ ? bodyReader_(r.id) : std::string();
    case kColId:
      return std::to_string(r.id);
    case kColRecordIndex:
      return std::to_string(r.recordIndex);
    case kColKind:
      return r.kind;
    default:
      return std::string();  // the caption and the image columns carry no text
  }
}

void BoxListModel::SortInPlace(int column) {
  sortColumn_ = column;
  if (!HasText(column) || rows_.size() < 2) return;
  ApplyOrder(SortsByCollation(column) ? CollationOrder(column) : ByteOrder(column));
}

const std::vector<std::uint32_t>& BoxListModel::CollationRanks(int column) {
  std::vector<std::uint32_t>& ranks = ranks_[column == kColThird ? 0 : 1];
  if (!ranks.empty()) return ranks;
  if (job_) {
    // Made in the background since the fill: wait for the rest of it.
    if (job_->thread.joinable()) job_->thread.join();
    for (std::size_t c = 0; c < 2; ++c)
      ranks_[c] = std::move(job_->ranks[c]);
    job_.reset();
    if (!ranks.empty()) return ranks;
  }
  std::vector<std::string_view> texts(rows_.size());
  const std::uint32_t places =
      rows_.empty() ? 0 : *std::max_element(fillPlaces_.begin(), fillPlaces_.end()) + 1;
  for (std::size_t i = 0; i < rows_.size(); ++i)
    texts[i] = column == kColThird ? rows_[i].third : rows_[i].subject;
  const std::atomic<bool> never{false};
  const std::vector<std::uint32_t> rowRanks = RanksOfTexts(texts, never);
  // Places of rows removed since the fill keep rank 0; no row has them any more.
  ranks.assign(places, 0);
  for (std::size_t i = 0; i < rows_.size(); ++i)
    ranks[fillPlaces_[i]] = rowRanks[i];
  return ranks;
}

void BoxListModel::StopRankJob() {
  if (!job_) return;
  job_->stop = true;
  if (job_->thread.joinable()) job_->thread.join();
  job_.reset();
}

void BoxListModel::StartRankJob() {
  if (rows_.size() < kBackgroundRanks) return;
  auto job = std::make_unique<RankJob>();
  // The job works on copies: the rows move and change while it runs.
  std::array<std::vector<std::string>, 2> texts;
  for (std::size_t c = 0; c < 2; ++c)
    texts[c].reserve(rows_.size());
  for (const BoxRow& row : rows_) {
    texts[0].push_back(row.third);
    texts[1].push_back(row.subject);
  }
  RankJob* state = job.get();
  try {
    job->thread = std::thread([state, texts = std::move(texts)] {
      for (std::size_t c = 0; c < 2 && !state->stop; ++c) {
        std::vector<std::string_view> views(texts[c].begin(), texts[c].end());
        state->ranks[c] = RanksOfTexts(views, state->stop);
      }
    });
  } catch (const std::system_error&) {
    return;  // no thread to be had: the first sort by a column makes its order itself
  }
  job_ = std::move(job);
}

std::vector<std::uint32_t> BoxListModel::CollationOrder(int column) {
  const std::vector<std::uint32_t>& ranks = CollationRanks(column);
  // Rank and present position in one number: sorting those is a stable sort by rank.
  std::vector<std::uint64_t> keyed(rows_.size());
  for (std::size_t i = 0; i < keyed.size(); ++i)
    keyed[i] = std::uint64_t{ranks[fillPlaces_[i]]} << 32 | i;
  std::sort(keyed.begin(), keyed.end());
  std::vector<std::uint32_t> order(keyed.size());
  for (std::size_t i = 0; i < keyed.size(); ++i)
    order[i] = static_cast<std::uint32_t>(keyed[i]);
  return order;
}

std::vector<std::uint32_t> BoxListModel::ByteOrder(int column) const {
  const std::size_t n = rows_.size();
  // The texts the rows hold are compared where they are; the others are made once.
  std::vector<std::string> made;
  std::vector<std::string_view> texts(n);
  if (column == kColTime || column == kColKind) {
    for (std::size_t i = 0; i < n; ++i)
      texts[i] = column == kColTime ? rows_[i].time : rows_[i].kind;
  } else {
    made.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
      made[i] = Text(static_cast<int>(i), column);
      texts[i] = made[i];
    }
  }
  std::vector<FoldedHead> heads(n);
  for (std::size_t i = 0; i < n; ++i)
    heads[i] = HeadOf(texts[i], static_cast<std::uint32_t>(i));
  // A total order (the present position last), so the unstable sort keeps equal texts as
  // they were.
  std::sort(heads.begin(), heads.end(), [&texts](const FoldedHead& a, const FoldedHead& b) {
    if (a.bytes != b.bytes) return a.bytes < b.bytes;
    const std::string_view x = texts[a.row], y = texts[b.row];
    if (LessFoldingAz(x, y)) return true;
    if (LessFoldingAz(y, x)) return false;
    return a.row < b.row;
  });
  std::vector<std::uint32_t> order(n);
  for (std::size_t i = 0; i < n; ++i)
    order[i] = heads[i].row;
  return order;
}

void BoxListModel::ApplyOrder(const std::vector<std::uint32_t>& order) {
  const std::size_t n = order.size();
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<int> newRowOf(n);
  for (std::size_t i = 0; i < n; ++i)
    newRowOf[order[i]] = static_cast<int>(i);
  // The rows move where they are, along the cycles of the permutation: position at takes the
  // row from order[at].
  std::vector<bool> placed(n, false);
  for (std::size_t start = 0; start < n; ++start) {
    if (placed[start]) continue;
    placed[start] = true;
    if (order[start] == start) continue;
    BoxRow row = std::move(rows_[start]);
    const std::uint32_t place = fillPlaces_[start];
    std::size_t at = start;
    while (order[at] != start) {
      rows_[at] = std::move(rows_[order[at]]);
      fillPlaces_[at] = fillPlaces_[order[at]];
      at = order[at];
      placed[at] = true;
    }
    rows_[at] = std::move(row);
    fillPlaces_[at] = place;
  }
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& index : before) {
    after.push_back(index.isValid() ? createIndex(newRowOf[static_cast<std::size_t>(index.row())],
                                                  index.column())
                                    : QModelIndex());
  }
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void BoxListModel::RemoveRowsAt(std::vector<int> rows) {
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  // From the bottom up, one contiguous run at a time, so indexes below stay valid.
  auto end = rows.end();
  while (end != rows.begin()) {
    auto begin = std::prev(end);
    while (begin != rows.begin() && *std::prev(begin) + 1 == *begin)
      --begin;
    const int first = *begin;
    const int last = *std::prev(end);
    if (first >= 0 && last < Count()) {
      beginRemoveRows(QModelIndex(), first, last);
      rows_.erase(rows_.begin() + first, rows_.begin() + last + 1);
      fillPlaces_.erase(fillPlaces_.begin() + first, fillPlaces_.begin() + last + 1);
      endRemoveRows();
    }
    end = begin;
  }
}

void BoxListModel::SetMark(int row, RowImage mark) {
  if (row < 0 || row >= Count()) return;
  rows_[static_cast<std::size_t>(row)].mark = mark;
  const QModelIndex cell = index(row, kColMark);
  emit dataChanged(cell, cell, {Qt::DecorationRole});
}

void BoxListModel::MarkRead(int row) {
  if (row < 0 || row >= Count()) return;
  rows_[static_cast<std::size_t>(row)].kind = "Mailed";
  SetMark(row, RowImage::None);
}

int BoxListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : Count();
}

int BoxListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant BoxListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= Count()) return {};
  const BoxRow& r = Row(index.row());
  if (role == Qt::DecorationRole) {
    const RowImage image = index.column() == kColAttachment ? r.attachment
                           : index.column() == kColMark     ? r.mark
                                                            : RowImage::None;
    return image == RowImage::None ? QVariant() : QVariant(BoxIcon(image));
  }
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  switch (index.column()) {
    case kColThird:
      return FromUtf8(r.third);
    case kColSubject:
      return FromUtf8(r.subject);
    case kColTime:
      return FromUtf8(r.time);
    case kColKind:
      return FromUtf8(r.kind);
    case kColId:
      return r.id;
    case kColRecordIndex:
      return r.recordIndex;
    case kColBody:
      return role == Qt::DisplayRole ? FromUtf8(Text(index.row(), kColBody)) : QVariant();
    default:
      return {};
  }
}

QVariant BoxListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section < 0 || section >= kColumnCount) return {};
  if (section == kColThird) return thirdTitle_;
  return QString::fromUtf8(kTitles[section]);
}

}  // namespace boxes
