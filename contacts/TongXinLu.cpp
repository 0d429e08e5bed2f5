#include "contacts/TongXinLu.h"

#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "contacts/AddUser.h"
#include "contacts/AddressBook.h"
#include "contacts/ContactImport.h"
#include "contacts/Search.h"
#include "contacts/TongXinLuGroup.h"
#include "contacts/TongXinLuList.h"
#include "maillib/TextUtil.h"
#include "platform/Dialogs.h"
#include "send/RecipientField.h"

namespace contacts {
namespace {

const QString kNothingChosen = QStringLiteral("你还没选择任何联系人");

QFrame* Separator(QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setFrameShape(QFrame::VLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

}  // namespace

TTongXinLuFrm::TTongXinLuFrm(store::Database* mail, QString currentRecipientField, QWidget* parent)
    : QDialog(parent), mail_(mail), field_(std::move(currentRecipientField)) {
  BuildForm();
  Reload();
}

QToolButton* TTongXinLuFrm::MakeImage(const QString& caption, const char* themeIcon, int fallback) {
  auto* button = new QToolButton(this);
  button->setText(caption);
  button->setIcon(QIcon::fromTheme(
      QString::fromLatin1(themeIcon),
      QApplication::style()->standardIcon(static_cast<QStyle::StandardPixmap>(fallback))));
  button->setIconSize(QSize(32, 32));
  button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  button->setAutoRaise(true);
  button->setMinimumWidth(56);
  return button;
}

void TTongXinLuFrm::BuildForm() {
  setObjectName(QStringLiteral("TTongXinLuFrm"));
  setWindowTitle(QStringLiteral("邮箱通讯录"));
  resize(560, 460);
  imgTo = MakeImage(QStringLiteral("发送人"), "mail-send", QStyle::SP_ArrowForward);
  imgCc = MakeImage(QStringLiteral("抄送"), "mail-forward", QStyle::SP_FileDialogContentsView);
  imgBcc = MakeImage(QStringLiteral("密送"), "mail-reply-all", QStyle::SP_FileDialogDetailedView);
  imgOk = MakeImage(QStringLiteral("确定"), "object-select", QStyle::SP_DialogApplyButton);
  imgAdd = MakeImage(QStringLiteral("添加"), "contact-new", QStyle::SP_FileDialogNewFolder);
  imgSearch = MakeImage(QStringLiteral("查找"), "edit-find", QStyle::SP_FileDialogInfoView);
  imgDelete = MakeImage(QStringLiteral("删除"), "edit-delete", QStyle::SP_TrashIcon);
  imgImport = MakeImage(QStringLiteral("导入"), "document-open", QStyle::SP_DialogOpenButton);
  auto* images = new QHBoxLayout;
  for (QToolButton* image : {imgTo, imgCc, imgBcc, imgOk})
    images->addWidget(image);
  images->addWidget(Separator(this));
  for (QToolButton* image : {imgAdd, imgSearch, imgDelete, imgImport})
    images->addWidget(image);
  images->addStretch(1);

  lvFriend = new TTongXinLuList(this);
  auto* hint = new QLabel(QStringLiteral("勾选联系组或联系人，再选择加入发送人、抄送或密送"), this);
  hint->setEnabled(false);

  btnCc = new QPushButton(QStringLiteral("抄送"), this);
  btnBcc = new QPushButton(QStringLiteral("密送"), this);
  btnBack = new QPushButton(QStringLiteral("返回"), this);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnCc);
  buttons->addWidget(btnBcc);
  buttons->addStretch(1);
  buttons->addWidget(btnBack);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(images);
  layout->addWidget(lvFriend, 1);
  layout->addWidget(hint);
  layout->addLayout(buttons);

  connect(imgTo, &QToolButton::clicked, this, &TTongXinLuFrm::imgToClick);
  connect(imgCc, &QToolButton::clicked, this, [this] { imgCcClick(true); });
  connect(imgBcc, &QToolButton::clicked, this, [this] { imgBccClick(true); });
  connect(imgOk, &QToolButton::clicked, this, &TTongXinLuFrm::imgOkClick);
  connect(imgAdd, &QToolButton::clicked, this, &TTongXinLuFrm::imgAddClick);
  connect(imgSearch, &QToolButton::clicked, this, &TTongXinLuFrm::imgSearchClick);
  connect(imgDelete, &QToolButton::clicked, this, &TTongXinLuFrm::imgDeleteClick);
  connect(imgImport, &QToolButton::clicked, this, &TTongXinLuFrm::imgImportClick);
  connect(btnCc, &QPushButton::clicked, this, [this] { imgCcClick(false); });
  connect(btnBcc, &QPushButton::clicked, this, [this] { imgBccClick(false); });
  connect(btnBack, &QPushButton::clicked, this, &QDialog::reject);
  connect(lvFriend, &QWidget::customContextMenuRequested, this, &TTongXinLuFrm::ShowHeaderMenu);
}

void TTongXinLuFrm::Reload() {
  std::string error;
  AddressBook book = LoadAddressBook(*mail_, &error);
  if (!error.empty()) ShowError(this, error);
  lvFriend->Show(std::move(book));
}

void TTongXinLuFrm::Notice(QWidget* parent, const QString& text) {
  platform::CurrentDialogs().Message(parent, QStringLiteral("Tenvel 202"), text,
                                     platform::Buttons::Ok, platform::Icon::Information);
}

void TTongXinLuFrm::ShowError(QWidget* parent, const std::string& error) {
  platform::CurrentDialogs().Message(parent, QStringLiteral("Tenvel 202"),
                                     QString::fromStdString(error), platform::Buttons::Ok,
                                     platform::Icon::Critical);
}

bool TTongXinLuFrm::HasAddresses(const std::string& list, const char* marker) {
  std::string_view rest = list;
  const std::string_view prefix = marker;
  if (rest.substr(0, prefix.size()) == prefix) rest.remove_prefix(prefix.size());
  return !maillib::TrimView(rest).empty();
}

bool TTongXinLuFrm::HasPending() const {
  return HasAddresses(toList_, "") || HasAddresses(ccList_, send::kCcMarker) ||
         HasAddresses(bccList_, send::kBccMarker);
}

bool TTongXinLuFrm::CollectInto(std::string& list, const char* marker) {
  if (!lvFriend->AnyChecked()) {
    // Nothing to add; a list collected before stays as it is.
    if (!HasPending()) Notice(this, kNothingChosen);
    return false;
  }
  // The Cc and Bcc lists begin with their marker; a second collection adds to the first
  // rather than replacing what was collected before.
  list = lvFriend->CollectChecked(list.empty() ? std::string(marker) : list);
  return true;
}

void TTongXinLuFrm::imgToClick() {
  if (CollectInto(toList_, "")) Notice(this, QStringLiteral("已加入\"发送人\""));
}

void TTongXinLuFrm::imgCcClick(bool confirm) {
  if (CollectInto(ccList_, send::kCcMarker) && confirm)
    Notice(this, QStringLiteral("已加入\"抄送\""));
}

void TTongXinLuFrm::imgBccClick(bool confirm) {
  if (CollectInto(bccList_, send::kBccMarker) && confirm)
    Notice(this, QStringLiteral("已加入\"密送\""));
}

void TTongXinLuFrm::imgOkClick() {
  const bool checked = lvFriend->AnyChecked();
  if (!checked && !HasPending()) {
    Notice(this, kNothingChosen);
    return;
  }
  // Entries still checked go to the To part: "确定" with a checked entry must not drop it.
  if (checked) toList_ = lvFriend->CollectChecked(toList_);
  field_ = QString::fromStdString(
      MergeIntoRecipientField(field_.toStdString(), toList_, ccList_, bccList_));
  accept();
}

void TTongXinLuFrm::imgAddClick() {
  TAddUserFrm window(mail_, Contact{}, this);
  runModal(window);
  Reload();
}

void TTongXinLuFrm::imgSearchClick() {
  TSearchFrm window(mail_, this);
  runModal(window);
  Reload();
}

void TTongXinLuFrm::imgDeleteClick() {
  if (!lvFriend->AnyChecked()) {
    Notice(this, QStringLiteral(" 请你先选中要删除的联系人"));
    return;
  }
  if (platform::CurrentDialogs().Message(
          this, QStringLiteral("确认"), QStringLiteral("确定要删除吗？"),
          platform::Buttons::OkCancel, platform::Icon::Question) != platform::Answer::Ok)
    return;
  std::string error;
  if (!DeleteChecked(*mail_, lvFriend->Book(), lvFriend->Checked(), &error)) ShowError(this, error);
  Reload();
}

void TTongXinLuFrm::imgImportClick() {
  if (!platform::ConfirmOkCancel(this, QStringLiteral("你确定要导入吗？"),
                                 QStringLiteral("只能导入两个栏位的csv\n\n第二栏必须是账号栏")))
    return;
  const QString path =
      platform::CurrentDialogs().OpenFileName(this, QStringLiteral("导入联系人"), QString(),
                                              QStringLiteral("CSV 文件 (*.csv);;所有文件 (*)"));
  if (path.isEmpty()) return;
  const ImportOutcome outcome = ImportContactsFile(*mail_, QFile::encodeName(path).toStdString());
  platform::CurrentDialogs().Message(
      this, QStringLiteral("Tenvel 202"), QString::fromStdString(ImportSummary(outcome)),
      platform::Buttons::Ok, outcome.ok ? platform::Icon::Information : platform::Icon::Critical);
  Reload();
}

std::unique_ptr<QMenu> TTongXinLuFrm::HeaderMenu(int row) {
  const int group = lvFriend->HeaderGroup(row);
  if (group == 0) return nullptr;
  auto menu = std::make_unique<QMenu>(this);
  connect(menu->addAction(QStringLiteral("打开此组")), &QAction::triggered, this,
          [this, group] { OpenGroup(group); });
  connect(menu->addAction(QStringLiteral("重命名")), &QAction::triggered, this,
          [this, group] { RenameGroupClick(group); });
  return menu;
}

void TTongXinLuFrm::ShowHeaderMenu(const QPoint& position) {
  QTreeWidgetItem* item = lvFriend->itemAt(position);
  if (item == nullptr) return;
  if (std::unique_ptr<QMenu> menu = HeaderMenu(lvFriend->indexOfTopLevelItem(item)))
    menu->exec(lvFriend->viewport()->mapToGlobal(position));
}

QString TTongXinLuFrm::GroupName(int group) {
  // On a database error GroupNames still gives the form's default names, which serve as the
  // caption and the rename box's starting text; the error itself shows when the list reloads.
  const std::vector<std::string> names = GroupNames(*mail_);
  if (group < 1 || group > static_cast<int>(names.size())) return {};
  return QString::fromStdString(names[group - 1]);
}

void TTongXinLuFrm::OpenGroup(int group) {
  TTongXinLuGroupFrm window(mail_, group, GroupName(group), ccList_, bccList_, this);
  if (runModal(window) != QDialog::Accepted) return;
  field_ = window.RecipientField();
  accept();
}

void TTongXinLuFrm::RenameGroupClick(int group) {
  const std::optional<QString> answer = platform::CurrentDialogs().InputText(
      this, QStringLiteral("确认重命名!"), QStringLiteral("请输入要改的名称!"), GroupName(group));
  if (!answer) return;
  const QString name = answer->trimmed();
  // A group without a name could not be told apart in the list or the add window.
  if (name.isEmpty()) return;
  std::string error;
  if (!RenameGroup(*mail_, group, name.toStdString(), &error)) ShowError(this, error);
  Reload();
}

}  // namespace contacts
