#pragma once
// The light mail view: a QTextBrowser that shows local HTML and local pictures only.

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
  void Print(QWidget* dialogParent) override;
  void CopySelection() override;
  void SelectAll() override;
  QString SelectedText() const override;

  QTextBrowser* Browser() const { return browser_; }

 private:
  QTextBrowser* browser_;
  QString file_;
  bool blank_ = true;
};

}  // namespace platform
