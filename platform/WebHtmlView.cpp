#include "platform/WebHtmlView.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

namespace platform {
namespace {

bool IsLocalScheme(const QString& scheme) {
  const QString s = scheme.toLower();
  return s == "file" || s == "data" || s == "about" || s == "qrc" || s == "blob";
}

// Refuses every request that would leave the machine (pictures, style sheets, frames).
class LocalOnlyInterceptor : public QWebEngineUrlRequestInterceptor {
 public:
  using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
  void interceptRequest(QWebEngineUrlRequestInfo& info) override {
    if (!IsLocalScheme(info.requestUrl().scheme())) info.block(true);
  }
};

// The profile all mail views share: in memory only, nothing remote.
QWebEngineProfile* MailProfile() {
  static QWebEngineProfile* profile = [] {
    auto* p = new QWebEngineProfile();  // off the record: no cookies or cache on disk
    p->setUrlRequestInterceptor(new LocalOnlyInterceptor(p));
    p->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    return p;
  }();
  return profile;
}

// A page that reports clicked links instead of following them.
class MailPage : public QWebEnginePage {
 public:
  MailPage(HtmlView* owner, QObject* parent)
      : QWebEnginePage(MailProfile(), parent), owner_(owner) {}

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
    if (type == NavigationTypeLinkClicked) {
      emit owner_->linkActivated(url);
      return false;
    }
    (void)isMainFrame;
    return IsLocalScheme(url.scheme());
  }
  QWebEnginePage* createWindow(WebWindowType /*type*/) override {
    // A link with target=_blank: reported through acceptNavigationRequest of a page that is
    // never shown would lose it, so such links are reported here by a throw-away page.
    auto* page = new LinkCatcher(owner_);
    return page;
  }

 private:
  // Receives the first navigation of a new window, reports its address and goes away.
  class LinkCatcher : public QWebEnginePage {
   public:
    explicit LinkCatcher(HtmlView* owner) : QWebEnginePage(MailProfile(), owner), owner_(owner) {}

   protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
      emit owner_->linkActivated(url);
      deleteLater();
      return false;
    }

   private:
    HtmlView* owner_;
  };

  HtmlView* owner_;
};

void ConfigureSettings(QWebEngineSettings* settings) {
  settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
  settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
  settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
  settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
  settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
  settings->setAttribute(QWebEngineSettings::AutoLoadImages, true);
}

}  // namespace

WebHtmlView::WebHtmlView(QWidget* parent) : HtmlView(parent), view_(new QWebEngineView(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
  auto* page = new MailPage(this, view_);
  ConfigureSettings(page->settings());
  view_->setPage(page);
  view_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(view_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { emit contextMenuWanted(view_->mapToGlobal(pos)); });
  connect(view_, &QWebEngineView::loadFinished, this, &HtmlView::loadFinished);
  connect(view_, &QWebEngineView::printFinished, this, [this](bool) { printer_.reset(); });
  view_->setUrl(QUrl(QStringLiteral("about:blank")));
}

WebHtmlView::~WebHtmlView() = default;

void WebHtmlView::LoadFile(const QString& path) {
  if (!QFileInfo(path).isReadable()) {
    Clear();
    emit loadFinished(false);
    return;
  }
  view_->setUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
  file_ = path;
  blank_ = false;
}

void WebHtmlView::SetHtml(const QString& html, const QString& baseFolder) {
  const QUrl base = baseFolder.isEmpty()
                        ? QUrl(QStringLiteral("about:blank"))
                        : QUrl::fromLocalFile(QDir(baseFolder).absolutePath() + "/");
  view_->setHtml(html, base);
  file_.clear();
  blank_ = false;
}

void WebHtmlView::Clear() {
  view_->setUrl(QUrl(QStringLiteral("about:blank")));
  file_.clear();
  blank_ = true;
}

void WebHtmlView::Print(QWidget* dialogParent) {
  if (printer_) return;  // a page is being printed
  auto printer = std::make_unique<QPrinter>();
  QPrintDialog dialog(printer.get(), dialogParent);
  if (dialog.exec() != QDialog::Accepted) return;
  // Printing runs in the background; the printer lives until the engine reports the end.
  printer_ = std::move(printer);
  view_->print(printer_.get());
}

void WebHtmlView::CopySelection() {
  view_->triggerPageAction(QWebEnginePage::Copy);
}

void WebHtmlView::SelectAll() {
  view_->triggerPageAction(QWebEnginePage::SelectAll);
}

QString WebHtmlView::SelectedText() const {
  return view_->selectedText();
}

}  // namespace platform
