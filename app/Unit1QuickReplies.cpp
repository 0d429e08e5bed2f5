// The main window's side of the quick replies: the menu under the compose page's 签名 button,
// the paste of a chosen snippet into the mail editor, and the manager window.
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <ctime>

#include "app/Unit1.h"
#include "platform/Dialogs.h"
#include "platform/HtmlEditor.h"
#include "send/ComposePage.h"
#include "tools/QuickReplies.h"
#include "tools/kuaihuifu.h"

namespace app {

void TForm1::ConnectQuickReplies() {
  connect(compose_, &send::ComposePage::quickReplyMenuWanted, this, &TForm1::PopQuickReplies);
  connect(this, &TForm1::quickReplyChosen, this, &TForm1::PasteQuickReply);
  connect(menus_.QuickReturn->actions().at(0), &QAction::triggered, this,
          &TForm1::OpenQuickReplyManager);
}

void TForm1::showKuaihuiMenu() {
  if (!data_->IsOpen()) return;
  for (QAction* item : FillQuickReplyMenu(menus_.QuickReturn, *data_->ADOQuerykuaihuifu)) {
    const QString subject = item->text();
    connect(item, &QAction::triggered, this, [this, subject] { emit quickReplyChosen(subject); });
  }
}

void TForm1::PopQuickReplies() {
  if (PageControl1->currentWidget() != compose_) return;
  const QPushButton* button = compose_->QuickReplyButton();
  menus_.QuickReturn->popup(button->mapToGlobal(QPoint(0, button->height())));
}

void TForm1::PasteQuickReply(const QString& subject) {
  if (!data_->IsOpen()) return;
  tools::Snippet snippet;
  std::string error;
  if (!tools::FindSnippet(*data_->ADOQuerykuaihuifu, subject.toStdString(), &snippet, &error)) {
    if (!error.empty()) ReportError(QStringLiteral("无法读取快捷回复"), error);
    return;
  }
  platform::HtmlEditor* editor = compose_->Editor();
  editor->InsertHtml(QString::fromStdString(tools::PasteText(snippet, std::time(nullptr))));
  editor->FocusEditor();
}

void TForm1::OpenQuickReplyManager() {
  if (!data_->IsOpen()) return;
  if (!kuaihuiSet_) {
    auto* manager = new tools::TKuaihuiSet(*data_->ADOQuerykuaihuifu, nullptr, this);
    manager->setWindowFlag(Qt::Window);
    connect(manager, &tools::TKuaihuiSet::snippetsChanged, this, &TForm1::showKuaihuiMenu);
    kuaihuiSet_ = manager;
  }
  kuaihuiSet_->show();
  kuaihuiSet_->raise();
  kuaihuiSet_->activateWindow();
}

}  // namespace app
