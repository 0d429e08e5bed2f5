#pragma once
// The mail editor's popup menu: "剪切", "复制", "粘贴", "撤销", "全选", "删除", "取消超链接".
// The first four are enabled exactly when the editor reports them available (as on the
// toolbar); the others always are. Once SetEditor has joined it to an editor, the menu opens
// wherever the user asks the editor for a popup menu.

#include <QMenu>
#include <QPointer>

#include "platform/HtmlEditor.h"

namespace editor {

class EditActions;

class EditorMenu : public QMenu {
  Q_OBJECT

 public:
  explicit EditorMenu(QWidget* parent = nullptr);

  void SetEditor(platform::HtmlEditor* editor);

  QAction* cutAction() const;
  QAction* copyAction() const;
  QAction* pasteAction() const;
  QAction* undoAction() const;
  QAction* selectAllAction() const { return selectAll_; }
  QAction* deleteAction() const { return delete_; }
  QAction* unlinkAction() const { return unlink_; }

 private:
  QPointer<platform::HtmlEditor> editor_;
  QMetaObject::Connection popupConnection_;
  EditActions* actions_;
  QAction* selectAll_;
  QAction* delete_;
  QAction* unlink_;
};

}  // namespace editor
