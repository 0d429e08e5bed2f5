#pragma once
// A read-only view of mail HTML and of the local start page.
//
// Mail is untrusted: every view runs no JavaScript and loads nothing from the network. Of the
// disk it reads only files below one allowed folder: the folder of the file given to LoadFile
// (the shown message's own sub-folder), or the base folder given to SetHtml. Every other file
// (pictures, style sheets, frames, refreshes, redirects) is refused and reported through
// loadRefused. Two kinds exist: the full browser engine (QWebEngineView) that the program
// uses, and a light one (QTextBrowser) that tests choose because it starts instantly and needs
// no GPU or sandbox. The rules themselves are in platform/LinkPolicy.h.
//
// Use:
//   platform::HtmlView* view = platform::CreateHtmlView(parent);   // the default kind
//   view->LoadFile(folder + "/Tenvel.htm");
//   connect(view, &platform::HtmlView::contextMenuWanted, ...);    // own popup menu
//   connect(view, &platform::HtmlView::linkHovered, ...);          // the address for a status line
//   connect(view, &platform::HtmlView::printFinished, ...);        // tell the user of a failure
//
// The view never follows a link: a click emits linkActivated and hands http, https and mailto
// addresses to platform::OpenExternalUrl (the desktop's browser or mail handler); other
// schemes are not opened. Links that ask for a new window (target=_blank) go the same way.
// The view shows no popup menu of its own: a right click emits contextMenuWanted with the
// global position, and the owner shows its menu (or none).

#include <QString>
#include <QUrl>
#include <QWidget>
#include <memory>

class QPrinter;

namespace platform {

class HtmlView : public QWidget {
  Q_OBJECT

 public:
  explicit HtmlView(QWidget* parent = nullptr);
  ~HtmlView() override;

  // Shows a local HTML file; its relative references resolve in the file's folder, and files
  // below that folder are the only ones the page may load.
  virtual void LoadFile(const QString& path) = 0;
  // Shows HTML text; relative references resolve in baseFolder, and files below it are the
  // only ones the page may load (none when baseFolder is empty).
  virtual void SetHtml(const QString& html, const QString& baseFolder = QString()) = 0;
  // Shows the blank page ("about:blank").
  virtual void Clear() = 0;
  // True while the blank page is shown (nothing loaded since the last Clear).
  virtual bool IsBlank() const = 0;
  // The local file last loaded with LoadFile; empty after SetHtml or Clear.
  virtual QString CurrentFile() const = 0;

  // The folder whose files the shown page may load; empty when it may load none.
  QString AllowedFolder() const { return allowedFolder_; }

  // Asks for a printer with the print dialog (CurrentDialogs().ChoosePrinter, so a test can
  // choose a PDF file without a dialog) and prints the shown page on it. Printing may go on in
  // the background; printFinished reports the outcome. False, with nothing printed and no
  // printFinished to follow, when the dialog was cancelled or a page is still being printed.
  bool Print(QWidget* dialogParent);
  // Prints the shown page into a PDF file at path, without a dialog; as Print otherwise.
  bool PrintToPdf(const QString& path);
  // True from Print until printFinished.
  bool IsPrinting() const { return printer_ != nullptr; }
  // Copies the selected text to the clipboard (nothing when no text is selected).
  virtual void CopySelection() = 0;
  virtual void SelectAll() = 0;
  virtual QString SelectedText() const = 0;

 signals:
  // A page, file or HTML text finished loading (ok false when the file could not be read).
  void loadFinished(bool ok);
  // The user clicked a link of the shown page; the view does not follow it (see above).
  void linkActivated(const QUrl& url);
  // The pointer went over a link (its real address, resolved) or left it (an empty string).
  void linkHovered(const QString& url);
  // The page asked for something it may not have (a file outside the allowed folder, a
  // network address, a navigation away from the page); it was not loaded.
  void loadRefused(const QUrl& url);
  // A print started by Print or PrintToPdf ended; ok false when nothing could be printed.
  void printFinished(bool ok);
  // The user asked for a popup menu at this global position.
  void contextMenuWanted(const QPoint& globalPos);

 protected:
  // Sets the folder whose files the page may load (empty: none); the kinds call it before they
  // load a page.
  void SetAllowedFolder(const QString& folder);
  // Whether the page may load url now; reports refusals through loadRefused.
  bool MayLoadNow(const QUrl& url);
  // A link was clicked: reports it and opens it outside when its scheme allows.
  void FollowLink(const QUrl& url);
  // Prints the page on printer, which lives until PrintEnded is called; a kind that prints
  // in the background calls it later.
  virtual void PrintOn(QPrinter* printer) = 0;
  void PrintEnded(bool ok);

 private:
  bool StartPrint(std::unique_ptr<QPrinter> printer);

  QString allowedFolder_;
  std::unique_ptr<QPrinter> printer_;  // while a page is being printed
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
