#pragma once
// Modal message boxes, confirmations, an input box and the file, folder and colour choosers.
//
// Every window asks through platform::CurrentDialogs(), never through QMessageBox or
// QFileDialog directly, so a test can install a ScriptedDialogs (platform/ScriptedDialogs.h)
// that answers from a script and records what was asked:
//
//   platform::ScriptedDialogs script;
//   platform::ScopedDialogs use(&script);            // restored at the end of the scope
//   script.answers.push_back(platform::Answer::Ok);
//   ... run the operation ...
//   EXPECT_EQ(script.asked.at(0).title, "确认删除");
//
// Titles and texts are shown exactly as given (the fixed Chinese texts of the program).

#include <QColor>
#include <QString>
#include <QStringList>
#include <optional>

class QPrinter;
class QWidget;

namespace platform {

enum class Icon { None, Information, Warning, Critical, Question };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
// Closing a box with its window button answers Cancel (OkCancel, YesNoCancel) or No (YesNo).
enum class Answer { Ok, Cancel, Yes, No };

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // A modal message box with the title, text, buttons and icon given.
  virtual Answer Message(QWidget* parent, const QString& title, const QString& text,
                         Buttons buttons = Buttons::Ok, Icon icon = Icon::None) = 0;

  // The save-file chooser: starts in folder with suggestedName filled in; filter in Qt form
  // ("网页文件 (*.htm);;所有文件 (*)"). Empty when cancelled. It does not ask whether to
  // replace an existing file: the caller asks through Message.
  virtual QString SaveFileName(QWidget* parent, const QString& caption, const QString& folder,
                               const QString& suggestedName, const QString& filter) = 0;
  // As SaveFileName, also telling which filter the user chose: *filterIndex is its position in
  // the filter list (0 for the first). This default asks SaveFileName and gives 0.
  virtual QString SaveFileNameAndFilter(QWidget* parent, const QString& caption,
                                        const QString& folder, const QString& suggestedName,
                                        const QString& filter, int* filterIndex);
  // The open-file chooser for one file, or for several. Empty when cancelled.
  virtual QString OpenFileName(QWidget* parent, const QString& caption, const QString& folder,
                               const QString& filter) = 0;
  virtual QStringList OpenFileNames(QWidget* parent, const QString& caption, const QString& folder,
                                    const QString& filter) = 0;
  // The folder chooser. Empty when cancelled.
  virtual QString FolderName(QWidget* parent, const QString& caption, const QString& folder) = 0;
  // A one-line input box; nullopt when cancelled.
  virtual std::optional<QString> InputText(QWidget* parent, const QString& title,
                                           const QString& label, const QString& initial) = 0;
  // The colour chooser; nullopt when cancelled.
  virtual std::optional<QColor> ChooseColor(QWidget* parent, const QColor& initial) = 0;
  // The print dialog: sets up printer with the printer, pages and options chosen (printing to
  // a PDF file included). False when cancelled.
  virtual bool ChoosePrinter(QWidget* parent, QPrinter& printer) = 0;
};

// The dialogs every window uses: the Qt ones unless a test installed others.
Dialogs& CurrentDialogs();
// Installs dialogs for the whole process (nullptr restores the Qt ones). Not owned.
void InstallDialogs(Dialogs* dialogs);

// Installs dialogs for the lifetime of the object, then restores the previous ones.
class ScopedDialogs {
 public:
  explicit ScopedDialogs(Dialogs* dialogs);
  ~ScopedDialogs();
  ScopedDialogs(const ScopedDialogs&) = delete;
  ScopedDialogs& operator=(const ScopedDialogs&) = delete;

 private:
  Dialogs* previous_;
};

// Shorthand for the common boxes.
inline void Inform(QWidget* parent, const QString& title, const QString& text) {
  CurrentDialogs().Message(parent, title, text, Buttons::Ok, Icon::Information);
}
inline bool ConfirmOkCancel(QWidget* parent, const QString& title, const QString& text) {
  return CurrentDialogs().Message(parent, title, text, Buttons::OkCancel, Icon::Question) ==
         Answer::Ok;
}
inline bool ConfirmYesNo(QWidget* parent, const QString& title, const QString& text) {
  return CurrentDialogs().Message(parent, title, text, Buttons::YesNo, Icon::Question) ==
         Answer::Yes;
}

}  // namespace platform
