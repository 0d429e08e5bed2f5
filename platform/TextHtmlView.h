#pragma once
// The light mail view: a QTextBrowser that shows local HTML and the pictures below the allowed
// folder only. It knows no frames, refreshes or scripts, so pictures and style sheets are all
// a page can ask for.

#include "platform/HtmlView.h"

class QTextBrowser;

namespace platform {

class TextHtmlView : public HtmlView {
  Q_OBJECT

 public:
  explicit TextHtmlView(QWidget* parent = nullptr);

  void LoadFile(const QString& path) override;
  void SetHtml(const QString& html, const QString& baseFolder = QString()) override;
  void Clear() override;
  bool IsBlank() const override { return blank_; }
  QString CurrentFile() const override { return file_; }
  void CopySelection() override;
  void SelectAll() override;
  QString SelectedText() const override;

  QTextBrowser* Browser() const { return browser_; }

 protected:
  void PrintOn(QPrinter* printer) override;

 private:
  friend class LocalTextBrowser;

  QTextBrowser* browser_;
  QString file_;
  bool blank_ = true;
};

}  // namespace platform
