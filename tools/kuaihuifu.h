// The quick-reply manager TKuaihuiSet ("签名管理"): lists the snippets, shows one in a small HTML
// editor of its own, and adds, changes and deletes them. The main window rebuilds its
// quick-reply menu when snippetsChanged is emitted.
#pragma once

#include <QDialog>
#include <QTimer>

#include "store/Query.h"

class QComboBox;
class QLineEdit;
class QMenu;
class QPushButton;

namespace platform {
class HtmlEditor;
}

namespace tools {

class TKuaihuiSet : public QDialog {
  Q_OBJECT

 public:
  // query runs the statements of the kuaihuifu table (not owned, outlives the window); editor
  // becomes the window's child. Without one the window makes an editor of the default kind as
  // its child from the start (the browser engine's view does not draw in a window it was moved
  // into from a top-level of its own).
  TKuaihuiSet(store::Query& query, platform::HtmlEditor* editor, QWidget* parent = nullptr);

  QComboBox* cbbNames = nullptr;  // 签名名称：
  QLineEdit* edtName = nullptr;
  platform::HtmlEditor* Editor() const { return editor_; }
  QComboBox* cbbFont = nullptr;  // the system's fonts
  QComboBox* cbbSize = nullptr;  // "11" … "16"
  QPushButton* btnColor = nullptr;
  QPushButton* btnPicture = nullptr;
  QPushButton* btnNew = nullptr;
  QPushButton* btnDelete = nullptr;
  QPushButton* btnApply = nullptr;
  QPushButton* btnCancel = nullptr;
  QMenu* pmEditor = nullptr;  // 复制 / 粘贴
  // Loads "时间/日期" 300 ms after the window is shown and after every change.
  QTimer tmrLoad;

  // The handlers of the buttons and lists.
  void btnNewClick();
  void btnApplyClick();
  void btnDeleteClick();
  void cbbNamesChange(int index);
  void cbbFontChange(int index);
  void cbbSizeChange(int index);
  void btnColorClick();
  void btnPictureClick();
  // Loads the first snippet of this name into the name field, the name list and the editor.
  void LoadSnippet(const QString& name);

 signals:
  // A snippet was added, changed or deleted.
  void snippetsChanged();

 protected:
  void showEvent(QShowEvent* event) override;
  // Closing ("x", "取 消", Escape) empties the editor and stops the load.
  void hideEvent(QHideEvent* event) override;

 private:
  void BuildForm();
  QWidget* BuildToolbar();
  QWidget* BuildButtons();
  void BuildEditorMenu();
  void ConnectControls();
  void FillNames();
  void FillFonts();
  // After a change: names again, the main window told, "时间/日期" loaded shortly.
  void AfterChange();
  void Apply(const QString& name, const QString& content);
  void ReportError(const std::string& error);

  store::Query& query_;
  platform::HtmlEditor* editor_;
};

}  // namespace tools
