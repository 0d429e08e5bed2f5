// The widgets of the main window: title panel, toolbar, page stack and status line, and the
// wiring of its buttons and menus.

#include <QAction>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "app/AppIcons.h"
#include "app/FrameGeometry.h"
#include "app/StartPage.h"
#include "app/TitleBar.h"
#include "app/Unit1.h"
#include "boxes/BoxKind.h"
#include "boxes/DraftOpen.h"
#include "boxes/MailBoxes.h"
#include "platform/HtmlView.h"
#include "receive/ReceiveSchedule.h"
#include "send/ComposePage.h"
#include "send/SendingPage.h"

namespace app {
namespace {

constexpr const char* kStyle = R"(
#pnl1 { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #3a78c9, stop:1 #1f4e9a); }
#pnl1 QLabel { color: white; }
#toolbar { background: #e8f0fa; border-bottom: 1px solid #b8c9de; }
#toolbar QPushButton { padding: 4px 6px; }
#statusLine { color: #5a6b7d; padding: 2px 6px; }
)";

QPushButton* ToolButton(QWidget* parent, const char* caption, const char* hint,
                        bool enabled = true) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setToolTip(QString::fromUtf8(hint));
  button->setFocusPolicy(Qt::NoFocus);
  button->setEnabled(enabled);
  return button;
}

// Calls the function when the mouse is released on the watched button (a menu button that
// opens on release, below its bottom-left corner).
class ReleaseWatcher : public QObject {
 public:
  ReleaseWatcher(QPushButton* button, std::function<void()> onRelease)
      : QObject(button), onRelease_(std::move(onRelease)) {
    button->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        static_cast<QWidget*>(watched)->isEnabled()) {
      onRelease_();
    }
    return false;
  }

 private:
  std::function<void()> onRelease_;
};

void PopupBelow(QMenu* menu, QWidget* button) {
  menu->popup(button->mapToGlobal(QPoint(0, button->height())));
}

}  // namespace

void TForm1::BuildForm() {
  setStyleSheet(QString::fromLatin1(kStyle));
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(BuildTitle());
  layout->addWidget(BuildToolbar());
  PageControl1 = new QStackedWidget(central);
  layout->addWidget(PageControl1, 1);
  status_ = new QLabel(central);
  status_->setObjectName(QStringLiteral("statusLine"));
  layout->addWidget(status_);
  setCentralWidget(central);
  BuildPages();
}

QWidget* TForm1::BuildTitle() {
  pnl1 = new TitlePanel(this);
  auto* row = new QHBoxLayout(pnl1);
  row->setContentsMargins(8, 2, 2, 2);
  auto* icon = new QLabel(pnl1);
  icon->setPixmap(MailIcon().pixmap(20, 20));
  auto* caption = new QLabel(QStringLiteral("Tenvel 202"), pnl1);
  caption->setStyleSheet(QStringLiteral("font-weight: bold;"));
  btn14 = new TitleButton(QString::fromLatin1(kCaptionMinimise), QStringLiteral("最小化"), pnl1);
  btn15 = new TitleButton(QString::fromLatin1(kCaptionMaximise), QStringLiteral("最大化"), pnl1);
  btn28 = new TitleButton(QString::fromLatin1(kCaptionClose), QStringLiteral("关闭"), pnl1);
  row->addWidget(icon);
  row->addWidget(caption);
  row->addStretch(1);
  for (QPushButton* button : {btn14, btn15, btn28})
    row->addWidget(button);
  connect(btn14, &QPushButton::clicked, this, &TForm1::btn14Click);
  connect(btn15, &QPushButton::clicked, this, &TForm1::btn15Click);
  connect(btn28, &QPushButton::clicked, this, &TForm1::btn28Click);
  return pnl1;
}

QWidget* TForm1::BuildToolbar() {
  auto* bar = new QWidget(this);
  bar->setObjectName(QStringLiteral("toolbar"));
  bar->setAttribute(Qt::WA_StyledBackground);
  btnManualRec = ToolButton(bar, "收信", "手动收信");
  btnCompose = ToolButton(bar, "写信", "写信");
  btnReply = ToolButton(bar, "回复", "回复");
  btnForward = ToolButton(bar, "转发", "转发");
  btn7 = ToolButton(bar, "收件箱", "收件箱");
  btn8 = ToolButton(bar, "发件箱", "发件箱");
  btn9 = ToolButton(bar, "其他邮箱", "待办箱、草稿箱、删除箱、备份箱、便签箱");
  btn5 = ToolButton(bar, "邮件", "邮件菜单");
  btnDelete = ToolButton(bar, "删除", "删除");
  btnPrevious = ToolButton(bar, "上一条", "上一条");
  btnNext = ToolButton(bar, "下一条", "下一条");
  btn24 = ToolButton(bar, "视图", "ok");
  btn10 = ToolButton(bar, "设置", "设置");
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(6, 4, 6, 4);
  for (QPushButton* button : {btnManualRec, btnCompose, btnReply, btnForward, btn7, btn8, btn9,
                              btn5, btnDelete, btnPrevious, btnNext, btn24}) {
    row->addWidget(button);
  }
  row->addStretch(1);
  row->addWidget(btn10);
  return bar;
}

void TForm1::BuildPages() {
  ts1 = new QWidget(PageControl1);
  ts1->setObjectName(QStringLiteral("ts1"));
  auto* layout = new QVBoxLayout(ts1);
  layout->setContentsMargins(0, 0, 0, 0);
  StartBrowser = platform::CreateHtmlView(ts1);
  // The start page has no popup menu: a right click shows nothing.
  StartBrowser->SetHtml(StartPageHtml());
  layout->addWidget(StartBrowser);
  PageControl1->addWidget(ts1);
  boxes_->AddPagesTo(PageControl1);
  PageControl1->addWidget(compose_);
  PageControl1->addWidget(sendingPage_);
  boxes_->SetComposePage(compose_);
  PageControl1->setCurrentWidget(ts1);
}

void TForm1::ConnectMenus() {
  const MainMenus& m = menus_;
  for (std::size_t n = 0; n < m.tools.size(); ++n)
    connect(m.tools[n], &QAction::triggered, this, [this, n] { OpenTool(static_cast<int>(n)); });
  connect(m.openClient, &QAction::triggered, this, &TForm1::ShowFromTray);
  connect(m.exitTray, &QAction::triggered, this, &TForm1::ExitProgram);
  connect(m.exitSettings, &QAction::triggered, this, &TForm1::ExitProgram);
  connect(m.aboutUs, &QAction::triggered, this, &TForm1::AboutClick);
  connect(m.help, &QAction::triggered, this, &TForm1::HelpClick);
  connect(m.feedback, &QAction::triggered, this, &TForm1::FeedbackClick);
  connect(m.accountSet, &QAction::triggered, this, &TForm1::AccountManagerClick);
  new ReleaseWatcher(btn10, [this] { PopupBelow(menus_.settings, btn10); });
  ConnectReceiveMenus();
}

void TForm1::ConnectReceiveMenus() {
  receive::ReceiveSchedule* schedule = schedule_.get();
  for (QAction* receiveAll : {menus_.receiveAllTray, menus_.receiveAllManual}) {
    connect(receiveAll, &QAction::triggered, schedule,
            &receive::ReceiveSchedule::RequestReceiveAll);
  }
  // Pressing the manual-receive button does nothing; releasing the mouse opens its menu.
  new ReleaseWatcher(btnManualRec, [this] { PopupBelow(menus_.popupmenuManualRec, btnManualRec); });
}

void TForm1::ConnectBoxes() {
  connect(btn7, &QPushButton::clicked, this, [this] { boxes_->OpenBox(boxes::Box::Inbox); });
  connect(btn8, &QPushButton::clicked, this, [this] { boxes_->OpenBox(boxes::Box::Sent); });
  new ReleaseWatcher(btn9, [this] { PopupBelow(boxes_->OtherBoxesMenu(), btn9); });
  new ReleaseWatcher(btn5, [this] {
    if (!boxes_->PopupMessageMenu(btn5)) PopupBelow(compose_->pm2(), btn5);
  });
  connect(btnDelete, &QPushButton::clicked, boxes_, &boxes::MailBoxes::DeleteButtonClick);
  connect(btnPrevious, &QPushButton::clicked, boxes_, &boxes::MailBoxes::PreviousMessage);
  connect(btnNext, &QPushButton::clicked, boxes_, &boxes::MailBoxes::NextMessage);
  connect(btn24, &QPushButton::clicked, boxes_, &boxes::MailBoxes::btn24Click);
  connect(boxes_, &boxes::MailBoxes::draftOpened, this, &TForm1::ShowDraft);
  connect(boxes_, &boxes::MailBoxes::linkHovered, this, &TForm1::ShowHoveredLink);
  connect(schedule_.get(), &receive::ReceiveSchedule::mailStored, boxes_,
          &boxes::MailBoxes::RefillInbox);
}

}  // namespace app
