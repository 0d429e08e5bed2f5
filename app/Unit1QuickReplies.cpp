// Placeholder: filled in by the personal-tools work.
#include "app/Unit1.h"

namespace app {

void TForm1::ConnectQuickReplies() {}

}  // namespace app
