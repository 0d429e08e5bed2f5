// The main window's side of the quick replies.
#include <QPushButton>

#include "app/Unit1.h"
#include "send/ComposePage.h"

namespace app {

void TForm1::ConnectQuickReplies() {
  // The quick-reply menu has no entries that paste yet: the compose page's button stays hidden
  // rather than open a menu that does nothing.
  compose_->QuickReplyButton()->hide();
}

}  // namespace app
