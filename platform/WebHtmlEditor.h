#pragma once
// The mail editor on the browser engine. The page is an empty document in design mode whose
// body receives the mail's HTML; the page's own scripts are off, it loads nothing from the
// network (local files only: the user's pictures and those of a quoted message), it goes
// nowhere (links are not followed, no window opens, nothing dropped is shown in its place) and
// it shows no popup menu of its own.
//
// The program's commands run as scripts in a world of their own (the application world),
// which the engine runs although the page's scripts are off; they share the page's document,
// and the page carries them out in the order they were sent. The command
// states are asked for when the selection changes, after every command, and twice a second
// while the editor has the focus (typing changes the undo stack without any signal).

#include <QTimer>
#include <QUrl>
#include <vector>

#include "platform/HtmlEditor.h"

class QWebEngineView;

namespace platform {

class EditorPage;

class WebHtmlEditor : public HtmlEditor {
  Q_OBJECT

 public:
  explicit WebHtmlEditor(QWidget* parent = nullptr);
  ~WebHtmlEditor() override;

  void SetBodyHtml(const QString& html, const QString& baseFolder = QString()) override;
  void ReadContent(std::function<void(const EditorContent&)> done) override;
  void InsertHtml(const QString& html) override;
  void ExecCommand(const QString& command, const QString& value = QString()) override;
  void QueryCommandValue(const QString& command, std::function<void(const QString&)> done) override;
  void SetBodyBackground(const QString& color) override;
  void Cut() override;
  void Copy() override;
  void Paste() override;
  void Undo() override;
  void SelectAll() override;
  EditorCommandStates CommandStates() const override { return states_; }
  void FocusEditor() override;
  QWidget* KeyTarget() override;

  // Asks the page for the command states now (commandStatesChanged follows when they
  // changed).
  void RefreshCommandStates();
  // True once the document set last is ready for commands.
  bool IsReady() const { return ready_; }

 private:
  // Runs script in the application world once the document is ready; done (when given)
  // receives its result.
  void Run(const QString& script, std::function<void(const QVariant&)> done = {});
  void PageLoaded(bool ok);
  void AfterCommand();
  void FocusChanged(QWidget* now);

  QWebEngineView* view_;
  EditorPage* page_;
  QUrl base_;            // the base address of the document loaded last
  QString pendingBody_;  // the body set last, put in whenever the document has loaded
  QString background_;   // the body's bgcolor, "#rrggbb"; empty when none was set
  bool ready_ = false;
  std::vector<std::pair<QString, std::function<void(const QVariant&)>>> waiting_;
  QTimer poll_;
  EditorCommandStates states_;
};

}  // namespace platform
