#include "app/EnterKeyFilter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QVBoxLayout>
#include <vector>

namespace {

// Records the keys it receives.
class KeyLog : public QWidget {
 public:
  using QWidget::QWidget;
  struct Key {
    QEvent::Type type;
    Qt::KeyboardModifiers modifiers;
  };
  std::vector<Key> keys;

 protected:
  void keyPressEvent(QKeyEvent* e) override { keys.push_back({e->type(), e->modifiers()}); }
  void keyReleaseEvent(QKeyEvent* e) override { keys.push_back({e->type(), e->modifiers()}); }
};

const Qt::KeyboardModifiers kNone = Qt::NoModifier;
const Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
const Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
const Qt::KeyboardModifiers kCtrlShift = Qt::ControlModifier | Qt::ShiftModifier;

TEST(EnterRewrite, EachCombinationBecomesALineBreakOrIsSwallowed) {
  EXPECT_EQ(app::RewriteEnter(kNone), kShift);
  EXPECT_EQ(app::RewriteEnter(kCtrl), kCtrlShift);
  EXPECT_EQ(app::RewriteEnter(kCtrlShift), kShift);
  EXPECT_EQ(app::RewriteEnter(kShift), std::nullopt);
  // Other modifiers are kept.
  EXPECT_EQ(app::RewriteEnter(Qt::AltModifier), Qt::AltModifier | Qt::ShiftModifier);
}

class EnterFilter : public ::testing::Test {
 protected:
  EnterFilter() : editor_(&window_), inner_(&editor_), other_(&window_) {
    filter_.SetEditor(&editor_);
    qApp->installEventFilter(&filter_);
  }
  ~EnterFilter() override { qApp->removeEventFilter(&filter_); }

  static void Send(QWidget* target, QEvent::Type type, int key, Qt::KeyboardModifiers mods) {
    QKeyEvent event(type, key, mods);
    QApplication::sendEvent(target, &event);
  }
  static void Click(QWidget* target, int key, Qt::KeyboardModifiers mods) {
    Send(target, QEvent::KeyPress, key, mods);
    Send(target, QEvent::KeyRelease, key, mods);
  }

  QWidget window_;
  KeyLog editor_;
  KeyLog inner_;  // a widget inside the editor (the browser engine's input widget)
  KeyLog other_;
  app::EnterKeyFilter filter_;
};

TEST_F(EnterFilter, PlainEnterInsideTheEditorArrivesAsShiftEnterAndItsReleaseIsSwallowed) {
  Click(&inner_, Qt::Key_Return, kNone);
  ASSERT_EQ(inner_.keys.size(), 1u);
  EXPECT_EQ(inner_.keys[0].type, QEvent::KeyPress);
  EXPECT_EQ(inner_.keys[0].modifiers, kShift);
}

TEST_F(EnterFilter, ShiftEnterIsSwallowedAndCtrlShiftEnterLosesCtrl) {
  Click(&editor_, Qt::Key_Enter, kShift);
  EXPECT_TRUE(editor_.keys.empty());
  Click(&editor_, Qt::Key_Return, kCtrlShift);
  ASSERT_EQ(editor_.keys.size(), 1u);
  EXPECT_EQ(editor_.keys[0].modifiers, kShift);
}

TEST_F(EnterFilter, PressIgnoredByTheTargetIsNotRewrittenAgainOnItsParent) {
  QWidget ignoring(&editor_);  // a plain widget passes keys on to its parent
  Send(&ignoring, QEvent::KeyPress, Qt::Key_Return, kNone);
  ASSERT_EQ(editor_.keys.size(), 1u);  // propagated to the editor once, as Shift+Enter
  EXPECT_EQ(editor_.keys[0].modifiers, kShift);
}

TEST_F(EnterFilter, KeysOutsideTheEditorAndOtherKeysPassUnchanged) {
  Click(&other_, Qt::Key_Return, kNone);
  ASSERT_EQ(other_.keys.size(), 2u);
  EXPECT_EQ(other_.keys[0].modifiers, kNone);
  Click(&editor_, Qt::Key_A, kNone);
  ASSERT_EQ(editor_.keys.size(), 2u);
  EXPECT_EQ(editor_.keys[0].modifiers, kNone);
  EXPECT_EQ(editor_.keys[1].type, QEvent::KeyRelease);
}

TEST_F(EnterFilter, WithoutAnEditorNothingIsRewritten) {
  filter_.SetEditor(nullptr);
  Click(&editor_, Qt::Key_Return, kShift);
  ASSERT_EQ(editor_.keys.size(), 2u);
  EXPECT_EQ(editor_.keys[0].modifiers, kShift);
}

}  // namespace
