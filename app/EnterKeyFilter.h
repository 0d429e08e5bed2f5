#pragma once
// Enter in the mail editor inserts a line break, not a new paragraph.
//
// Installed on the application, the filter sees every key of the program first. For a key
// aimed at the editor (or a widget inside it, such as the browser engine's input widget) it
// rewrites Enter:
//   Enter            -> Shift+Enter (a line break)
//   Ctrl+Enter       -> Ctrl+Shift+Enter
//   Ctrl+Shift+Enter -> Shift+Enter
//   Shift+Enter      -> swallowed
// The release of an Enter whose press was changed is swallowed too. Keys aimed at other
// widgets pass unchanged.

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <optional>

namespace app {

// What the filter does with an Enter press: nullopt = swallow it, else the new modifiers.
std::optional<Qt::KeyboardModifiers> RewriteEnter(Qt::KeyboardModifiers modifiers);

class EnterKeyFilter : public QObject {
  Q_OBJECT

 public:
  explicit EnterKeyFilter(QObject* parent = nullptr);

  // The editor whose keys are rewritten (nullptr: none).
  void SetEditor(QWidget* editor) { editor_ = editor; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool AimedAtEditor(QObject* watched) const;

  QPointer<QWidget> editor_;
  bool changed_ = false;  // the last Enter press was rewritten or swallowed
  // The press rewritten last: a press the target ignores travels on to its parents as the
  // same event, which must not be rewritten a second time.
  const QEvent* lastPress_ = nullptr;
  quint64 lastPressTime_ = 0;
};

}  // namespace app
