#include "app/FrameGeometry.h"

namespace app {

QRect NormalGeometry(const QRect& screen) {
  return {screen.left() + (screen.width() - kFormWidth) / 2,
          screen.top() + (screen.height() - kFormHeight) / 2, kFormWidth, kFormHeight};
}

QRect MaximisedGeometry(const QRect& screen) {
  return {screen.left(), screen.top(), screen.width(), screen.height() - kPanelStrip};
}

ToggleResult ToggleMaximised(const QString& caption, const QRect& screen) {
  if (caption == QLatin1String(kCaptionMaximise))
    return {MaximisedGeometry(screen), QString::fromLatin1(kCaptionRestore)};
  return {NormalGeometry(screen), QString::fromLatin1(kCaptionMaximise)};
}

}  // namespace app
