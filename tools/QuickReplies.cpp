#include "tools/QuickReplies.h"

#include <cstdio>

#include "maillib/TextUtil.h"
#include "store/Schema.h"

namespace tools {
namespace {

constexpr int kFirstFontSize = 11;
constexpr int kLastFontSize = 16;
// The list's numbers are point-like sizes; the editor's sizes run 1 … 7.
constexpr int kFontSizeOffset = 9;

void Prepare(store::Query& query, std::string_view sql) {
  query.Close();
  query.ClearSql();
  query.AddLine(sql);
}

bool Fail(const store::Query& query, std::string* error) {
  *error = query.Error();
  return false;
}

bool Execute(store::Query& query, std::string_view name, std::string_view content,
             std::string_view sql, std::string* error) {
  Prepare(query, sql);
  query.SetText("Subject2", name);
  query.SetText("Content2", content);
  return query.ExecSql() || Fail(query, error);
}

}  // namespace

bool IsBuiltInSnippet(std::string_view name) {
  for (const store::QuickReplyRow& row : store::kBuiltInQuickReplies) {
    if (name == row.subject) return true;
  }
  return false;
}

bool MayDeleteSnippet(std::string_view name) {
  return !maillib::TrimView(name).empty() && !IsBuiltInSnippet(name);
}

bool FindSnippet(store::Query& query, std::string_view name, Snippet* found, std::string* error) {
  error->clear();
  Prepare(query, "select content,Subject from kuaihuifu where Subject=:Subject1 order by ID");
  query.SetText("Subject1", name);
  if (!query.Open()) return Fail(query, error);
  const bool any = !query.Eof();
  if (any) *found = {query.FieldText("Subject"), query.FieldText("content")};
  query.Close();
  return any;
}

bool SnippetNames(store::Query& query, std::vector<std::string>* names, std::string* error) {
  Prepare(query, "select Subject from kuaihuifu where(not Subject=\"\") order by ID");
  if (!query.Open()) return Fail(query, error);
  for (; !query.Eof(); query.Next())
    names->push_back(query.FieldText("Subject"));
  query.Close();
  return true;
}

std::string DateTimeText(std::time_t now) {
  std::tm local{};
  localtime_r(&now, &local);
  char text[40];
  std::snprintf(text, sizeof text, "%d-%d-%d %d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

std::string PasteText(const Snippet& snippet, std::time_t now) {
  return snippet.subject == kDateTimeSnippet ? DateTimeText(now) : snippet.content;
}

ApplyOutcome ApplySnippet(store::Query& query, std::string_view name, std::string_view content,
                          std::string* error) {
  const std::string subject = maillib::Trim(name);
  const std::string html = maillib::Trim(content);
  if (subject.empty()) return ApplyOutcome::EmptyName;
  Snippet existing;
  const bool exists = FindSnippet(query, subject, &existing, error);
  if (!error->empty()) return ApplyOutcome::Failed;
  if (exists) {
    return Execute(query, subject, html,
                   "update Kuaihuifu set content=:Content2 where Subject=:Subject2", error)
               ? ApplyOutcome::Updated
               : ApplyOutcome::Failed;
  }
  return Execute(query, subject, html,
                 "insert into Kuaihuifu (subject,content) values (:Subject2,:Content2)", error)
             ? ApplyOutcome::Inserted
             : ApplyOutcome::Failed;
}

bool DeleteSnippet(store::Query& query, std::string_view name, std::string* error) {
  error->clear();
  if (!MayDeleteSnippet(name)) return false;
  Prepare(query, "delete * from Kuaihuifu where Subject=:Subject1");
  query.SetText("Subject1", name);
  return query.ExecSql() || Fail(query, error);
}

std::optional<int> SnippetFontSize(std::string_view listText) {
  for (int size = kFirstFontSize; size <= kLastFontSize; ++size) {
    if (listText == std::to_string(size)) return size - kFontSizeOffset;
  }
  return std::nullopt;
}

std::vector<std::string> SnippetFontSizes() {
  std::vector<std::string> sizes;
  for (int size = kFirstFontSize; size <= kLastFontSize; ++size)
    sizes.push_back(std::to_string(size));
  return sizes;
}

std::string PictureHtml(std::string_view url) {
  return "<IMG src=\"" + maillib::EscapeHtml(url) + "\">";
}

}  // namespace tools
