#pragma once
// A one-line password field that shows every typed character as "*".

class QLineEdit;
class QWidget;

namespace tools {

QLineEdit* MaskedField(QWidget* parent);

}  // namespace tools
