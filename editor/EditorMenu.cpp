#include "editor/EditorMenu.h"

#include "editor/EditActions.h"
#include "editor/EditorCommands.h"

namespace editor {

EditorMenu::EditorMenu(QWidget* parent) : QMenu(parent), actions_(new EditActions(this)) {
  addAction(actions_->cut());
  addAction(actions_->copy());
  addAction(actions_->paste());
  addAction(actions_->undo());
  addSeparator();
  const auto command = [this](const QString& text, std::string_view name) {
    QAction* action = addAction(text);
    connect(action, &QAction::triggered, this, [this, name] {
      if (editor_) editor_->ExecCommand(ToQString(name));
    });
    return action;
  };
  selectAll_ = command(QStringLiteral("全选"), kSelectAll);
  delete_ = command(QStringLiteral("删除"), kDelete);
  unlink_ = command(QStringLiteral("取消超链接"), kUnLink);
}

void EditorMenu::SetEditor(platform::HtmlEditor* editor) {
  disconnect(popupConnection_);
  editor_ = editor;
  actions_->SetEditor(editor);
  if (editor != nullptr) {
    popupConnection_ = connect(editor, &platform::HtmlEditor::contextMenuWanted, this,
                               [this](const QPoint& at) { popup(at); });
  }
}

QAction* EditorMenu::cutAction() const {
  return actions_->cut();
}

QAction* EditorMenu::copyAction() const {
  return actions_->copy();
}

QAction* EditorMenu::pasteAction() const {
  return actions_->paste();
}

QAction* EditorMenu::undoAction() const {
  return actions_->undo();
}

}  // namespace editor
