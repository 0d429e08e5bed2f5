#include "editor/biaoqing.h"

#include <QEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QScreen>
#include <QToolButton>
#include <algorithm>

#include "editor/EmoticonPictures.h"

namespace editor {
namespace {

constexpr int kColumns = 7;
constexpr int kPictureSide = 24;

QString ToQ(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QPoint PickerPosition(const QRect& mainWindow, const QRect& button) {
  return {mainWindow.left() + button.left() + 2,
          mainWindow.top() + button.top() + button.width() + 114};
}

QPoint KeptOnScreen(const QPoint& wanted, const QSize& size, const QRect& screen) {
  const int x = std::max(screen.left(), std::min(wanted.x(), screen.right() + 1 - size.width()));
  const int y = std::max(screen.top(), std::min(wanted.y(), screen.bottom() + 1 - size.height()));
  return {x, y};
}

TbiaoqingFRM::TbiaoqingFRM(QString programFolder, platform::HtmlEditor* editor, QWidget* parent)
    : QFrame(parent, Qt::Popup | Qt::FramelessWindowHint),
      programFolder_(std::move(programFolder)),
      editor_(editor) {
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setFocusPolicy(Qt::StrongFocus);  // takes Esc while it is open
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(3, 3, 3, 3);
  grid->setSpacing(1);
  const std::string folder = programFolder_.toStdString();
  for (std::size_t i = 0; i < kEmoticonCount; ++i) {
    const Emoticon& e = Emoticons()[i];
    auto* b = new QToolButton(this);
    const QIcon picture(ToQ(EmoticonPath(folder, e.file)));
    // A picture that is missing from the program folder still offers its hint to click.
    if (picture.availableSizes().isEmpty()) b->setText(ToQ(e.hint));
    b->setIcon(picture);
    b->setIconSize(QSize(kPictureSide, kPictureSide));
    b->setToolTip(ToQ(e.hint));
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    connect(b, &QToolButton::clicked, this, [this, i] { Choose(i); });
    grid->addWidget(b, static_cast<int>(i) / kColumns, static_cast<int>(i) % kColumns);
    pictures_.push_back(b);
  }
}

void TbiaoqingFRM::ShowFor(const QWidget* mainWindow, const QWidget* button) {
  adjustSize();
  QPoint at = PickerPosition(mainWindow->frameGeometry(), button->geometry());
  const QScreen* screen = mainWindow->screen();
  if (screen) at = KeptOnScreen(at, size(), screen->availableGeometry());
  move(at);
  show();
  raise();
  activateWindow();
  setFocus(Qt::PopupFocusReason);
}

bool TbiaoqingFRM::event(QEvent* event) {
  // Losing the focus to another window closes the picker, as a click outside it does.
  if (event->type() == QEvent::WindowDeactivate && isVisible()) close();
  return QFrame::event(event);
}

void TbiaoqingFRM::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QFrame::keyPressEvent(event);
}

void TbiaoqingFRM::Choose(std::size_t index) {
  close();
  if (!editor_) return;
  const std::string folder = programFolder_.toStdString();
  const std::string_view file = Emoticons()[index].file;
  editor_->InsertHtml(QString::fromStdString(EmoticonHtml(folder, file)));
  editor_->FocusEditor();
  emit picturePasted(QString::fromStdString(EmoticonPath(folder, file)));
}

}  // namespace editor
