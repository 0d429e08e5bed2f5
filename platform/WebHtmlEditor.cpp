#include "platform/WebHtmlEditor.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMimeData>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>
#include <utility>

#include "platform/LinkPolicy.h"

namespace platform {
namespace {

constexpr int kPollMs = 500;

// Every file of the disk counts as the editor's own: the user inserts pictures from anywhere,
// and a quoted message's pictures lie in its folder. Nothing else but inline content loads.
const QString kAnyLocalFile = QStringLiteral("/");

class EditorRequestGuard : public QWebEngineUrlRequestInterceptor {
 public:
  using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
  void interceptRequest(QWebEngineUrlRequestInfo& info) override {
    if (!MayLoad(info.requestUrl(), kAnyLocalFile)) info.block(true);
  }
};

// The profile of the editors: in memory only, nothing remote.
QWebEngineProfile* EditorProfile() {
  static QWebEngineProfile* profile = [] {
    auto* p = new QWebEngineProfile();  // off the record: no cookies or cache on disk
    p->setUrlRequestInterceptor(new EditorRequestGuard(p));
    p->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    return p;
  }();
  return profile;
}

// A text as a JavaScript string literal.
QString JsString(const QString& text) {
  const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
  // "[...]": the literal is what lies between the brackets.
  return QString::fromUtf8(array.mid(1, array.size() - 2));
}

bool Is(const QString& command, const char* name) {
  return command.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

// The empty document the mail's body goes into; its body carries the background set last.
QString Skeleton(const QString& background) {
  const QString attributes =
      background.isEmpty() ? QString() : QStringLiteral(" bgcolor=\"%1\"").arg(background);
  return QStringLiteral(
             "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><style>"
             "html{height:100%}body{min-height:calc(100% - 16px);word-wrap:break-word}"
             "</style></head><body%1></body></html>")
      .arg(attributes);
}

// Puts the caret at the body's start when the selection is not in the body (a document that
// was never clicked has none): commands and typing need a place to act on.
const char* const kCaretIntoBody =
    "var s=window.getSelection(),b=document.body;"
    "if(!s.rangeCount||!b.contains(s.anchorNode)){var r=document.createRange();"
    "r.selectNodeContents(b);r.collapse(%1);s.removeAllRanges();s.addRange(r);}";

QString CaretIntoBody(bool atStart) {
  return QString::fromLatin1(kCaretIntoBody).arg(atStart ? "true" : "false");
}

bool ClipboardHasContent() {
  const QMimeData* data = QApplication::clipboard()->mimeData();
  return data != nullptr && (data->hasText() || data->hasHtml() || data->hasImage());
}

}  // namespace

// The editor's page: only the loads the editor starts itself, no windows.
class EditorPage : public QWebEnginePage {
 public:
  explicit EditorPage(WebHtmlEditor* owner) : QWebEnginePage(EditorProfile(), owner) {
    QWebEngineSettings* s = settings();
    s->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    s->setAttribute(QWebEngineSettings::AutoLoadImages, true);
    // The program's own cut, copy and paste scripts reach the clipboard; the page's scripts,
    // which would be let at it as well, never run.
    s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, true);
    s->setAttribute(QWebEngineSettings::JavascriptCanPaste, true);
  }

  int expectedLoads = 0;  // documents the editor asked for whose navigation has not come

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
    if (isMainFrame) {
      // A link, a refresh in the mail, a form, a file dropped on the page: none is ours.
      if (type == NavigationTypeTyped && expectedLoads > 0) {
        --expectedLoads;
        return true;
      }
      return false;
    }
    // A frame of a quoted message shows only inline content.
    const QString page = url.path();
    return url.scheme() == QLatin1String("about") &&
           (page == QLatin1String("blank") || page == QLatin1String("srcdoc"));
  }

  QWebEnginePage* createWindow(WebWindowType /*type*/) override { return nullptr; }
};

WebHtmlEditor::WebHtmlEditor(QWidget* parent)
    : HtmlEditor(parent), view_(new QWebEngineView(this)), page_(new EditorPage(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
  view_->setPage(page_);
  setFocusProxy(view_);
  view_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(view_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { emit contextMenuWanted(view_->mapToGlobal(pos)); });
  connect(page_, &QWebEnginePage::loadFinished, this, &WebHtmlEditor::PageLoaded);
  connect(page_, &QWebEnginePage::selectionChanged, this, &WebHtmlEditor::RefreshCommandStates);
  connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
          &WebHtmlEditor::RefreshCommandStates);
  connect(qApp, &QApplication::focusChanged, this,
          [this](QWidget* /*old*/, QWidget* now) { FocusChanged(now); });
  poll_.setInterval(kPollMs);
  connect(&poll_, &QTimer::timeout, this, &WebHtmlEditor::RefreshCommandStates);
  SetBodyHtml(QString());
}

WebHtmlEditor::~WebHtmlEditor() {
  // The page may answer pending scripts with nothing as it goes, and the application reports
  // focus changes while the child widgets go: neither may reach this editor half destroyed.
  ready_ = false;
  poll_.stop();
  disconnect(qApp, nullptr, this, nullptr);
  disconnect(QApplication::clipboard(), nullptr, this, nullptr);
  delete page_;
}

void WebHtmlEditor::SetBodyHtml(const QString& html, const QString& baseFolder) {
  // A new document each time: the old one's undo steps do not apply to the new body. The
  // mail goes in by script once the empty document has loaded, so its size is not bound by
  // the engine's limit on a document given as text.
  base_ = QUrl::fromLocalFile(
      (baseFolder.isEmpty() ? QDir::rootPath() : QDir(baseFolder).absolutePath()) +
      (baseFolder.isEmpty() ? "" : "/"));
  pendingBody_ = html;
  ready_ = false;
  ++page_->expectedLoads;
  page_->setHtml(Skeleton(background_), base_);
}

void WebHtmlEditor::PageLoaded(bool ok) {
  // A load another one replaced ends without success; the later one brings the document.
  // Every load that succeeds is one of the editor's own (the page goes nowhere else) and gets
  // the body set last, so that of two quick SetBodyHtml calls the later body is the one shown
  // whichever load ends last.
  if (!ok) return;
  ready_ = true;
  // Design mode makes the whole document editable without an attribute on the body, which
  // would travel with the mail. The body's last text is kept to tell the user's changes.
  Run(QStringLiteral("document.designMode='on';document.body.innerHTML=%1;"
                     "window.tenvelBody=document.body.innerHTML;true")
          .arg(JsString(pendingBody_)),
      [this](const QVariant& result) {
        if (!result.isValid()) return;  // the page went away
        RefreshCommandStates();
        emit ready();
      });
  auto waiting = std::move(waiting_);
  waiting_.clear();
  for (auto& [script, done] : waiting)
    Run(script, std::move(done));
}

void WebHtmlEditor::Run(const QString& script, std::function<void(const QVariant&)> done) {
  if (!ready_) {
    waiting_.emplace_back(script, std::move(done));
    return;
  }
  if (done) {
    page_->runJavaScript(script, QWebEngineScript::ApplicationWorld, std::move(done));
  } else {
    page_->runJavaScript(script, QWebEngineScript::ApplicationWorld);
  }
}

void WebHtmlEditor::ReadContent(std::function<void(const EditorContent&)> done) {
  Run(QStringLiteral("(function(){var b=document.body;"
                     "return {inner:b.innerHTML,outer:b.outerHTML,text:b.innerText};})()"),
      [done = std::move(done)](const QVariant& result) {
        // A page that went away answers nothing; an empty content would read as a mail the
        // user emptied, so the caller hears nothing instead.
        if (!result.isValid()) return;
        const QVariantMap map = result.toMap();
        EditorContent content;
        content.bodyInnerHtml = map.value(QStringLiteral("inner")).toString();
        content.bodyOuterHtml = map.value(QStringLiteral("outer")).toString();
        content.bodyText = map.value(QStringLiteral("text")).toString();
        done(content);
      });
}

void WebHtmlEditor::InsertHtml(const QString& html) {
  Run(CaretIntoBody(false) +
      QStringLiteral("document.execCommand('insertHTML',false,%1);").arg(JsString(html)));
  AfterCommand();
}

void WebHtmlEditor::ExecCommand(const QString& command, const QString& value) {
  if (Is(command, "insertHTML")) return InsertHtml(value);
  // Every command, the clipboard and undo ones included, runs as a script: the page carries
  // scripts out in the order they are sent, while the engine's page actions travel another
  // way and could overtake a command sent before them.
  Run(CaretIntoBody(true) +
      QStringLiteral("document.execCommand(%1,false,%2);").arg(JsString(command), JsString(value)));
  AfterCommand();
}

void WebHtmlEditor::QueryCommandValue(const QString& command,
                                      std::function<void(const QString&)> done) {
  Run(QStringLiteral("String(document.queryCommandValue(%1))").arg(JsString(command)),
      [done = std::move(done)](const QVariant& result) {
        if (result.isValid()) done(result.toString());
      });
}

void WebHtmlEditor::SetBodyBackground(const QString& color) {
  const QString name = BodyBackgroundName(color);
  if (name.isEmpty()) return;
  background_ = name;
  Run(QStringLiteral("document.body.setAttribute('bgcolor',%1);").arg(JsString(name)));
}

void WebHtmlEditor::Cut() {
  ExecCommand(QStringLiteral("cut"));
}

void WebHtmlEditor::Copy() {
  ExecCommand(QStringLiteral("copy"));
}

void WebHtmlEditor::Paste() {
  ExecCommand(QStringLiteral("paste"));
}

void WebHtmlEditor::Undo() {
  ExecCommand(QStringLiteral("undo"));
}

void WebHtmlEditor::SelectAll() {
  ExecCommand(QStringLiteral("selectAll"));
}

void WebHtmlEditor::FocusEditor() {
  view_->setFocus(Qt::OtherFocusReason);
  Run(CaretIntoBody(true));
}

QWidget* WebHtmlEditor::KeyTarget() {
  return view_->focusProxy() != nullptr ? view_->focusProxy() : view_;
}

void WebHtmlEditor::AfterCommand() {
  // The page answers in order, so the states are asked for after the command has run.
  RefreshCommandStates();
}

void WebHtmlEditor::FocusChanged(QWidget* now) {
  const bool focused = now != nullptr && (now == view_ || view_->isAncestorOf(now));
  if (focused && !poll_.isActive()) {
    poll_.start();
  } else if (!focused) {
    poll_.stop();
  }
}

void WebHtmlEditor::RefreshCommandStates() {
  if (!ready_) return;
  Run(QStringLiteral(
          "(function(){var s=window.getSelection(),b=document.body;"
          "var inBody=s.rangeCount>0&&b.contains(s.anchorNode);"
          "var h=b.innerHTML,changed=window.tenvelBody!==h;window.tenvelBody=h;"
          "return [inBody&&!s.isCollapsed,inBody,document.queryCommandEnabled('undo'),changed];"
          "})()"),
      [this](const QVariant& result) {
        const QVariantList answer = result.toList();
        if (answer.size() != 4) return;  // the document went away meanwhile
        EditorCommandStates states;
        states.canCut = answer.at(0).toBool();
        states.canCopy = states.canCut;
        states.canPaste = answer.at(1).toBool() && ClipboardHasContent();
        states.canUndo = answer.at(2).toBool();
        if (answer.at(3).toBool()) emit contentChanged();
        if (states == states_) return;
        states_ = states;
        emit commandStatesChanged(states_);
      });
}

}  // namespace platform
