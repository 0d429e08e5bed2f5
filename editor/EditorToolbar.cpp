#include "editor/EditorToolbar.h"

#include <QColor>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

#include "editor/EditActions.h"
#include "editor/EditorCommands.h"
#include "platform/Dialogs.h"

namespace editor {
namespace {

// The chooser's colour as the old program's colour number (red in the low byte).
std::uint32_t ChooserNumber(const QColor& colour) {
  return static_cast<std::uint32_t>(colour.red()) |
         (static_cast<std::uint32_t>(colour.green()) << 8) |
         (static_cast<std::uint32_t>(colour.blue()) << 16);
}

QColor FromRgb(std::uint32_t rgb) {
  return QColor((rgb >> 16) & 0xff, (rgb >> 8) & 0xff, rgb & 0xff);
}

}  // namespace

EditorToolbar::EditorToolbar(QWidget* parent)
    : QWidget(parent),
      actions_(new EditActions(this)),
      fonts_(new QComboBox(this)),
      sizes_(new QComboBox(this)) {
  // Two rows: the formatting controls, then the clipboard, undo and the picture tools, so the
  // toolbar fits a window of the normal width.
  auto* rows = new QVBoxLayout(this);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(1);
  auto* layout = new QHBoxLayout;
  layout->setSpacing(1);
  rows->addLayout(layout);
  row_ = layout;

  QStringList families = QFontDatabase::families();
  const QString defaultFont = ToQString(kDefaultFontName);
  if (!families.contains(defaultFont)) families.prepend(defaultFont);
  fonts_->addItems(families);
  fonts_->setCurrentText(defaultFont);
  fonts_->setToolTip(QStringLiteral("字体"));
  // A long family name must not widen the toolbar (and with it the main window): the list
  // is as wide as about twelve characters and shows longer names in its drop-down.
  fonts_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  fonts_->setMinimumContentsLength(12);
  for (int size = kFirstListSize; size <= kLastListSize; ++size)
    sizes_->addItem(QString::number(size));
  sizes_->setCurrentText(ToQString(kDefaultListSize));
  sizes_->setToolTip(QStringLiteral("字号"));
  connect(fonts_, &QComboBox::textActivated, this, &EditorToolbar::ChooseFont);
  connect(sizes_, &QComboBox::textActivated, this, &EditorToolbar::ChooseSize);
  layout->addWidget(fonts_);
  layout->addWidget(sizes_);

  const auto sends = [this](Button button, const QString& text, const QString& hint,
                            std::string_view command) {
    QToolButton* b = AddButton(button, text, hint);
    connect(b, &QToolButton::clicked, this, [this, command] { Send(command); });
  };
  sends(Button::Bold, QStringLiteral("B"), QStringLiteral("粗体"), kBold);
  sends(Button::Italic, QStringLiteral("I"), QStringLiteral("斜体"), kItalic);
  sends(Button::UnderLine, QStringLiteral("U"), QStringLiteral("下划线"), kUnderLine);
  connect(AddButton(Button::ForeColor, QStringLiteral("A"), QStringLiteral("字体颜色")),
          &QToolButton::clicked, this, &EditorToolbar::ChooseForeColor);
  sends(Button::JustifyLeft, QStringLiteral("左"), QStringLiteral("左对齐"), kJustifyLeft);
  sends(Button::JustifyCenter, QStringLiteral("中"), QStringLiteral("居中"), kJustifyCenter);
  sends(Button::JustifyRight, QStringLiteral("右"), QStringLiteral("右对齐"), kJustifyRight);
  connect(AddButton(Button::Link, QStringLiteral("链接"), QStringLiteral("超链接")),
          &QToolButton::clicked, this, &EditorToolbar::AskLink);
  sends(Button::Rule, QStringLiteral("-"), QStringLiteral("水平线"), kInsertHorizontalRule);
  sends(Button::OrderedList, QStringLiteral("1."), QStringLiteral("编号"), kInsertOrderedList);
  sends(Button::UnorderedList, QStringLiteral("•"), QStringLiteral("项目符号"),
        kInsertUnOrderedList);
  connect(AddButton(Button::Background, QStringLiteral("背景"), QStringLiteral("背景颜色")),
          &QToolButton::clicked, this, &EditorToolbar::ChooseBackground);

  layout->addStretch(1);
  layout = new QHBoxLayout;
  layout->setSpacing(1);
  rows->addLayout(layout);
  row_ = layout;
  const auto acts = [this](Button button, QAction* action) {
    QToolButton* b = AddButton(button, QString(), QString());
    b->setDefaultAction(action);
  };
  acts(Button::Cut, actions_->cut());
  acts(Button::Copy, actions_->copy());
  acts(Button::Paste, actions_->paste());
  acts(Button::Undo, actions_->undo());
  // The editor's own controls take the focus away from it no more than a click needs.
  for (QToolButton* b : {buttons_[Button::Cut], buttons_[Button::Copy], buttons_[Button::Paste],
                         buttons_[Button::Undo]}) {
    connect(b, &QToolButton::triggered, this, [this] {
      if (editor_) editor_->FocusEditor();
    });
  }

  QToolButton* emoticon = AddButton(Button::Emoticon, QStringLiteral("表情"), QString());
  connect(emoticon, &QToolButton::clicked, this, &EditorToolbar::emoticonWanted);
  emoticon->setEnabled(false);
  QToolButton* capture = AddButton(Button::Capture, QStringLiteral("截图"), QString());
  connect(capture, &QToolButton::clicked, this, &EditorToolbar::captureWanted);
  capture->setEnabled(false);
  layout->addStretch(1);
}

QToolButton* EditorToolbar::AddButton(Button button, const QString& text, const QString& hint) {
  auto* b = new QToolButton(this);
  b->setText(text);
  if (!hint.isEmpty()) b->setToolTip(hint);
  b->setAutoRaise(true);
  // A click leaves the keyboard focus (and the selection) in the editor.
  b->setFocusPolicy(Qt::NoFocus);
  row_->addWidget(b);
  buttons_[button] = b;
  return b;
}

void EditorToolbar::SetEditor(platform::HtmlEditor* editor) {
  editor_ = editor;
  actions_->SetEditor(editor);
}

void EditorToolbar::Send(std::string_view command, const QString& value) {
  if (!editor_) return;
  editor_->ExecCommand(ToQString(command), value);
  editor_->FocusEditor();
}

void EditorToolbar::ChooseFont(const QString& name) {
  Send(kFontName, name);
}

void EditorToolbar::ChooseSize(const QString& listText) {
  const std::optional<int> size = FontSizeValue(listText.toStdString());
  if (size) Send(kFontSize, QString::number(*size));
}

void EditorToolbar::ChooseForeColor() {
  if (!editor_) return;
  QPointer<EditorToolbar> self(this);
  editor_->QueryCommandValue(ToQString(kForeColor), [self](const QString& current) {
    if (!self || !self->editor_) return;
    const std::optional<std::uint32_t> rgb = ParseEditorColour(current.toStdString());
    const QColor initial = rgb ? FromRgb(*rgb) : QColor(Qt::black);
    const std::optional<QColor> chosen = platform::CurrentDialogs().ChooseColor(self, initial);
    // The chooser may have outlived the toolbar or its editor.
    if (!self || !self->editor_) return;
    if (chosen) {
      self->Send(kForeColor, chosen->name());
    } else {
      self->editor_->FocusEditor();
    }
  });
}

void EditorToolbar::AskLink() {
  if (!editor_) return;
  // Neither kind of editor has a link dialog of its own, so the address is asked here.
  const std::optional<QString> address = platform::CurrentDialogs().InputText(
      this, QStringLiteral("超链接"), QStringLiteral("地址:"), QStringLiteral("http://"));
  if (!editor_) return;
  const QString trimmed = address ? address->trimmed() : QString();
  if (trimmed != QLatin1String("http://") && IsAcceptableLinkAddress(trimmed.toStdString())) {
    Send(kCreateLink, trimmed);
  } else {
    editor_->FocusEditor();
  }
}

void EditorToolbar::ChooseBackground() {
  if (!editor_) return;
  const std::optional<QColor> chosen =
      platform::CurrentDialogs().ChooseColor(this, QColor(Qt::white));
  if (!editor_) return;
  if (chosen) editor_->SetBodyBackground(ToQString(HtmlColour(RGB2BGR(ChooserNumber(*chosen)))));
  editor_->FocusEditor();
}

}  // namespace editor
