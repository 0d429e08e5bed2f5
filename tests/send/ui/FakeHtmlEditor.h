#pragma once
// A mail editor for the compose page's tests: the body is a string, the caret is its end, and
// every answer comes at once. It records what the page asked of it.

#include <QString>
#include <QTextDocumentFragment>

#include "platform/HtmlEditor.h"

namespace sendtest {

class FakeHtmlEditor : public platform::HtmlEditor {
 public:
  QString body;        // the body's inner HTML
  QString background;  // the body's bgcolor, "" when never set
  int focusRequests = 0;

  void SetBodyHtml(const QString& html, const QString& /*baseFolder*/ = QString()) override {
    body = html;
  }
  void ReadContent(std::function<void(const platform::EditorContent&)> done) override {
    platform::EditorContent c;
    c.bodyInnerHtml = body;
    c.bodyOuterHtml =
        (background.isEmpty() ? QStringLiteral("<body>")
                              : QStringLiteral("<body bgcolor=\"%1\">").arg(background)) +
        body + QStringLiteral("</body>");
    // Pictures are no text.
    c.bodyText = QTextDocumentFragment::fromHtml(body).toPlainText().remove(
        QChar::ObjectReplacementCharacter);
    done(c);
  }
  void InsertHtml(const QString& html) override { body += html; }
  void ExecCommand(const QString& /*command*/, const QString& /*value*/ = QString()) override {}
  void QueryCommandValue(const QString& /*command*/,
                         std::function<void(const QString&)> done) override {
    done(QString());
  }
  void SetBodyBackground(const QString& color) override { background = color; }
  void Cut() override {}
  void Copy() override {}
  void Paste() override {}
  void Undo() override {}
  void SelectAll() override {}
  platform::EditorCommandStates CommandStates() const override { return {}; }
  void FocusEditor() override { ++focusRequests; }
};

}  // namespace sendtest
