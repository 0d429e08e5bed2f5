// The main window's side of the emoticons: the 表情 button of the compose toolbar opens the
// picker, and a picture it pastes is one the mail carries as an inline part.
#include <QToolButton>

#include "app/Unit1.h"
#include "editor/EditorToolbar.h"
#include "editor/biaoqing.h"
#include "send/ComposePage.h"

namespace app {

void TForm1::ConnectEmoticons() {
  auto* toolbar = compose_->findChild<editor::EditorToolbar*>();
  if (!toolbar) return;
  toolbar->ButtonFor(editor::EditorToolbar::Button::Emoticon)->setEnabled(true);
  connect(toolbar, &editor::EditorToolbar::emoticonWanted, this, &TForm1::ShowEmoticons);
}

void TForm1::ShowEmoticons() {
  auto* toolbar = compose_->findChild<editor::EditorToolbar*>();
  if (!toolbar) return;
  auto* picker = qobject_cast<editor::TbiaoqingFRM*>(biaoqing_.data());
  if (!picker) {
    picker = new editor::TbiaoqingFRM(programFolder_, compose_->Editor(), this);
    connect(picker, &editor::TbiaoqingFRM::picturePasted, compose_,
            &send::ComposePage::AddPictureFile);
    biaoqing_ = picker;
  }
  picker->ShowFor(this, toolbar->ButtonFor(editor::EditorToolbar::Button::Emoticon));
}

}  // namespace app
