#pragma once
// Dialogs for tests: answers come from a script, every question is recorded, nothing is shown.

#include <deque>
#include <vector>

#include "platform/Dialogs.h"

namespace platform {

class ScriptedDialogs : public Dialogs {
 public:
  enum class Kind { Message, SaveFile, OpenFile, OpenFiles, Folder, Input, Color, Printer };

  // One question as it was asked.
  struct Asked {
    Kind kind = Kind::Message;
    QString title;  // the box title or the chooser caption
    QString text;   // the message text, the input label, or the suggested file name
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
    QString folder;  // the folder a chooser starts in; the initial text of an input box
    QString filter;  // the file chooser's filter
  };

  // Answers to message boxes, taken from the front. When none is left: Ok for an Ok box,
  // otherwise Cancel (OkCancel, YesNoCancel) or No (YesNo), as if the box were closed.
  std::deque<Answer> answers;
  // Answers to choosers and input boxes, taken from the front (several files: separated by
  // "\n"; a colour: its name, "#rrggbb"; the print dialog: the PDF file to print into, as
  // "Print to File" would). When none is left, or the text is empty, the chooser counts as
  // cancelled.
  std::deque<QString> texts;
  // The filter chosen in each save chooser asked through SaveFileNameAndFilter (its position
  // in the filter list), taken from the front; 0 when none is left.
  std::deque<int> filterIndexes;
  // Everything asked, in order.
  std::vector<Asked> asked;

  Answer Message(QWidget* parent, const QString& title, const QString& text, Buttons buttons,
                 Icon icon) override;
  QString SaveFileName(QWidget* parent, const QString& caption, const QString& folder,
                       const QString& suggestedName, const QString& filter) override;
  QString SaveFileNameAndFilter(QWidget* parent, const QString& caption, const QString& folder,
                                const QString& suggestedName, const QString& filter,
                                int* filterIndex) override;
  QString OpenFileName(QWidget* parent, const QString& caption, const QString& folder,
                       const QString& filter) override;
  QStringList OpenFileNames(QWidget* parent, const QString& caption, const QString& folder,
                            const QString& filter) override;
  QString FolderName(QWidget* parent, const QString& caption, const QString& folder) override;
  std::optional<QString> InputText(QWidget* parent, const QString& title, const QString& label,
                                   const QString& initial) override;
  std::optional<QColor> ChooseColor(QWidget* parent, const QColor& initial) override;
  bool ChoosePrinter(QWidget* parent, QPrinter& printer) override;

 private:
  QString NextText();
  void Record(Kind kind, const QString& title, const QString& text, const QString& folder = {},
              const QString& filter = {});
};

}  // namespace platform
