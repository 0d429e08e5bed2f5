// The main window's side of the notes box.
#include <QAction>
#include <QMenu>

#include "app/Unit1.h"
#include "send/ComposePage.h"

namespace app {

void TForm1::ConnectNotes() {
  // Saving the compose page as a note is not built yet: the item stays in its place but cannot
  // be chosen, so no one takes an unsaved page for a saved note.
  for (QAction* item : compose_->pm2()->actions()) {
    if (item->text() == QStringLiteral("保存到便签箱")) item->setEnabled(false);
  }
}

}  // namespace app
