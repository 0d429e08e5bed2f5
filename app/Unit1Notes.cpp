// The main window's side of the notes box: saving the compose page as a note, and opening a
// note on the compose page.
#include <QStackedWidget>

#include "app/Unit1.h"
#include "boxes/DraftOpen.h"
#include "boxes/MailBoxes.h"
#include "send/ComposePage.h"

namespace app {

void TForm1::ConnectNotes() {
  connect(compose_, &send::ComposePage::noteWanted, this, [this] {
    // Only the shown page is saved; nothing is said to the user, as with drafts.
    if (data_->IsOpen() && PageControl1->currentWidget() == compose_)
      compose_->SaveToNotes(*data_->ADOCDUser);
  });
  connect(boxes_, &boxes::MailBoxes::noteOpened, this, [this](const boxes::DraftFields& note) {
    ShowDraft(note);
    compose_->SetNoteSender(note.sender);
  });
}

}  // namespace app
