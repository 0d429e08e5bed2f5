#include "platform/ScriptedDialogs.h"

#include <QPrinter>

namespace platform {

Answer ScriptedDialogs::Message(QWidget* /*parent*/, const QString& title, const QString& text,
                                Buttons buttons, Icon icon) {
  Record(Kind::Message, title, text);
  asked.back().buttons = buttons;
  asked.back().icon = icon;
  if (!answers.empty()) {
    const Answer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  switch (buttons) {
    case Buttons::Ok:
      return Answer::Ok;
    case Buttons::YesNo:
      return Answer::No;
    default:
      return Answer::Cancel;
  }
}

QString ScriptedDialogs::SaveFileName(QWidget* /*parent*/, const QString& caption,
                                      const QString& folder, const QString& suggestedName,
                                      const QString& filter) {
  Record(Kind::SaveFile, caption, suggestedName, folder, filter);
  return NextText();
}

QString ScriptedDialogs::SaveFileNameAndFilter(QWidget* /*parent*/, const QString& caption,
                                               const QString& folder, const QString& suggestedName,
                                               const QString& filter, int* filterIndex) {
  Record(Kind::SaveFile, caption, suggestedName, folder, filter);
  int index = 0;
  if (!filterIndexes.empty()) {
    index = filterIndexes.front();
    filterIndexes.pop_front();
  }
  if (filterIndex != nullptr) *filterIndex = index;
  return NextText();
}

QString ScriptedDialogs::OpenFileName(QWidget* /*parent*/, const QString& caption,
                                      const QString& folder, const QString& filter) {
  Record(Kind::OpenFile, caption, QString(), folder, filter);
  return NextText();
}

QStringList ScriptedDialogs::OpenFileNames(QWidget* /*parent*/, const QString& caption,
                                           const QString& folder, const QString& filter) {
  Record(Kind::OpenFiles, caption, QString(), folder, filter);
  return NextText().split('\n', Qt::SkipEmptyParts);
}

QString ScriptedDialogs::FolderName(QWidget* /*parent*/, const QString& caption,
                                    const QString& folder) {
  Record(Kind::Folder, caption, QString(), folder);
  return NextText();
}

std::optional<QString> ScriptedDialogs::InputText(QWidget* /*parent*/, const QString& title,
                                                  const QString& label, const QString& initial) {
  Record(Kind::Input, title, label, initial);
  if (texts.empty()) return std::nullopt;
  return NextText();
}

std::optional<QColor> ScriptedDialogs::ChooseColor(QWidget* /*parent*/, const QColor& initial) {
  Record(Kind::Color, QString(), initial.name());
  const QColor color(NextText());
  if (!color.isValid()) return std::nullopt;
  return color;
}

bool ScriptedDialogs::ChoosePrinter(QWidget* /*parent*/, QPrinter& printer) {
  Record(Kind::Printer, QString(), QString());
  const QString pdf = NextText();
  if (pdf.isEmpty()) return false;
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(pdf);
  return true;
}

QString ScriptedDialogs::NextText() {
  if (texts.empty()) return QString();
  QString text = texts.front();
  texts.pop_front();
  return text;
}

void ScriptedDialogs::Record(Kind kind, const QString& title, const QString& text,
                             const QString& folder, const QString& filter) {
  Asked entry;
  entry.kind = kind;
  entry.title = title;
  entry.text = text;
  entry.folder = folder;
  entry.filter = filter;
  asked.push_back(entry);
}

}  // namespace platform
