#include "boxes/MailBoxes.h"

#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <algorithm>

#include "boxes/BoxRows.h"
#include "boxes/MailMoves.h"
#include "platform/Dialogs.h"
#include "platform/HtmlView.h"
#include "store/DataFiles.h"
#include "store/Database.h"

namespace boxes {
namespace {

const char* const kMessageMenuCaptions[kMessageMenuItems] = {
    "搜索主题", "搜索全部邮件", "清空删除箱", "加入通讯录",
    "再次发送", "作为附件转发", "内容另存为", "打印"};

// The label items of a popup menu: label 1, label 2, no label.
struct LabelCaptions {
  const char* first;
  const char* second;
};
LabelCaptions LabelCaptionsOf(Box box) {
  if (box == Box::Inbox) return {"加标签1", "加标签2"};
  if (box == Box::Notes) return {"加标签一", "加标签二"};
  return {"加入标签1", "加入标签2"};
}

}  // namespace

MailBoxes::MailBoxes(MailDatabase mail, QString programFolder, QObject* parent)
    : QObject(parent),
      mail_(std::move(mail)),
      programFolder_(std::move(programFolder)),
      mailFileFolder_(store::MailFileFolder(programFolder_.toStdString())) {
  for (Box box : kAllBoxes) {
    auto* page = new BoxPage(box);
    pages_[IndexOf(box)] = page;
    WatchBrowser(page->Preview());
    ConnectPage(page);
    BuildPopupMenu(box);
  }
  reading_ = new ReadingPage;
  WatchBrowser(reading_->Browser());
  BuildMessageMenu();
  BuildOtherBoxesMenu();
}

MailBoxes::~MailBoxes() {
  // Pages never added to a stack are ours to free; the others belong to the stack.
  for (auto& page : pages_) {
    if (page && !page->parent()) delete page.data();
  }
  if (reading_ && !reading_->parent()) delete reading_.data();
  delete pm5_;
  delete otherBoxes_;
}

void MailBoxes::AddPagesTo(QStackedWidget* stack) {
  stack_ = stack;
  for (auto& page : pages_)
    stack->addWidget(page);
  stack->addWidget(reading_);
}

BoxPage* MailBoxes::Page(Box box) const {
  return pages_[IndexOf(box)];
}

std::optional<Box> MailBoxes::ShownBox() const {
  if (!stack_) return std::nullopt;
  for (Box box : kAllBoxes) {
    if (stack_->currentWidget() == Page(box)) return box;
  }
  return std::nullopt;
}

bool MailBoxes::ReadingShown() const {
  return stack_ && stack_->currentWidget() == reading_;
}

bool MailBoxes::ComposeShown() const {
  return stack_ && compose_ && stack_->currentWidget() == compose_;
}

store::Database* MailBoxes::Mail() const {
  return mail_ ? mail_() : nullptr;
}

QWidget* MailBoxes::Window() const {
  return stack_ ? stack_->window() : nullptr;
}

void MailBoxes::ShowPage(QWidget* page) {
  if (!stack_) return;
  if (stack_->currentWidget() != page) stack_->setCurrentWidget(page);
  emit pageShown(page);
}

void MailBoxes::ShowError(const std::string& error) {
  platform::CurrentDialogs().Message(
      Window(), QStringLiteral("提示"),
      QStringLiteral("数据库操作失败:\n") + QString::fromStdString(error), platform::Buttons::Ok,
      platform::Icon::Warning);
}

void MailBoxes::ConnectPage(BoxPage* page) {
  const Box box = page->box();
  connect(page, &BoxPage::rowClicked, this, [this, box] { RowClicked(box); });
  connect(page, &BoxPage::rowOpened, this, [this, box] { OpenRow(box); });
  connect(page, &BoxPage::previousWanted, this, &MailBoxes::PreviousMessage);
  connect(page, &BoxPage::nextWanted, this, &MailBoxes::NextMessage);
  connect(page, &BoxPage::deleteWanted, this, &MailBoxes::DeleteButtonClick);
  connect(page, &BoxPage::headerClicked, this,
          [this, box](HeaderButton which) { HeaderSort(box, static_cast<int>(which)); });
  connect(page, &BoxPage::columnClicked, this,
          [page](int column) { page->Model()->SortInPlace(column); });
  page->Model()->SetBodyReader([this, box](int id) {
    store::Database* mail = Mail();
    return mail ? ReadBodyById(*mail, box, id) : std::string();
  });
}

void MailBoxes::BuildPopupMenu(Box box) {
  QMenu* menu = Page(box)->Popup();
  if (box != Box::Notes) {
    for (const MoveSpec& move : MoveTable()) {
      if (move.from != box) continue;
      QAction* item = menu->addAction(QString::fromUtf8(move.caption));
      item->setObjectName(QString::fromUtf8(move.item));
      connect(item, &QAction::triggered, this, [this, box, &move] { RunMove(box, move); });
    }
    menu->addSeparator();
  }
  if (box == Box::Deleted) {
    connect(menu->addAction(QStringLiteral("清空")), &QAction::triggered, this,
            &MailBoxes::EmptyDeletedBox);
    menu->addSeparator();
  }
  // The person of the one selected message goes into the contact window.
  const char* addCaption = box == Box::Inbox ? "加入通信录" : "添加到通信录";
  connect(menu->addAction(QString::fromUtf8(addCaption)), &QAction::triggered, this, [this] {
    if (const std::optional<QString> person = SelectedPerson())
      emit addToAddressBookWanted(*person);
  });
  menu->addSeparator();
  const LabelCaptions captions = LabelCaptionsOf(box);
  const char* const labels[3] = {captions.first, captions.second, "取消标签"};
  for (int i = 0; i < 3; ++i) {
    const auto label = static_cast<Label>(i);
    connect(menu->addAction(QString::fromUtf8(labels[i])), &QAction::triggered, this,
            [this, box, label] { ApplyLabel(box, label); });
  }
  if (box == Box::Notes) {
    connect(menu->addAction(QStringLiteral("删除")), &QAction::triggered, this,
            &MailBoxes::DeleteSelectedNotes);
  }
}

void MailBoxes::BuildMessageMenu() {
  pm5_ = new QMenu;
  pm5_->setObjectName(QStringLiteral("pm5"));
  for (int i = 0; i < kMessageMenuItems; ++i) {
    QAction* item = pm5_->addAction(QString::fromUtf8(kMessageMenuCaptions[i]));
    pm5Items_[static_cast<std::size_t>(i)] = item;
    const auto which = static_cast<MessageMenuItem>(i);
    connect(item, &QAction::triggered, this, [this, which] {
      if (which == MessageMenuItem::EmptyDeletedBox) {
        EmptyDeletedBox();
      } else if (which == MessageMenuItem::Print) {
        PrintShownMessage();
      } else {
        emit messageMenuCommand(which);
      }
    });
  }
}

void MailBoxes::BuildOtherBoxesMenu() {
  otherBoxes_ = new QMenu;
  for (Box box : {Box::WaitDo, Box::Outline, Box::Deleted, Box::Backup, Box::Notes}) {
    connect(otherBoxes_->addAction(QString::fromUtf8(InfoOf(box).caption)), &QAction::triggered,
            this, [this, box] { OpenBox(box); });
  }
}

void MailBoxes::PreparePm5() {
  const auto item = [this](MessageMenuItem which) {
    return pm5Items_[static_cast<std::size_t>(which)];
  };
  const std::optional<Box> shown = ShownBox();
  const bool notes = shown == Box::Notes;
  const bool reading = ReadingShown();
  item(MessageMenuItem::SendAgain)->setEnabled(shown == Box::Sent);
  item(MessageMenuItem::EmptyDeletedBox)->setEnabled(!notes);
  item(MessageMenuItem::Print)->setEnabled(!notes);
  item(MessageMenuItem::AddToAddressBook)->setEnabled(reading);
  item(MessageMenuItem::ForwardAsAttachment)->setEnabled(reading);
  item(MessageMenuItem::SaveContentAs)->setEnabled(reading);
}

bool MailBoxes::PopupMessageMenu(QWidget* button) {
  if (ComposeShown()) return false;
  PreparePm5();
  pm5_->popup(button->mapToGlobal(button->rect().bottomLeft()));
  return true;
}

void MailBoxes::OpenBox(Box box) {
  BoxPage* page = Page(box);
  ShowPage(page);
  page->ClearFields();
  if (box == Box::Inbox) {
    FillInboxList(QString::fromUtf8(kInboxFilter));
    pm5Items_[static_cast<std::size_t>(MessageMenuItem::ForwardAsAttachment)]->setEnabled(false);
  } else {
    Fill(box, InfoOf(box).openSql);
  }
}

bool MailBoxes::FillInboxList(const QString& filter) {
  return Fill(Box::Inbox, InboxSql(filter.toStdString()));
}

bool MailBoxes::Fill(Box box, const std::string& sql) {
  BoxListModel* model = Page(box)->Model();
  store::Database* mail = Mail();
  if (!mail) return false;
  std::string error;
  std::vector<BoxRow> rows;
  filledBox_ = box;
  filledSql_ = sql;
  filledIds_.clear();
  // The old rows go before the new ones are read, so a box of 100,000 messages is never held
  // twice; a failed read then shows none rather than rows that no longer match the last fill.
  model->Clear();
  if (!ReadBoxRows(*mail, box, sql, &rows, &error)) {
    ShowError(error);
    return false;
  }
  filledIds_.reserve(rows.size());
  for (const BoxRow& row : rows)
    filledIds_.push_back(row.id);
  model->SetRows(std::move(rows));
  return true;
}

platform::HtmlView* MailBoxes::ShownBrowser() const {
  if (ReadingShown()) return reading_->Browser();
  const std::optional<Box> box = ShownBox();
  if (!box || *box == Box::Notes || Page(*box)->Preview()->IsBlank()) return nullptr;
  return Page(*box)->Preview();
}

void MailBoxes::PrintShownMessage() {
  if (platform::HtmlView* browser = ShownBrowser()) browser->Print(Window());
}

void MailBoxes::WatchBrowser(platform::HtmlView* browser) {
  connect(browser, &platform::HtmlView::linkHovered, this, &MailBoxes::linkHovered);
  connect(browser, &platform::HtmlView::printFinished, this, [this](bool ok) {
    if (ok) return;
    platform::CurrentDialogs().Message(Window(), QStringLiteral("提示"),
                                       QStringLiteral("打印失败，邮件没有打印出来。"),
                                       platform::Buttons::Ok, platform::Icon::Warning);
  });
}

void MailBoxes::RefillInbox() {
  BoxPage* page = Page(Box::Inbox);
  if (filledBox_ != Box::Inbox || (ShownBox() != Box::Inbox && !ReadingShown())) return;
  BoxListModel* model = page->Model();
  std::vector<int> selectedIds;
  for (int row : page->SelectedRows())
    selectedIds.push_back(model->Row(row).id);
  const int currentRow = page->List()->currentIndex().row();
  const int currentId =
      currentRow >= 0 && currentRow < model->Count() ? model->Row(currentRow).id : 0;
  const int sortColumn = model->LastSortColumn();
  // The message shown last keeps being the current message at its new place in the fill.
  const auto shownAt = static_cast<std::size_t>(current_.recordIndex - 1);
  const int shownId =
      current_.recordIndex >= 1 && shownAt < filledIds_.size() ? filledIds_[shownAt] : 0;
  const std::string sql = filledSql_;
  if (!Fill(Box::Inbox, sql)) return;
  const auto newAt = std::find(filledIds_.begin(), filledIds_.end(), shownId);
  current_.recordIndex = shownId != 0 && newAt != filledIds_.end()
                             ? static_cast<int>(newAt - filledIds_.begin()) + 1
                             : 0;
  if (sortColumn >= 0) model->SortInPlace(sortColumn);
  QItemSelectionModel* selection = page->List()->selectionModel();
  QItemSelection kept;
  for (int row = 0; row < model->Count(); ++row) {
    const int id = model->Row(row).id;
    if (id == currentId) {
      selection->setCurrentIndex(model->index(row, kColSubject), QItemSelectionModel::NoUpdate);
    }
    if (std::find(selectedIds.begin(), selectedIds.end(), id) != selectedIds.end()) {
      kept.select(model->index(row, 0), model->index(row, kColumnCount - 1));
    }
  }
  selection->select(kept, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  if (page->List()->currentIndex().isValid()) page->List()->scrollTo(page->List()->currentIndex());
}

void MailBoxes::HeaderSort(Box box, int which) {
  const BoxInfo& info = InfoOf(box);
  BoxListModel* model = Page(box)->Model();
  SortAction action;
  switch (static_cast<HeaderButton>(which)) {
    case HeaderButton::Attachment:
      action = info.byAttachment;
      break;
    case HeaderButton::Label:
      action = info.byLabel;
      break;
    case HeaderButton::Third:
      action = info.byThird;
      break;
    case HeaderButton::Subject:
      action = {nullptr, kColSubject};
      break;
    case HeaderButton::Time:
      action = {info.openSql, -1};
      break;
  }
  if (action.sql) {
    Fill(box, action.sql);
  } else if (action.column >= 0) {
    model->SortInPlace(action.column);
  }
}

void MailBoxes::ApplyLabel(Box box, Label label) {
  BoxPage* page = Page(box);
  store::Database* mail = Mail();
  if (!mail) return;
  for (int row : page->SelectedRows()) {
    std::string error;
    if (!SetLabel(*mail, box, page->Model()->Row(row).id, label, &error)) {
      ShowError(error);
      return;
    }
    page->Model()->SetMark(row, LabelImage(label));
  }
}

std::optional<QString> MailBoxes::SelectedPerson() const {
  const std::optional<SelectedMessage> selected = Selected();
  if (!selected) return std::nullopt;
  const BoxPage* page = Page(selected->box);
  const int row = page->SingleSelectedRow();
  if (row < 0) return std::nullopt;
  return QString::fromStdString(page->Model()->Row(row).third);
}

}  // namespace boxes
