// The address book window TTongXinLuFrm ("邮箱通讯录"): the named groups (with their member
// counts) and the contacts of the contact-frequency tiers, each with a check box. The checked
// entries are collected into pending To, Cc and Bcc lists ("发送人", "抄送", "密送") and "确定"
// writes them into the compose page's recipient field. The window also adds, finds, deletes and
// imports contacts, and opens or renames a group from the right-click menu of its header.
//
// For the main window: construct it with the mail database and the recipient field's current
// text, exec() it; when it was accepted ("确定" here or in a group window), RecipientField() is
// the new text of the field. "返回" rejects it.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <string>

class QMenu;
class QPushButton;
class QToolButton;

namespace store {
class Database;
}

namespace contacts {

class TTongXinLuList;

class TTongXinLuFrm : public QDialog {
  Q_OBJECT

 public:
  // `mail` is not owned and must outlive the window.
  TTongXinLuFrm(store::Database* mail, QString currentRecipientField, QWidget* parent = nullptr);

  // The recipient field: as given until "确定" (of this window or of a group window) set it.
  QString RecipientField() const { return field_; }
  // The pending lists: To-list, Cc-list (from "<抄送>"), Bcc-list (from "<密送>"); "" until
  // something was collected into them.
  const std::string& ToList() const { return toList_; }
  const std::string& CcList() const { return ccList_; }
  const std::string& BccList() const { return bccList_; }

  // Runs the add, search and group windows modally; a test replaces it to drive them.
  std::function<int(QDialog&)> runModal = [](QDialog& dialog) { return dialog.exec(); };

  TTongXinLuList* lvFriend = nullptr;
  QToolButton* imgTo = nullptr;      // 发送人
  QToolButton* imgCc = nullptr;      // 抄送
  QToolButton* imgBcc = nullptr;     // 密送
  QToolButton* imgOk = nullptr;      // 确定
  QToolButton* imgAdd = nullptr;     // 添加
  QToolButton* imgSearch = nullptr;  // 查找
  QToolButton* imgDelete = nullptr;  // 删除
  QToolButton* imgImport = nullptr;  // 导入
  QPushButton* btnCc = nullptr;      // 抄送, without the confirmation
  QPushButton* btnBcc = nullptr;     // 密送, without the confirmation
  QPushButton* btnBack = nullptr;    // 返回

  // Rebuilds the list from the database.
  void Reload();
  // The handlers of the images and buttons.
  void imgToClick();
  void imgCcClick(bool confirm = true);
  void imgBccClick(bool confirm = true);
  void imgOkClick();
  void imgAddClick();
  void imgSearchClick();
  void imgDeleteClick();
  void imgImportClick();
  // The right-click menu of the row: "打开此组" and "重命名" for a group header, null for any
  // other row.
  std::unique_ptr<QMenu> HeaderMenu(int row);
  // "打开此组" and "重命名" for group 1..5.
  void OpenGroup(int group);
  void RenameGroupClick(int group);

  // The message boxes of the address book windows, titled with the program's name.
  static void Notice(QWidget* parent, const QString& text);
  static void ShowError(QWidget* parent, const std::string& error);
  // Whether a pending list holds anything beyond its marker ("<抄送>", "<密送>", or "" for To).
  static bool HasAddresses(const std::string& list, const char* marker);

 private:
  void BuildForm();
  QToolButton* MakeImage(const QString& caption, const char* themeIcon, int fallback);
  bool HasPending() const;
  // Algorithm of "发送人", "抄送", "密送": false when nothing is checked (the message is shown
  // when nothing is pending either).
  bool CollectInto(std::string& list, const char* marker);
  void ShowHeaderMenu(const QPoint& position);
  QString GroupName(int group);

  store::Database* mail_;
  QString field_;
  std::string toList_;
  std::string ccList_;
  std::string bccList_;
};

}  // namespace contacts
