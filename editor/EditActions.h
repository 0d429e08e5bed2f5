#pragma once
// The clipboard and undo actions of the mail editor ("剪切", "复制", "粘贴", "撤销"), shared by
// its toolbar and its popup menu: each is enabled exactly when the editor reports the command
// available, and follows every change the editor reports.

#include <QObject>
#include <QPointer>
#include <QString>
#include <string_view>

#include "platform/HtmlEditor.h"

class QAction;

namespace editor {

// A command name or list text of editor/EditorCommands.h as the editor takes it.
QString ToQString(std::string_view text);

class EditActions : public QObject {
  Q_OBJECT

 public:
  explicit EditActions(QObject* parent = nullptr);

  // The editor the actions work on (nullptr: none, all disabled).
  void SetEditor(platform::HtmlEditor* editor);
  platform::HtmlEditor* Editor() const { return editor_; }

  QAction* cut() const { return cut_; }
  QAction* copy() const { return copy_; }
  QAction* paste() const { return paste_; }
  QAction* undo() const { return undo_; }

 private:
  void Apply(const platform::EditorCommandStates& states);

  QPointer<platform::HtmlEditor> editor_;
  QMetaObject::Connection statesConnection_;
  QAction* cut_;
  QAction* copy_;
  QAction* paste_;
  QAction* undo_;
};

}  // namespace editor
