#pragma once
// The mail editor: an HTML document whose body the user edits in place (contenteditable), with
// the standard editing commands of the engine (execCommand names: "Bold", "FontName",
// "ForeColor", "InsertOrderedList", "CreateLink", "UnLink", ...).
//
// Two kinds exist, chosen as the mail views are (platform::DefaultHtmlViewKind): the browser
// engine (QWebEngineView) that the program uses, and a light one (QTextEdit) that tests use.
// The browser engine answers asynchronously: ReadContent and QueryCommandValue call back on the
// UI thread once the page has answered (the light editor calls back at once). A call made
// before the page has loaded waits for the load. Calls are carried out in the order they are
// made. An editor destroyed before it answered never calls back (an empty answer would read
// as a mail the user had emptied).
//
// The editor shows the user's own local pictures (file: URLs) but loads nothing from the
// network and runs no script of the mail it shows; links are not followed.
//
// Use:
//   platform::HtmlEditor* editor = platform::CreateHtmlEditor(parent);
//   editor->SetBodyHtml(html);
//   editor->ReadContent([](const platform::EditorContent& c) { ... c.bodyOuterHtml ... });
//   connect(editor, &platform::HtmlEditor::commandStatesChanged, ...);  // cut/copy/paste buttons

#include <QPoint>
#include <QString>
#include <QWidget>
#include <functional>

#include "platform/HtmlView.h"

namespace platform {

// The document as the page holds it now.
struct EditorContent {
  QString bodyInnerHtml;  // the body's inner HTML
  QString bodyOuterHtml;  // the body element itself with its attributes ("<body bgcolor=...>...")
  QString bodyText;       // the body's inner text (what the user reads, lines kept)
};

// Which of the clipboard and undo commands the document can carry out now.
struct EditorCommandStates {
  bool canCut = false;
  bool canCopy = false;
  bool canPaste = false;
  bool canUndo = false;
  bool operator==(const EditorCommandStates&) const = default;
};

class HtmlEditor : public QWidget {
  Q_OBJECT

 public:
  explicit HtmlEditor(QWidget* parent = nullptr) : QWidget(parent) {}
  ~HtmlEditor() override = default;

  // Replaces the body's content with html (the body's attributes are kept). Relative
  // references resolve in baseFolder when one is given.
  virtual void SetBodyHtml(const QString& html, const QString& baseFolder = QString()) = 0;
  // Hands the document's content to done, on the UI thread.
  virtual void ReadContent(std::function<void(const EditorContent&)> done) = 0;
  // Pastes html at the caret (at the end of the body when the editor has no caret).
  virtual void InsertHtml(const QString& html) = 0;
  // Runs a standard editing command on the document (value as the command expects it).
  virtual void ExecCommand(const QString& command, const QString& value = QString()) = 0;
  // Hands the command's current value (queryCommandValue) to done, on the UI thread.
  virtual void QueryCommandValue(const QString& command,
                                 std::function<void(const QString&)> done) = 0;
  // Sets the body's bgcolor attribute (a colour text such as "#ffffff" or a decimal number).
  virtual void SetBodyBackground(const QString& color) = 0;

  // The engine's own clipboard and undo actions, on the selection or caret.
  virtual void Cut() = 0;
  virtual void Copy() = 0;
  virtual void Paste() = 0;
  virtual void Undo() = 0;
  virtual void SelectAll() = 0;
  virtual EditorCommandStates CommandStates() const = 0;

  // Gives the keyboard focus to the document (the caret goes to the body's start when the
  // document had none).
  virtual void FocusEditor() = 0;
  // The widget that receives the editor's keys (the browser engine's input widget, or the
  // text edit of the light kind): what a test types into. It lies inside the editor, so a
  // key filter that watches the editor and its children sees its keys.
  virtual QWidget* KeyTarget() { return this; }

 signals:
  // The states of CommandStates() changed (selection, clipboard, undo stack).
  void commandStatesChanged(const platform::EditorCommandStates& states);
  // The user changed the document.
  void contentChanged();
  // A document set by SetBodyHtml is ready for commands.
  void ready();
  // The user asked for a popup menu at this global position (the editor shows none itself).
  void contextMenuWanted(const QPoint& globalPos);
};

// The colour a body background is set to, as "#rrggbb": color is "#rrggbb" (or another name
// QColor reads) or a decimal 0x00RRGGBB number. Empty for a text that is no colour.
QString BodyBackgroundName(const QString& color);

// A new editor of the default kind (see platform::DefaultHtmlViewKind), or of the given kind
// (Web falls back to Text when the engine is not built in). Owned by parent.
HtmlEditor* CreateHtmlEditor(QWidget* parent);
HtmlEditor* CreateHtmlEditor(HtmlViewKind kind, QWidget* parent);

}  // namespace platform
