#include "platform/HotKey.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>

#ifdef TENVEL_HAVE_X11
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>
#endif

namespace platform {

#ifdef TENVEL_HAVE_X11
namespace {

// Ctrl+M with every combination of the lock modifiers (Caps Lock, Num Lock), which X11 counts
// as part of the key state.
constexpr unsigned kLockVariants[] = {0, LockMask, Mod2Mask, LockMask | Mod2Mask};

Display* X11Display() {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 != nullptr ? x11->display() : nullptr;
}

}  // namespace

class GlobalHotKey::Filter : public QAbstractNativeEventFilter {
 public:
  explicit Filter(GlobalHotKey* owner) : owner_(owner) {}
  ~Filter() override { Release(); }

  bool Grab() {
    display_ = X11Display();
    if (display_ == nullptr) return false;
    keycode_ = XKeysymToKeycode(display_, XK_m);
    if (keycode_ == 0) return false;
    for (unsigned extra : kLockVariants)
      XGrabKey(display_, keycode_, ControlMask | extra, DefaultRootWindow(display_), True,
               GrabModeAsync, GrabModeAsync);
    XSync(display_, False);
    qApp->installNativeEventFilter(this);
    return true;
  }

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    if (type != "xcb_generic_event_t") return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS) return false;
    auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
    if (key->detail != keycode_ || (key->state & ControlMask) == 0) return false;
    emit owner_->pressed();
    return true;
  }

  bool Grabbed() const { return display_ != nullptr && keycode_ != 0; }

 private:
  void Release() {
    if (!Grabbed()) return;
    qApp->removeNativeEventFilter(this);
    for (unsigned extra : kLockVariants)
      XUngrabKey(display_, keycode_, ControlMask | extra, DefaultRootWindow(display_));
    XFlush(display_);
  }

  GlobalHotKey* owner_;
  Display* display_ = nullptr;
  unsigned keycode_ = 0;
};
#else
class GlobalHotKey::Filter {
 public:
  explicit Filter(GlobalHotKey*) {}
  bool Grab() { return false; }
  bool Grabbed() const { return false; }
};
#endif

GlobalHotKey::GlobalHotKey(QObject* parent) : QObject(parent) {}

GlobalHotKey::~GlobalHotKey() = default;

bool GlobalHotKey::RegisterCtrlM() {
  if (filter_ && filter_->Grabbed()) return true;
  filter_ = std::make_unique<Filter>(this);
  if (!filter_->Grab()) {
    filter_.reset();
    return false;
  }
  return true;
}

bool GlobalHotKey::Registered() const {
  return filter_ && filter_->Grabbed();
}

}  // namespace platform
