#pragma once
// The light mail editor for tests: a QTextEdit that edits the body in place. It knows the
// commands of the compose toolbar and popup menu that a text document can carry out (character
// formats, alignment, lists, rules, links, selection, clipboard, undo); others do nothing. It
// answers at once, fetches only local pictures and runs no scripts.
//
// Command values follow the browser engine's: "FontSize" 1..7, "ForeColor" a colour name,
// "CreateLink" the address; QueryCommandValue reports colours as "rgb(r, g, b)" and states
// as "true"/"false".

#include "platform/HtmlEditor.h"

class QTextEdit;

namespace platform {

class TextHtmlEditor : public HtmlEditor {
  Q_OBJECT

 public:
  explicit TextHtmlEditor(QWidget* parent = nullptr);

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

  QTextEdit* Edit() const { return edit_; }

 private:
  void UpdateStates();
  void ToggleList(bool ordered);
  void SetLink(const QString& address);
  void RemoveLink();

  QTextEdit* edit_;
  QString background_;  // the body's bgcolor, "#rrggbb"; empty when none was set
  bool canUndo_ = false;
  bool settingBody_ = false;  // SetBodyHtml is replacing the document: no contentChanged
  EditorCommandStates states_;
};

}  // namespace platform
