#pragma once
// The global hot key Ctrl+M: shows the main window from anywhere on the desktop.
//
// Grabbed on the X11 root window when the program runs on X11 (best effort: when another
// program holds the key, or the session is not X11, the hot key is simply absent).

#include <QObject>
#include <memory>

namespace platform {

class GlobalHotKey : public QObject {
  Q_OBJECT

 public:
  explicit GlobalHotKey(QObject* parent = nullptr);
  ~GlobalHotKey() override;  // releases the key

  // Grabs Ctrl+M. False when it could not be grabbed.
  bool RegisterCtrlM();
  bool Registered() const;

 signals:
  void pressed();

 private:
  class Filter;
  std::unique_ptr<Filter> filter_;
};

}  // namespace platform
