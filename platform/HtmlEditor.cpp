#include "platform/HtmlEditor.h"

#include <QColor>

#include "platform/TextHtmlEditor.h"
#ifdef TENVEL_HAVE_WEBENGINE
#include "platform/WebHtmlEditor.h"
#endif

namespace platform {

QString BodyBackgroundName(const QString& color) {
  bool number = false;
  const uint rgb = color.trimmed().toUInt(&number, 10);
  if (number) return rgb <= 0xffffffu ? QColor(QRgb(rgb)).name() : QString();
  const QColor named(color.trimmed());
  return named.isValid() ? named.name() : QString();
}

HtmlEditor* CreateHtmlEditor(QWidget* parent) {
  return CreateHtmlEditor(DefaultHtmlViewKind(), parent);
}

HtmlEditor* CreateHtmlEditor(HtmlViewKind kind, QWidget* parent) {
#ifdef TENVEL_HAVE_WEBENGINE
  if (kind == HtmlViewKind::Web) return new WebHtmlEditor(parent);
#else
  (void)kind;
#endif
  return new TextHtmlEditor(parent);
}

}  // namespace platform
