#pragma once
// Where the caption-less main window goes: its normal size centred, and its maximised size
// (the whole screen less a strip of 27 pixels for the desktop's panel).

#include <QRect>
#include <QString>

namespace app {

inline constexpr int kFormWidth = 700;
inline constexpr int kFormHeight = 550;
inline constexpr int kPanelStrip = 27;

// Captions of the maximise button: "2" while the window has its normal size (a click
// maximises), "1" while it is maximised (a click restores).
inline constexpr const char* kCaptionMaximise = "2";
inline constexpr const char* kCaptionRestore = "1";

// 700 x 550, centred on the screen (integer division, as the screen's own origin).
QRect NormalGeometry(const QRect& screen);
// The whole screen less the bottom strip.
QRect MaximisedGeometry(const QRect& screen);

// One click of the maximise button: the new geometry and the new caption.
struct ToggleResult {
  QRect geometry;
  QString caption;
};
ToggleResult ToggleMaximised(const QString& caption, const QRect& screen);

}  // namespace app
