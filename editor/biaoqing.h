#pragma once
// The emoticon picker of the compose page: a small borderless window of 28 pictures (see
// editor/EmoticonPictures.h). A click on one pastes its <img> at the mail editor's caret, gives
// the editor the focus and closes the picker; the picker also closes as soon as it loses the
// focus (a click anywhere else, another window or program made active).
//
//   auto* picker = new editor::TbiaoqingFRM(programFolder, editor, mainWindow);
//   connect(picker, &editor::TbiaoqingFRM::picturePasted, page, ...);  // the mail's pictures
//   picker->ShowFor(mainWindow, emoticonButton);

#include <QFrame>
#include <QPointer>
#include <QString>
#include <vector>

#include "platform/HtmlEditor.h"

class QToolButton;

namespace editor {

// Where the picker opens: the main window's left + the button's left + 2, and the main
// window's top + the button's top + the button's width + 114. The button's geometry is
// relative to its parent, the main window's (its frame) to the screen.
QPoint PickerPosition(const QRect& mainWindow, const QRect& button);
// The top-left corner that keeps a window of this size inside the screen's area (moved in
// from the right and the bottom first, so the top-left stays on the screen when it is larger).
QPoint KeptOnScreen(const QPoint& wanted, const QSize& size, const QRect& screen);

class TbiaoqingFRM : public QFrame {
  Q_OBJECT

 public:
  // programFolder: the folder whose Images/biaoqing/ holds the pictures. editor: where a
  // chosen picture is pasted (not owned; the picker does nothing once it is gone).
  TbiaoqingFRM(QString programFolder, platform::HtmlEditor* editor, QWidget* parent = nullptr);

  // Opens the picker at PickerPosition for the button of the main window (kept on the screen)
  // and gives it the focus.
  void ShowFor(const QWidget* mainWindow, const QWidget* button);

  // The picture buttons in order, for tests.
  const std::vector<QToolButton*>& Pictures() const { return pictures_; }

 signals:
  // A picture was pasted into the editor: its file, which the mail now shows.
  void picturePasted(const QString& path);

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Choose(std::size_t index);

  QString programFolder_;
  QPointer<platform::HtmlEditor> editor_;
  std::vector<QToolButton*> pictures_;
};

}  // namespace editor
