#pragma once
// The program's pictures, drawn in code: the window and notification-area icon, and the
// glyphs of the title buttons.

#include <QIcon>
#include <QRect>
#include <QString>

class QPainter;

namespace app {

// A blue envelope on a transparent ground.
QIcon MailIcon();

// Title button captions and the glyph each one shows.
inline constexpr const char* kCaptionMinimise = "0";
inline constexpr const char* kCaptionClose = "r";
// Draws the glyph of a title button caption ("0" minimise, "2" maximise, "1" restore,
// "r" close) in the rectangle with the painter's pen.
void PaintTitleGlyph(QPainter& painter, const QRect& area, const QString& caption);

}  // namespace app
