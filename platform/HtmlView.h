#pragma once
// A read-only view of mail HTML and of the local start page.
//
// Mail is untrusted: every view runs no JavaScript and loads nothing from the network; only
// local files (the message's own sub-folder, pictures by file path) and inline data are shown.
// Two kinds exist: the full browser engine (QWebEngineView) that the program uses, and a light
// one (QTextBrowser) that tests choose because it starts instantly and needs no GPU or sandbox.
//
// Use:
//   platform::HtmlView* view = platform::CreateHtmlView(parent);   // the default kind
//   view->LoadFile(folder + "/Tenvel.htm");
//   connect(view, &platform::HtmlView::contextMenuWanted, ...);    // own popup menu
//
// The view shows no popup menu of its own: a right click emits contextMenuWanted with the
// global position, and the owner shows its menu (or none).

#include <QString>
#include <QUrl>
#include <QWidget>

namespace platform {

class HtmlView : public QWidget {
  Q_OBJECT

 public:
  explicit HtmlView(QWidget* parent = nullptr);

  // Shows a local HTML file; its relative references resolve in the file's folder.
  virtual void LoadFile(const QString& path) = 0;
  // Shows HTML text; relative references resolve in baseFolder (none when empty).
  virtual void SetHtml(const QString& html, const QString& baseFolder = QString()) = 0;
  // Shows the blank page ("about:blank").
  virtual void Clear() = 0;
  // True while the blank page is shown (nothing loaded since the last Clear).
  virtual bool IsBlank() const = 0;
  // The local file last loaded with LoadFile; empty after SetHtml or Clear.
  virtual QString CurrentFile() const = 0;

  // Asks for a printer with the platform's print dialog and prints the page.
  virtual void Print(QWidget* dialogParent) = 0;
  // Copies the selected text to the clipboard (nothing when no text is selected).
  virtual void CopySelection() = 0;
  virtual void SelectAll() = 0;
  virtual QString SelectedText() const = 0;

 signals:
  // A page, file or HTML text finished loading (ok false when the file could not be read).
  void loadFinished(bool ok);
  // The user clicked a link of the shown page; the view does not follow it.
  void linkActivated(const QUrl& url);
  // The user asked for a popup menu at this global position.
  void contextMenuWanted(const QPoint& globalPos);
};

enum class HtmlViewKind {
  Web,   // the browser engine (when built in)
  Text,  // the light text browser: HTML 4 subset, no scripts, local pictures only
};

// True when the browser engine is built into this program.
bool WebEngineAvailable();

// The kind CreateHtmlView(parent) makes: Text when the browser engine is not built in, when
// SetDefaultHtmlViewKind chose it, or when the environment variable TENVEL_HTMLVIEW is "text"
// (a switch for tests that start the program as a separate process); otherwise Web.
HtmlViewKind DefaultHtmlViewKind();
void SetDefaultHtmlViewKind(HtmlViewKind kind);

// A new view of the default kind, or of the given kind (Web falls back to Text when the
// engine is not built in). Owned by parent.
HtmlView* CreateHtmlView(QWidget* parent);
HtmlView* CreateHtmlView(HtmlViewKind kind, QWidget* parent);

}  // namespace platform
