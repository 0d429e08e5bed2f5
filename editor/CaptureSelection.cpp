#include "editor/CaptureSelection.h"

#include <algorithm>

namespace editor {

CaptureSelection::CaptureSelection(int screenWidth, int screenHeight)
    : width_(std::max(screenWidth, 0)), height_(std::max(screenHeight, 0)) {}

CaptureRect CaptureSelection::Region() const {
  if (state_ == CaptureState::Idle) return {};
  return {std::min(start_.x, end_.x), std::min(start_.y, end_.y), std::max(start_.x, end_.x),
          std::max(start_.y, end_.y)};
}

CapturePoint CaptureSelection::Clamp(CapturePoint p) const {
  return {std::clamp(p.x, 0, width_), std::clamp(p.y, 0, height_)};
}

CaptureReaction CaptureSelection::LeftDown(CapturePoint at) {
  if (state_ == CaptureState::Idle) {
    state_ = CaptureState::Selecting;
    start_ = end_ = Clamp(at);
    return CaptureReaction::Redraw;
  }
  if (state_ == CaptureState::Selected && Region().Contains(at)) {
    dragging_ = true;
    grip_ = at;
  }
  return CaptureReaction::None;
}

CaptureReaction CaptureSelection::MoveTo(CapturePoint at) {
  if (state_ == CaptureState::Selecting) {
    end_ = Clamp(at);
    return CaptureReaction::Redraw;
  }
  if (state_ != CaptureState::Selected || !dragging_) return CaptureReaction::None;
  // The rectangle follows the mouse only as far as the screen's edges.
  const CaptureRect r = Region();
  const int dx = std::clamp(at.x - grip_.x, -r.left, width_ - r.right);
  const int dy = std::clamp(at.y - grip_.y, -r.top, height_ - r.bottom);
  if (dx == 0 && dy == 0) return CaptureReaction::None;
  for (CapturePoint* p : {&start_, &end_, &grip_}) {
    p->x += dx;
    p->y += dy;
  }
  return CaptureReaction::Redraw;
}

CaptureReaction CaptureSelection::LeftUp(CapturePoint at) {
  if (state_ == CaptureState::Selecting) {
    end_ = Clamp(at);
    // A click without a drag selects nothing: back to the first texts.
    state_ = Region().Empty() ? CaptureState::Idle : CaptureState::Selected;
    return CaptureReaction::Redraw;
  }
  dragging_ = false;
  return CaptureReaction::None;
}

CaptureReaction CaptureSelection::Cancel() {
  if (state_ == CaptureState::Idle) return CaptureReaction::Close;
  state_ = CaptureState::Idle;
  dragging_ = false;
  return CaptureReaction::Redraw;
}

bool CaptureSelection::Accept() const {
  return state_ == CaptureState::Selected && !Region().Empty();
}

std::vector<std::string_view> CaptureSelection::Hints() const {
  switch (state_) {
    case CaptureState::Selecting:
      return {"松开鼠标左键以确定最终截取范围", "按鼠标右键取消当前选区"};
    case CaptureState::Selected:
      return {"按空格/回车/双击左键发送当前选区的图像", "按鼠标右键取消当前选区"};
    case CaptureState::Idle:
      break;
  }
  return {"按住鼠标左键不放选择截取范围", "按鼠标右键退出", "按ESC键退出"};
}

std::string PixelLine(int r, int g, int b) {
  return "当前像素RGB值（" + std::to_string(r) + "、" + std::to_string(g) + "、" +
         std::to_string(b) + "）";
}

int PanelJump(int panelLeft, int panelWidth, int screenWidth) {
  const int right = screenWidth - panelWidth - kPanelMargin;
  return panelLeft == kPanelMargin ? right : kPanelMargin;
}

std::string CaptureFolder(const std::string& programFolder) {
  return programFolder + "/P2PHistory/Image";
}

std::string CaptureFile(const std::string& programFolder, long long tick) {
  return CaptureFolder(programFolder) + "/SC" + std::to_string(tick) + ".bmp";
}

std::string SavedCaptureName(const std::string& chosen, int filterIndex) {
  if (filterIndex == 0) return chosen + ".Bmp";
  if (filterIndex == 1) return chosen + ".Jpeg";
  return {};
}

}  // namespace editor
