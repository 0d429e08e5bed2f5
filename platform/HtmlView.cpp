#include "platform/HtmlView.h"

#include "platform/TextHtmlView.h"
#ifdef TENVEL_HAVE_WEBENGINE
#include "platform/WebHtmlView.h"
#endif

namespace platform {
namespace {

enum class Choice { Unset, Web, Text };
Choice chosen = Choice::Unset;

}  // namespace

HtmlView::HtmlView(QWidget* parent) : QWidget(parent) {}

bool WebEngineAvailable() {
#ifdef TENVEL_HAVE_WEBENGINE
  return true;
#else
  return false;
#endif
}

HtmlViewKind DefaultHtmlViewKind() {
  if (!WebEngineAvailable() || chosen == Choice::Text) return HtmlViewKind::Text;
  if (chosen == Choice::Web) return HtmlViewKind::Web;
  // A switch for tests that run the whole program as a separate process.
  if (qgetenv("TENVEL_HTMLVIEW") == "text") return HtmlViewKind::Text;
  return HtmlViewKind::Web;
}

void SetDefaultHtmlViewKind(HtmlViewKind kind) {
  chosen = kind == HtmlViewKind::Text ? Choice::Text : Choice::Web;
}

HtmlView* CreateHtmlView(QWidget* parent) {
  return CreateHtmlView(DefaultHtmlViewKind(), parent);
}

HtmlView* CreateHtmlView(HtmlViewKind kind, QWidget* parent) {
#ifdef TENVEL_HAVE_WEBENGINE
  if (kind == HtmlViewKind::Web) return new WebHtmlView(parent);
#else
  (void)kind;
#endif
  return new TextHtmlView(parent);
}

}  // namespace platform
