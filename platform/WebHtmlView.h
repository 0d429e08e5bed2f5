#pragma once
// The mail view on the browser engine: JavaScript off, nothing loaded from the network, files
// only below the allowed folder, no navigation away from the shown page, links handed on
// instead of followed, no popup menu of its own.

#include "platform/HtmlView.h"

class QWebEngineView;

namespace platform {

class WebHtmlView : public HtmlView {
  Q_OBJECT

 public:
  explicit WebHtmlView(QWidget* parent = nullptr);
  ~WebHtmlView() override;

  void LoadFile(const QString& path) override;
  void SetHtml(const QString& html, const QString& baseFolder = QString()) override;
  void Clear() override;
  bool IsBlank() const override { return blank_; }
  QString CurrentFile() const override { return file_; }
  void CopySelection() override;
  void SelectAll() override;
  QString SelectedText() const override;

 protected:
  void PrintOn(QPrinter* printer) override;

 private:
  friend class MailPage;
  friend class MailRequestGuard;
  friend class NewWindowCatcher;

  QWebEngineView* view_;
  QString file_;
  bool blank_ = true;
};

}  // namespace platform
