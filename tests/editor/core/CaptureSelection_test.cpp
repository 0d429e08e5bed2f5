// The capture window's selection without a window: the three states, moving a selection on
// the screen, cancelling and accepting; the panel's jump; where captures are kept; the JPEG
// writer, read back through libjpeg.

#include "editor/CaptureSelection.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "editor/JpegFile.h"
// jpeglib.h needs FILE declared before it.
#include <jpeglib.h>

namespace {

using editor::CapturePoint;
using editor::CaptureReaction;
using editor::CaptureRect;
using editor::CaptureSelection;
using editor::CaptureState;

CaptureSelection Dragged(CapturePoint from, CapturePoint to) {
  CaptureSelection s(1280, 800);
  s.LeftDown(from);
  s.MoveTo({(from.x + to.x) / 2, (from.y + to.y) / 2});
  s.LeftUp(to);
  return s;
}

TEST(CaptureSelection, GoesFromIdleThroughSelectingToSelectedWithTheHintsOfEach) {
  CaptureSelection s(1280, 800);
  EXPECT_EQ(s.State(), CaptureState::Idle);
  EXPECT_EQ(s.Hints(), (std::vector<std::string_view>{"按住鼠标左键不放选择截取范围",
                                                      "按鼠标右键退出", "按ESC键退出"}));
  EXPECT_FALSE(s.Accept());
  EXPECT_EQ(s.LeftDown({10, 20}), CaptureReaction::Redraw);
  EXPECT_EQ(s.State(), CaptureState::Selecting);
  EXPECT_EQ(s.Hints(), (std::vector<std::string_view>{"松开鼠标左键以确定最终截取范围",
                                                      "按鼠标右键取消当前选区"}));
  EXPECT_FALSE(s.Accept());  // still selecting
  EXPECT_EQ(s.MoveTo({50, 60}), CaptureReaction::Redraw);
  EXPECT_EQ(s.Region(), (CaptureRect{10, 20, 50, 60}));
  s.LeftUp({110, 90});
  EXPECT_EQ(s.State(), CaptureState::Selected);
  EXPECT_EQ(s.Hints(), (std::vector<std::string_view>{"按空格/回车/双击左键发送当前选区的图像",
                                                      "按鼠标右键取消当前选区"}));
  EXPECT_EQ(s.Region(), (CaptureRect{10, 20, 110, 90}));
  EXPECT_TRUE(s.Accept());
}

TEST(CaptureSelection, CornersAreNormalisedWhicheverWayTheDragWent) {
  const CaptureRect forward = Dragged({10, 20}, {110, 90}).Region();
  EXPECT_EQ(Dragged({110, 90}, {10, 20}).Region(), forward);
  EXPECT_EQ(Dragged({110, 20}, {10, 90}).Region(), forward);
  EXPECT_EQ(Dragged({10, 90}, {110, 20}).Region(), forward);
  EXPECT_EQ(forward.Width(), 100);
  EXPECT_EQ(forward.Height(), 70);
}

TEST(CaptureSelection, ADragBeyondTheScreenStopsAtItsEdges) {
  EXPECT_EQ(Dragged({100, 100}, {2000, -50}).Region(), (CaptureRect{100, 0, 1280, 100}));
  EXPECT_EQ(Dragged({100, 100}, {-10, 900}).Region(), (CaptureRect{0, 100, 100, 800}));
}

TEST(CaptureSelection, AClickWithoutADragSelectsNothing) {
  CaptureSelection s(1280, 800);
  s.LeftDown({40, 40});
  s.LeftUp({40, 40});
  EXPECT_EQ(s.State(), CaptureState::Idle);
  EXPECT_FALSE(s.Accept());  // the double click that follows does nothing
  // A line one pixel high has no area either.
  s.LeftDown({40, 40});
  s.LeftUp({90, 40});
  EXPECT_FALSE(s.Accept());
}

TEST(CaptureSelection, ASelectionIsMovedByDraggingInsideItAndStaysOnTheScreen) {
  CaptureSelection s = Dragged({100, 100}, {200, 150});
  EXPECT_EQ(s.LeftDown({150, 120}), CaptureReaction::None);
  EXPECT_EQ(s.MoveTo({160, 140}), CaptureReaction::Redraw);
  EXPECT_EQ(s.Region(), (CaptureRect{110, 120, 210, 170}));
  // Far past the top-left corner: the rectangle stops at the edges, its size kept.
  s.MoveTo({-500, -500});
  EXPECT_EQ(s.Region(), (CaptureRect{0, 0, 100, 50}));
  // It moves again only once the mouse is back over the spot of it the drag holds.
  s.MoveTo({-490, -500});
  EXPECT_EQ(s.Region(), (CaptureRect{0, 0, 100, 50}));
  s.MoveTo({60, 20});
  EXPECT_EQ(s.Region(), (CaptureRect{10, 0, 110, 50}));
  s.MoveTo({5000, 5000});
  EXPECT_EQ(s.Region(), (CaptureRect{1180, 750, 1280, 800}));
  s.LeftUp({5000, 5000});
  EXPECT_EQ(s.State(), CaptureState::Selected);
  // Without the button the mouse no longer moves it.
  EXPECT_EQ(s.MoveTo({10, 10}), CaptureReaction::None);
  EXPECT_EQ(s.Region(), (CaptureRect{1180, 750, 1280, 800}));
}

TEST(CaptureSelection, APressOutsideTheSelectionNeitherMovesNorStartsANewOne) {
  CaptureSelection s = Dragged({100, 100}, {200, 150});
  s.LeftDown({500, 500});
  s.MoveTo({600, 600});
  s.LeftUp({600, 600});
  EXPECT_EQ(s.Region(), (CaptureRect{100, 100, 200, 150}));
  EXPECT_TRUE(s.Accept());
}

TEST(CaptureSelection, RightButtonCancelsASelectionAndClosesInIdle) {
  CaptureSelection s(1280, 800);
  s.LeftDown({10, 10});
  EXPECT_EQ(s.Cancel(), CaptureReaction::Redraw);  // while selecting
  EXPECT_EQ(s.State(), CaptureState::Idle);
  EXPECT_EQ(s.Hints().size(), 3u);
  // The release of a cancelled drag selects nothing.
  s.LeftUp({90, 90});
  EXPECT_EQ(s.State(), CaptureState::Idle);
  s = Dragged({10, 10}, {90, 90});
  EXPECT_EQ(s.Cancel(), CaptureReaction::Redraw);  // selected
  EXPECT_FALSE(s.Accept());
  EXPECT_EQ(s.Cancel(), CaptureReaction::Close);
}

TEST(CapturePanel, ShowsThePixelAndJumpsBetweenTheEdges) {
  EXPECT_EQ(editor::PixelLine(255, 0, 17), "当前像素RGB值（255、0、17）");
  const int right = editor::PanelJump(8, 300, 1280);
  EXPECT_EQ(right, 1280 - 300 - 8);
  EXPECT_EQ(editor::PanelJump(right, 300, 1280), 8);
}

TEST(CaptureFiles, AreKeptBelowTheProgramFolderAndSavedWithTheChosenType) {
  EXPECT_EQ(editor::CaptureFile("/opt/tv", 123456), "/opt/tv/P2PHistory/Image/SC123456.bmp");
  EXPECT_EQ(editor::SavedCaptureName("/home/u/Tenv截图", 0), "/home/u/Tenv截图.Bmp");
  EXPECT_EQ(editor::SavedCaptureName("/home/u/Tenv截图", 1), "/home/u/Tenv截图.Jpeg");
  EXPECT_EQ(editor::SavedCaptureName("/home/u/x", 2), "");
}

// Reads a JPEG back: its size and the colour of its first pixel.
struct Decoded {
  bool ok = false;
  int width = 0;
  int height = 0;
  int components = 0;
  std::vector<unsigned char> firstRow;
};

Decoded Decode(const std::string& path) {
  Decoded d;
  std::FILE* in = std::fopen(path.c_str(), "rb");
  if (in == nullptr) return d;
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, in);
  if (jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK) {
    jpeg_start_decompress(&info);
    d.width = static_cast<int>(info.output_width);
    d.height = static_cast<int>(info.output_height);
    d.components = info.output_components;
    d.firstRow.resize(static_cast<std::size_t>(d.width * d.components));
    JSAMPLE* row = d.firstRow.data();
    jpeg_read_scanlines(&info, &row, 1);
    jpeg_abort_decompress(&info);
    d.ok = true;
  }
  jpeg_destroy_decompress(&info);
  std::fclose(in);
  return d;
}

class JpegFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("jpeg-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

TEST_F(JpegFileTest, WritesAJpegOfThePictureSize) {
  // 37 x 21 pixels of pure red, rows padded to 4 bytes as a picture's rows often are.
  const int w = 37, h = 21, stride = 112;
  std::vector<unsigned char> rgb(static_cast<std::size_t>(stride * h), 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      rgb[static_cast<std::size_t>(y * stride + x * 3)] = 255;
  const std::string path = (dir_ / "shot.Jpeg").string();
  std::string error;
  ASSERT_TRUE(editor::WriteJpegFile(path, rgb.data(), w, h, stride, &error)) << error;
  const Decoded d = Decode(path);
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.width, w);
  EXPECT_EQ(d.height, h);
  ASSERT_EQ(d.components, 3);
  EXPECT_GT(d.firstRow[0], 240);  // red stays red through the lossy coding
  EXPECT_LT(d.firstRow[1], 15);
  EXPECT_LT(d.firstRow[2], 15);
}

TEST_F(JpegFileTest, FailsWithAReasonAndLeavesNoFile) {
  std::vector<unsigned char> rgb(30, 0);
  std::string error;
  EXPECT_FALSE(
      editor::WriteJpegFile((dir_ / "missing" / "a.Jpeg").string(), rgb.data(), 2, 2, 6, &error));
  EXPECT_NE(error.find("a.Jpeg"), std::string::npos);
  const std::string empty = (dir_ / "empty.Jpeg").string();
  EXPECT_FALSE(editor::WriteJpegFile(empty, rgb.data(), 0, 2, 6, &error));
  EXPECT_FALSE(editor::WriteJpegFile(empty, nullptr, 2, 2, 6, &error));
  EXPECT_FALSE(editor::WriteJpegFile(empty, rgb.data(), 4, 2, 6, &error));  // rows too short
  EXPECT_FALSE(std::filesystem::exists(empty));
}

}  // namespace
