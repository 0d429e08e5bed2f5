#include "platform/HtmlView.h"

#include <QDir>
#include <QPrinter>
#include <utility>

#include "platform/Dialogs.h"
#include "platform/LinkPolicy.h"
#include "platform/Shell.h"
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

HtmlView::~HtmlView() = default;

void HtmlView::SetAllowedFolder(const QString& folder) {
  allowedFolder_ = folder.isEmpty() ? QString() : QDir(folder).absolutePath();
}

bool HtmlView::MayLoadNow(const QUrl& url) {
  if (MayLoad(url, allowedFolder_)) return true;
  emit loadRefused(url);
  return false;
}

void HtmlView::FollowLink(const QUrl& url) {
  emit linkActivated(url);
  switch (ActionForLink(url)) {
    case LinkAction::Browser:
    case LinkAction::Mailer:
      OpenExternalUrl(url);
      break;
    case LinkAction::None:
      break;
  }
}

bool HtmlView::Print(QWidget* dialogParent) {
  if (IsPrinting()) return false;
  auto printer = std::make_unique<QPrinter>();
  if (!CurrentDialogs().ChoosePrinter(dialogParent, *printer)) return false;
  return StartPrint(std::move(printer));
}

bool HtmlView::PrintToPdf(const QString& path) {
  if (IsPrinting()) return false;
  auto printer = std::make_unique<QPrinter>();
  printer->setOutputFormat(QPrinter::PdfFormat);
  printer->setOutputFileName(path);
  return StartPrint(std::move(printer));
}

bool HtmlView::StartPrint(std::unique_ptr<QPrinter> printer) {
  // The printer stays alive until the kind reports the end, which for the browser engine
  // comes after this returns.
  printer_ = std::move(printer);
  PrintOn(printer_.get());
  return true;
}

void HtmlView::PrintEnded(bool ok) {
  if (!printer_) return;
  // A printer whose device could not be opened (a PDF file in a folder that cannot be
  // written) paints nothing, without saying so to the document that printed on it.
  if (printer_->printerState() == QPrinter::Error) ok = false;
  printer_.reset();
  emit printFinished(ok);
}

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
