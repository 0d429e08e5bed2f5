#include "editor/EditActions.h"

#include <QAction>

#include "editor/EditorCommands.h"

namespace editor {

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

EditActions::EditActions(QObject* parent)
    : QObject(parent),
      cut_(new QAction(QStringLiteral("剪切"), this)),
      copy_(new QAction(QStringLiteral("复制"), this)),
      paste_(new QAction(QStringLiteral("粘贴"), this)),
      undo_(new QAction(QStringLiteral("撤销"), this)) {
  connect(cut_, &QAction::triggered, this, [this] {
    if (editor_) editor_->Cut();
  });
  connect(copy_, &QAction::triggered, this, [this] {
    if (editor_) editor_->Copy();
  });
  connect(paste_, &QAction::triggered, this, [this] {
    if (editor_) editor_->ExecCommand(ToQString(kPaste));
  });
  connect(undo_, &QAction::triggered, this, [this] {
    if (editor_) editor_->Undo();
  });
  Apply({});
}

void EditActions::SetEditor(platform::HtmlEditor* editor) {
  disconnect(statesConnection_);
  editor_ = editor;
  if (editor == nullptr) {
    Apply({});
    return;
  }
  statesConnection_ =
      connect(editor, &platform::HtmlEditor::commandStatesChanged, this, &EditActions::Apply);
  Apply(editor->CommandStates());
}

void EditActions::Apply(const platform::EditorCommandStates& states) {
  cut_->setEnabled(states.canCut);
  copy_->setEnabled(states.canCopy);
  paste_->setEnabled(states.canPaste);
  undo_->setEnabled(states.canUndo);
}

}  // namespace editor
