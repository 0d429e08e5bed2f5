#include "contacts/ContactImport.h"

#include <fstream>
#include <iterator>
#include <vector>

#include "maillib/Charsets.h"
#include "maillib/TextUtil.h"
#include "store/Query.h"
#include "store/Transaction.h"

namespace contacts {
namespace {

// One line of the text starting at *pos: its fields, with double-quoted fields unquoted (""
// inside gives one quote). A quote opens a quoted part only at the start of a field; elsewhere
// it is text. The line ends at CR LF, LF or a lone CR, even inside quotes, so one unclosed
// quote cannot swallow the rest of the file; *pos moves past its line break.
std::vector<std::string> NextRecord(std::string_view text, std::size_t* pos) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  std::size_t i = *pos;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      ++i;
      break;
    }
    if (quoted) {
      if (c != '"') {
        fields.back() += c;
      } else if (i + 1 < text.size() && text[i + 1] == '"') {
        fields.back() += '"';
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == '"' && maillib::TrimView(fields.back()).empty()) {
      fields.back().clear();
      quoted = true;
    } else if (c == ',') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  *pos = i;
  return fields;
}

bool IsBlank(const std::vector<std::string>& fields) {
  for (const std::string& field : fields)
    if (!maillib::TrimView(field).empty()) return false;
  return true;
}

ImportOutcome Failed(std::string error) {
  ImportOutcome outcome;
  outcome.error = std::move(error);
  return outcome;
}

}  // namespace

std::string CsvTextOf(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF"))
    return maillib::ConvertCharsetText(bytes.substr(3), "UTF-8");
  if (bytes.starts_with("\xFF\xFE"))
    return maillib::ConvertCharsetText(bytes.substr(2), "UTF-16LE");
  if (bytes.starts_with("\xFE\xFF"))
    return maillib::ConvertCharsetText(bytes.substr(2), "UTF-16BE");
  // Undeclared: valid UTF-8 stays, anything else is read as GB18030 (which covers GBK).
  return maillib::ConvertCharsetText(bytes, "");
}

ImportOutcome ImportContactsText(store::Database& mail, const std::string& text) {
  store::Transaction unit(mail);
  if (!unit.Active()) return Failed(unit.Error());
  store::Query find(mail);
  find.AddLine("select * from  Friend where QXHaoMa=:qxhaoma");
  store::Query insert(mail);
  insert.AddLine("insert into Friend (NiCheng,QXHaoMa,GroupName)");
  insert.AddLine("values(:nichengstr,:zhanghaostr,6)");
  ImportOutcome outcome;
  std::size_t pos = 0;
  NextRecord(text, &pos);  // the first line names the columns, or is lost with them
  while (pos < text.size()) {
    const std::vector<std::string> fields = NextRecord(text, &pos);
    if (IsBlank(fields)) continue;
    const std::string nickname = maillib::Trim(fields[0]);
    const std::string address = fields.size() > 1 ? maillib::Trim(fields[1]) : std::string();
    if (address.find('@') == std::string::npos) {
      ++outcome.skipped;
      continue;
    }
    // The lookup sees the rows this import added already, so an address the file repeats
    // is added once.
    find.SetText("qxhaoma", address);
    if (!find.Open()) return Failed(find.Error());
    const bool known = !find.Eof();
    find.Close();
    if (known) {
      ++outcome.skipped;
      continue;
    }
    insert.SetText("nichengstr", nickname);
    insert.SetText("zhanghaostr", address);
    if (!insert.ExecSql()) return Failed(insert.Error());
    ++outcome.added;
  }
  if (!unit.Commit()) return Failed(unit.Error());
  outcome.ok = true;
  return outcome;
}

ImportOutcome ImportContactsFile(store::Database& mail, const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return Failed("无法打开文件：" + path);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) return Failed("读取文件出错：" + path);
  return ImportContactsText(mail, CsvTextOf(bytes));
}

std::string ImportSummary(const ImportOutcome& outcome) {
  if (!outcome.ok) return "导入失败：" + outcome.error;
  return "导入完成：新增 " + std::to_string(outcome.added) + " 个联系人，跳过 " +
         std::to_string(outcome.skipped) + " 行";
}

}  // namespace contacts
