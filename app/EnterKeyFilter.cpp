#include "app/EnterKeyFilter.h"

#include <QKeyEvent>

namespace app {
namespace {

bool IsEnter(const QKeyEvent* key) {
  return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

}  // namespace

std::optional<Qt::KeyboardModifiers> RewriteEnter(Qt::KeyboardModifiers modifiers) {
  const bool shift = modifiers.testFlag(Qt::ShiftModifier);
  const bool control = modifiers.testFlag(Qt::ControlModifier);
  if (shift && control) return modifiers & ~Qt::KeyboardModifiers(Qt::ControlModifier);
  if (shift) return std::nullopt;
  return modifiers | Qt::ShiftModifier;
}

EnterKeyFilter::EnterKeyFilter(QObject* parent) : QObject(parent) {}

bool EnterKeyFilter::AimedAtEditor(QObject* watched) const {
  if (editor_ == nullptr || !watched->isWidgetType()) return false;
  auto* widget = static_cast<QWidget*>(watched);
  return widget == editor_ || editor_->isAncestorOf(widget);
}

bool EnterKeyFilter::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  if (!IsEnter(key) || !AimedAtEditor(watched)) return false;
  if (type == QEvent::KeyRelease) {
    lastPress_ = nullptr;
    const bool swallow = changed_;
    if (!key->isAutoRepeat()) changed_ = false;
    return swallow;
  }
  if (event == lastPress_ && key->timestamp() == lastPressTime_) return false;
  lastPress_ = event;
  lastPressTime_ = key->timestamp();
  changed_ = true;
  const std::optional<Qt::KeyboardModifiers> rewritten = RewriteEnter(key->modifiers());
  if (!rewritten) {
    lastPress_ = nullptr;  // a swallowed press travels no further
    return true;
  }
  key->setModifiers(*rewritten);
  return false;
}

}  // namespace app
