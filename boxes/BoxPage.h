#pragma once
// One box page of the main window: the header buttons, the message list, the sender and
// receiver fields and the preview browser (with the inbox's preview toggle).

#include <QWidget>
#include <vector>

#include "boxes/BoxKind.h"
#include "boxes/BoxListModel.h"

class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class QFrame;

namespace platform {
class HtmlView;
}

namespace boxes {

// The header buttons of a list, left to right.
enum class HeaderButton { Attachment, Label, Third, Subject, Time };

class BoxPage : public QWidget {
  Q_OBJECT

 public:
  BoxPage(Box box, QWidget* parent = nullptr);

  Box box() const { return box_; }
  BoxListModel* Model() const { return model_; }
  QTableView* List() const { return list_; }
  platform::HtmlView* Preview() const { return preview_; }
  QLineEdit* SenderField() const { return sender_; }
  QLineEdit* ReceiverField() const { return receiver_; }
  QMenu* Popup() const { return popup_; }
  QPushButton* HeaderButtonOf(HeaderButton which) const;
  // The inbox's "关闭预览" / "打开预览" button; nullptr on the other pages.
  QPushButton* PreviewToggle() const { return previewToggle_; }

  // The selected rows in list order.
  std::vector<int> SelectedRows() const;
  // The selected row when exactly one row is selected, else -1.
  int SingleSelectedRow() const;
  bool HasSelection() const;
  // Selects only this row, makes it current and scrolls it into view.
  void SelectOnly(int row);
  void ClearSelection();
  // Empties the sender and receiver fields and blanks the preview.
  void ClearFields();
  // The preview toggle: hides or shows the preview and its border panels.
  void TogglePreview();
  bool PreviewShown() const;

 signals:
  void rowClicked();      // a click on a row
  void rowOpened();       // double-click or Enter
  void previousWanted();  // Up (Shift+Up extends the selection instead)
  void nextWanted();      // Down (Shift+Down extends the selection instead)
  void deleteWanted();    // Delete
  void headerClicked(boxes::HeaderButton which);
  void columnClicked(int column);  // a click on a column header

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildHeader();
  QWidget* BuildPreviewArea();
  void BuildList();
  void SetDefaultColumnWidths();
  void ShowPopup(const QPoint& pos);

  Box box_;
  BoxListModel* model_;
  QTableView* list_ = nullptr;
  platform::HtmlView* preview_ = nullptr;
  QLineEdit* sender_ = nullptr;
  QLineEdit* receiver_ = nullptr;
  QMenu* popup_ = nullptr;
  QFrame* borderTop_ = nullptr;
  QFrame* borderLeft_ = nullptr;
  QPushButton* previewToggle_ = nullptr;
  std::vector<QPushButton*> headerButtons_;
};

}  // namespace boxes
