#pragma once
// The about window (caption "关于我们"): the program's name and icon.

#include <QDialog>

namespace app {

class TAboutus : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutus(QWidget* parent = nullptr);
};

}  // namespace app
