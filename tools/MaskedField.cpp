#include "tools/MaskedField.h"

#include <QLineEdit>
#include <QProxyStyle>

namespace tools {
namespace {

// The style of the field with "*" as the mask character; the desktop's styles differ (most
// show a dot).
class StarMaskStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* data) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return '*';
    return QProxyStyle::styleHint(hint, option, widget, data);
  }
};

}  // namespace

QLineEdit* MaskedField(QWidget* parent) {
  auto* field = new QLineEdit(parent);
  auto* style = new StarMaskStyle;
  style->setParent(field);  // the widget does not own its style
  field->setStyle(style);
  field->setEchoMode(QLineEdit::Password);
  return field;
}

}  // namespace tools
