#include "platform/WebHtmlView.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include "platform/LinkPolicy.h"

namespace platform {
namespace {

// Refuses every request that would leave the machine (pictures, style sheets, frames) for all
// mail views; each view's own guard then keeps its page to its folder.
class LocalOnlyInterceptor : public QWebEngineUrlRequestInterceptor {
 public:
  using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
  void interceptRequest(QWebEngineUrlRequestInfo& info) override {
    const QString scheme = info.requestUrl().scheme();
    const bool local = scheme == QLatin1String("file") || scheme == QLatin1String("data") ||
                       scheme == QLatin1String("about") || scheme == QLatin1String("qrc") ||
                       scheme == QLatin1String("blob");
    if (!local) info.block(true);
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

void ConfigureSettings(QWebEngineSettings* settings) {
  settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
  settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
  settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
  settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
  settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
  settings->setAttribute(QWebEngineSettings::AutoLoadImages, true);
}

QUrl WithoutFragment(const QUrl& url) {
  return url.adjusted(QUrl::RemoveFragment);
}

}  // namespace

// Every request of one view's page (the page itself, pictures, style sheets, frames): files
// only below the view's allowed folder. The engine calls it on the thread of the window.
class MailRequestGuard : public QWebEngineUrlRequestInterceptor {
 public:
  explicit MailRequestGuard(WebHtmlView* owner)
      : QWebEngineUrlRequestInterceptor(owner), owner_(owner) {}
  void interceptRequest(QWebEngineUrlRequestInfo& info) override {
    if (!owner_->MayLoadNow(info.requestUrl())) info.block(true);
  }

 private:
  WebHtmlView* owner_;
};

// Receives the first navigation of a window a link asked for (target=_blank), hands its
// address to the view as a click, and goes away without showing anything.
class NewWindowCatcher : public QWebEnginePage {
 public:
  explicit NewWindowCatcher(WebHtmlView* owner)
      : QWebEnginePage(MailProfile(), owner), owner_(owner) {
    ConfigureSettings(settings());
  }

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType /*type*/,
                               bool /*isMainFrame*/) override {
    if (!handled_) owner_->FollowLink(url);
    handled_ = true;
    deleteLater();
    return false;
  }

 private:
  WebHtmlView* owner_;
  bool handled_ = false;
};

// The view's page: it shows what the program loads into it and goes nowhere else.
class MailPage : public QWebEnginePage {
 public:
  explicit MailPage(WebHtmlView* owner) : QWebEnginePage(MailProfile(), owner), owner_(owner) {
    ConfigureSettings(settings());
    setUrlRequestInterceptor(new MailRequestGuard(owner));
  }

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
    if (type == NavigationTypeLinkClicked) {
      // A link to a place in the page itself only scrolls.
      if (isMainFrame && url.hasFragment() &&
          WithoutFragment(url) == WithoutFragment(this->url())) {
        return true;
      }
      owner_->FollowLink(url);
      return false;
    }
    if (isMainFrame) {
      // Only the loads the view starts itself (LoadFile, SetHtml, Clear) come as typed; a
      // refresh or redirect to another address, a form, a reload or a step back do not.
      if (type == NavigationTypeTyped) return true;
    } else if (url.scheme() == QLatin1String("about")) {
      // An empty frame, or one whose inline content is part of the page.
      const QString page = url.path();
      if (page == QLatin1String("blank") || page == QLatin1String("srcdoc")) return true;
    }
    emit owner_->loadRefused(url);
    return false;
  }

  QWebEnginePage* createWindow(WebWindowType /*type*/) override {
    return new NewWindowCatcher(owner_);
  }

 private:
  WebHtmlView* owner_;
};

WebHtmlView::WebHtmlView(QWidget* parent) : HtmlView(parent), view_(new QWebEngineView(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
  auto* page = new MailPage(this);
  view_->setPage(page);
  view_->setContextMenuPolicy(Qt::CustomContextMenu);
  // A file dropped on the view would be shown in place of the mail, outside the folder rule.
  view_->setAcceptDrops(false);
  connect(view_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { emit contextMenuWanted(view_->mapToGlobal(pos)); });
  connect(view_, &QWebEngineView::loadFinished, this, &HtmlView::loadFinished);
  connect(page, &QWebEnginePage::linkHovered, this, &HtmlView::linkHovered);
  connect(view_, &QWebEngineView::printFinished, this, &WebHtmlView::PrintEnded);
  view_->setUrl(QUrl(QStringLiteral("about:blank")));
}

WebHtmlView::~WebHtmlView() = default;

void WebHtmlView::LoadFile(const QString& path) {
  const QFileInfo info(path);
  if (!info.isReadable()) {
    Clear();
    emit loadFinished(false);
    return;
  }
  SetAllowedFolder(info.absolutePath());
  view_->setUrl(QUrl::fromLocalFile(info.absoluteFilePath()));
  file_ = path;
  blank_ = false;
}

void WebHtmlView::SetHtml(const QString& html, const QString& baseFolder) {
  SetAllowedFolder(baseFolder);
  const QUrl base = baseFolder.isEmpty()
                        ? QUrl(QStringLiteral("about:blank"))
                        : QUrl::fromLocalFile(QDir(baseFolder).absolutePath() + "/");
  view_->setHtml(html, base);
  file_.clear();
  blank_ = false;
}

void WebHtmlView::Clear() {
  SetAllowedFolder(QString());
  view_->setUrl(QUrl(QStringLiteral("about:blank")));
  file_.clear();
  blank_ = true;
}

void WebHtmlView::PrintOn(QPrinter* printer) {
  // The engine prints in the background and reports the end through printFinished.
  view_->print(printer);
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
