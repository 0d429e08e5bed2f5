#include "tools/MaskedField.h"

#include <QLineEdit>

namespace tools {

QLineEdit* MaskedField(QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setEchoMode(QLineEdit::Password);
  // 42 is "*"; the style's own mask character differs between desktops.
  field->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
  return field;
}

}  // namespace tools
