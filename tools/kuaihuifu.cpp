// What the quick-reply manager does: loading, adding, changing and deleting snippets, and the
// editor commands of its toolbar.
#include "tools/kuaihuifu.h"

#include <QComboBox>
#include <QLineEdit>
#include <QUrl>

#include "editor/EditorCommands.h"
#include "platform/Dialogs.h"
#include "platform/HtmlEditor.h"
#include "tools/QuickReplies.h"

namespace tools {
namespace {

// The editor's body for a new snippet, and after the window closed.
const char* const kEmptyTemplate = "<DIV><FONT face=宋体 size=2></FONT></DIV>";
const char* const kTitle = "签名管理";

QString FromStd(const std::string& text) {
  return QString::fromStdString(text);
}

QString Command(std::string_view name) {
  return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

}  // namespace

void TKuaihuiSet::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FillNames();
  const QString dateTime = QString::fromUtf8(kDateTimeSnippet);
  cbbNames->setCurrentIndex(cbbNames->findText(dateTime));
  edtName->setText(dateTime);
  FillFonts();
  tmrLoad.start();
}

void TKuaihuiSet::hideEvent(QHideEvent* event) {
  tmrLoad.stop();
  editor_->SetBodyHtml(QString::fromUtf8(kEmptyTemplate));
  QDialog::hideEvent(event);
}

void TKuaihuiSet::FillNames() {
  std::vector<std::string> names;
  std::string error;
  const bool read = SnippetNames(query_, &names, &error);
  cbbNames->clear();
  for (const std::string& name : names)
    cbbNames->addItem(FromStd(name));
  if (!read) ReportError(error);
}

void TKuaihuiSet::LoadSnippet(const QString& name) {
  Snippet snippet;
  std::string error;
  if (!FindSnippet(query_, name.toStdString(), &snippet, &error)) {
    if (!error.empty()) ReportError(error);
    return;
  }
  const QString subject = FromStd(snippet.subject);
  edtName->setText(subject);
  cbbNames->setCurrentIndex(cbbNames->findText(subject));
  editor_->SetBodyHtml(FromStd(snippet.content));
}

void TKuaihuiSet::cbbNamesChange(int index) {
  if (index >= 0) LoadSnippet(cbbNames->itemText(index));
}

void TKuaihuiSet::btnNewClick() {
  edtName->clear();
  cbbNames->setCurrentIndex(-1);
  editor_->SetBodyHtml(QString::fromUtf8(kEmptyTemplate));
  edtName->setFocus();
}

void TKuaihuiSet::btnApplyClick() {
  const QString name = edtName->text().trimmed();
  if (name.isEmpty()) {
    platform::Inform(this, QString::fromUtf8(kTitle), QStringLiteral("主题不能为空"));
    return;
  }
  // The editor hands its content over later; the name is the one typed at the click.
  editor_->ReadContent(
      [this, name](const platform::EditorContent& content) { Apply(name, content.bodyOuterHtml); });
}

void TKuaihuiSet::Apply(const QString& name, const QString& content) {
  std::string error;
  switch (ApplySnippet(query_, name.toStdString(), content.toStdString(), &error)) {
    case ApplyOutcome::Inserted:
      platform::Inform(this, QString::fromUtf8(kTitle), QStringLiteral("插入成功!"));
      break;
    case ApplyOutcome::Updated:
      platform::Inform(this, QString::fromUtf8(kTitle), QStringLiteral("修改成功!"));
      break;
    case ApplyOutcome::EmptyName:
      return;
    case ApplyOutcome::Failed:
      ReportError(error);
      return;
  }
  AfterChange();
}

void TKuaihuiSet::btnDeleteClick() {
  const std::string name = edtName->text().trimmed().toStdString();
  // The built-in snippets stay, and an empty field names nothing to delete: no question.
  if (!MayDeleteSnippet(name)) return;
  if (!platform::ConfirmYesNo(this, QString::fromUtf8(kTitle), QStringLiteral("确定要删除吗?")))
    return;
  std::string error;
  if (!DeleteSnippet(query_, name, &error)) {
    ReportError(error);
    return;
  }
  AfterChange();
}

void TKuaihuiSet::AfterChange() {
  FillNames();
  emit snippetsChanged();
  tmrLoad.start();
}

void TKuaihuiSet::cbbFontChange(int index) {
  if (index >= 0) editor_->ExecCommand(Command(editor::kFontName), cbbFont->itemText(index));
}

void TKuaihuiSet::cbbSizeChange(int index) {
  const std::optional<int> size = SnippetFontSize(cbbSize->itemText(index).toStdString());
  if (size) editor_->ExecCommand(Command(editor::kFontSize), QString::number(*size));
}

void TKuaihuiSet::btnColorClick() {
  editor_->QueryCommandValue(Command(editor::kForeColor), [this](const QString& value) {
    const std::optional<std::uint32_t> rgb = editor::ParseEditorColour(value.toStdString());
    const QColor initial = rgb ? QColor::fromRgb(*rgb) : QColor(Qt::black);
    const std::optional<QColor> chosen = platform::CurrentDialogs().ChooseColor(this, initial);
    if (chosen) editor_->ExecCommand(Command(editor::kForeColor), chosen->name());
  });
}

void TKuaihuiSet::btnPictureClick() {
  const QString path = platform::CurrentDialogs().OpenFileName(
      this, QStringLiteral("插入图片"), QString(),
      QStringLiteral("图片文件 (*.jpg *.jpeg *.gif *.png *.bmp);;所有文件 (*)"));
  if (path.isEmpty()) return;
  const std::string url = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded).toStdString();
  editor_->InsertHtml(FromStd(PictureHtml(url)));
  editor_->FocusEditor();
}

void TKuaihuiSet::ReportError(const std::string& error) {
  platform::CurrentDialogs().Message(this, QString::fromUtf8(kTitle), FromStd(error),
                                     platform::Buttons::Ok, platform::Icon::Warning);
}

}  // namespace tools
