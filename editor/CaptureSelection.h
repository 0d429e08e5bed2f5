#pragma once
// The selection of the screen-capture window, without any windowing: idle until the left
// button goes down, selecting while it is held (the start corner fixed, the other following
// the mouse), selected once it is released. In selected, a left press inside the rectangle
// drags it as long as it stays on the screen. The right button (and Esc) cancels a selection
// or, in idle, closes the window; Space, Enter or a double click accept a selection.
//
//   editor::CaptureSelection s(1280, 800);
//   s.LeftDown({100, 90});
//   s.MoveTo({10, 20});
//   s.LeftUp({10, 20});
//   if (s.Accept()) save(s.Region());  // {10, 20, 100, 90}: corners normalised

#include <string>
#include <string_view>
#include <vector>

namespace editor {

struct CapturePoint {
  int x = 0;
  int y = 0;
};

// left/top inclusive, right/bottom exclusive: the region is right - left pixels wide.
struct CaptureRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Empty() const { return Width() <= 0 || Height() <= 0; }
  bool Contains(CapturePoint p) const {
    return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
  }
  bool operator==(const CaptureRect&) const = default;
};

enum class CaptureState { Idle, Selecting, Selected };

// What the window has to do after an event.
enum class CaptureReaction {
  None,    // nothing changed
  Redraw,  // the rectangle or the texts changed
  Close,   // right button or Esc in idle
};

class CaptureSelection {
 public:
  CaptureSelection(int screenWidth, int screenHeight);

  CaptureState State() const { return state_; }
  // The rectangle between the two corners, normalised; empty in idle.
  CaptureRect Region() const;

  CaptureReaction LeftDown(CapturePoint at);
  CaptureReaction MoveTo(CapturePoint at);
  CaptureReaction LeftUp(CapturePoint at);
  // The right button or Esc.
  CaptureReaction Cancel();
  // Space, Enter or a double click: true when a selection with pixels in it is complete.
  bool Accept() const;

  // The hint lines of the information panel for the present state.
  std::vector<std::string_view> Hints() const;

 private:
  CapturePoint Clamp(CapturePoint p) const;

  int width_;
  int height_;
  CaptureState state_ = CaptureState::Idle;
  CapturePoint start_;
  CapturePoint end_;
  bool dragging_ = false;  // selected, the rectangle follows the mouse
  CapturePoint grip_;      // where the drag took hold
};

// The first line of the information panel: the pixel under the mouse.
std::string PixelLine(int r, int g, int b);

// The information panel jumps between 8 px from the left edge and 8 px from the right edge
// whenever the mouse enters it: its next left edge.
int PanelJump(int panelLeft, int panelWidth, int screenWidth);
inline constexpr int kPanelMargin = 8;

// Where a capture is kept: programFolder + "/P2PHistory/Image/SC" + tick + ".bmp".
std::string CaptureFolder(const std::string& programFolder);
std::string CaptureFile(const std::string& programFolder, long long tick);

// The save step's file: the chosen name + ".Bmp" for the first filter, + ".Jpeg" for the
// second; empty for any other filter index.
std::string SavedCaptureName(const std::string& chosen, int filterIndex);

}  // namespace editor
