#pragma once
// The mail view on the browser engine: JavaScript off, nothing loaded from the network,
// links reported instead of followed, no popup menu of its own.

#include <memory>

#include "platform/HtmlView.h"

class QPrinter;
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
  void Print(QWidget* dialogParent) override;
  void CopySelection() override;
  void SelectAll() override;
  QString SelectedText() const override;

 private:
  QWebEngineView* view_;
  std::unique_ptr<QPrinter> printer_;  // while a page is being printed
  QString file_;
  bool blank_ = true;
};

}  // namespace platform
