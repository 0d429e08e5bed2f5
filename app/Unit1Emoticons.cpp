// Placeholder: filled in by the editor-extras work.
#include "app/Unit1.h"

namespace app {

void TForm1::ConnectEmoticons() {}

}  // namespace app
