// The widgets of the quick-reply manager.
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "editor/EditorCommands.h"
#include "platform/HtmlEditor.h"
#include "tools/QuickReplies.h"
#include "tools/kuaihuifu.h"

namespace tools {
namespace {

constexpr int kLoadDelay = 300;  // ms from show or change to the load of "时间/日期"
constexpr int kWidth = 560;
constexpr int kHeight = 420;

// Enter in the name field applies; no other button takes Enter for itself.
QPushButton* Button(const char* caption, QWidget* parent) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

TKuaihuiSet::TKuaihuiSet(store::Query& query, platform::HtmlEditor* editor, QWidget* parent)
    : QDialog(parent), query_(query), editor_(editor ? editor : platform::CreateHtmlEditor(this)) {
  setWindowTitle(QStringLiteral("签名管理"));
  resize(kWidth, kHeight);
  tmrLoad.setInterval(kLoadDelay);
  tmrLoad.setSingleShot(true);
  BuildForm();
  BuildEditorMenu();
  ConnectControls();
}

void TKuaihuiSet::BuildForm() {
  cbbNames = new QComboBox(this);
  cbbNames->setObjectName(QStringLiteral("cbbNames"));
  edtName = new QLineEdit(this);
  edtName->setObjectName(QStringLiteral("edtName"));
  editor_->setParent(this);
  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(new QLabel(QStringLiteral("签名名称："), this));
  nameRow->addWidget(cbbNames, 1);
  nameRow->addWidget(edtName, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(nameRow);
  layout->addWidget(new QLabel(QStringLiteral("签名内容："), this));
  layout->addWidget(BuildToolbar());
  layout->addWidget(editor_, 1);
  layout->addWidget(BuildButtons());
}

QWidget* TKuaihuiSet::BuildToolbar() {
  auto* bar = new QWidget(this);
  cbbFont = new QComboBox(bar);
  cbbSize = new QComboBox(bar);
  for (const std::string& size : SnippetFontSizes())
    cbbSize->addItem(QString::fromStdString(size));
  btnColor = Button("字体颜色", bar);
  btnPicture = Button("插入图片", bar);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(cbbFont, 1);
  row->addWidget(cbbSize);
  row->addWidget(btnColor);
  row->addWidget(btnPicture);
  row->addStretch();
  return bar;
}

QWidget* TKuaihuiSet::BuildButtons() {
  auto* bar = new QWidget(this);
  btnNew = Button("新 增", bar);
  btnDelete = Button("删 除", bar);
  btnApply = Button("应 用", bar);
  btnCancel = Button("取 消", bar);
  btnApply->setDefault(true);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(btnNew);
  row->addWidget(btnDelete);
  row->addStretch();
  row->addWidget(btnApply);
  row->addWidget(btnCancel);
  return bar;
}

void TKuaihuiSet::BuildEditorMenu() {
  pmEditor = new QMenu(this);
  connect(pmEditor->addAction(QStringLiteral("复制")), &QAction::triggered, editor_,
          &platform::HtmlEditor::Copy);
  connect(pmEditor->addAction(QStringLiteral("粘贴")), &QAction::triggered, this, [this] {
    if (editor_->CommandStates().canPaste) editor_->Paste();
  });
  connect(editor_, &platform::HtmlEditor::contextMenuWanted, pmEditor,
          [this](const QPoint& at) { pmEditor->popup(at); });
}

void TKuaihuiSet::ConnectControls() {
  connect(&tmrLoad, &QTimer::timeout, this,
          [this] { LoadSnippet(QString::fromUtf8(kDateTimeSnippet)); });
  connect(cbbNames, &QComboBox::activated, this, &TKuaihuiSet::cbbNamesChange);
  connect(cbbFont, &QComboBox::activated, this, &TKuaihuiSet::cbbFontChange);
  connect(cbbSize, &QComboBox::activated, this, &TKuaihuiSet::cbbSizeChange);
  connect(btnColor, &QPushButton::clicked, this, &TKuaihuiSet::btnColorClick);
  connect(btnPicture, &QPushButton::clicked, this, &TKuaihuiSet::btnPictureClick);
  connect(btnNew, &QPushButton::clicked, this, &TKuaihuiSet::btnNewClick);
  connect(btnDelete, &QPushButton::clicked, this, &TKuaihuiSet::btnDeleteClick);
  connect(btnApply, &QPushButton::clicked, this, &TKuaihuiSet::btnApplyClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::close);
}

// The list shows 宋体, the font of the empty template, or else the window's own font; none
// when the system has neither, rather than whichever font sorts first.
void TKuaihuiSet::FillFonts() {
  if (cbbFont->count() > 0) return;
  cbbFont->addItems(QFontDatabase::families());
  const std::string_view preferred = editor::kDefaultFontName;
  int shown = cbbFont->findText(
      QString::fromUtf8(preferred.data(), static_cast<qsizetype>(preferred.size())));
  if (shown < 0) shown = cbbFont->findText(font().family());
  cbbFont->setCurrentIndex(shown);
}

}  // namespace tools
