#include "platform/TextHtmlEditor.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QMimeData>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextList>
#include <QVBoxLayout>
#include <array>
#include <utility>

namespace platform {
namespace {

// The point sizes of the HTML font sizes 1..7 (the browser engine's "FontSize" values).
constexpr std::array<int, 7> kPointSizes = {8, 10, 12, 14, 18, 24, 36};

bool Is(const QString& command, const char* name) {
  return command.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

QString RgbText(const QColor& colour) {
  return QStringLiteral("rgb(%1, %2, %3)").arg(colour.red()).arg(colour.green()).arg(colour.blue());
}

// The HTML font size (1..7) nearest above a point size.
int HtmlSizeOf(qreal pointSize) {
  for (std::size_t i = 0; i < kPointSizes.size(); ++i) {
    if (pointSize <= kPointSizes[i]) return static_cast<int>(i) + 1;
  }
  return static_cast<int>(kPointSizes.size());
}

}  // namespace

TextHtmlEditor::TextHtmlEditor(QWidget* parent) : HtmlEditor(parent), edit_(new QTextEdit(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(edit_);
  setFocusProxy(edit_);
  edit_->setAcceptRichText(true);
  edit_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(edit_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { emit contextMenuWanted(edit_->mapToGlobal(pos)); });
  connect(edit_, &QTextEdit::textChanged, this, [this] {
    if (!settingBody_) emit contentChanged();
  });
  connect(edit_, &QTextEdit::undoAvailable, this, [this](bool available) {
    canUndo_ = available;
    UpdateStates();
  });
  connect(edit_, &QTextEdit::copyAvailable, this, &TextHtmlEditor::UpdateStates);
  connect(edit_, &QTextEdit::selectionChanged, this, &TextHtmlEditor::UpdateStates);
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
          &TextHtmlEditor::UpdateStates);
  UpdateStates();
}

void TextHtmlEditor::SetBodyHtml(const QString& html, const QString& baseFolder) {
  settingBody_ = true;
  QTextDocument* doc = edit_->document();
  doc->setBaseUrl(
      baseFolder.isEmpty() ? QUrl() : QUrl::fromLocalFile(QDir(baseFolder).absolutePath() + "/"));
  edit_->setHtml(html);
  // A new document: what was done to the old one cannot be undone in it.
  doc->clearUndoRedoStacks();
  settingBody_ = false;
  canUndo_ = false;
  UpdateStates();
  emit ready();
}

void TextHtmlEditor::ReadContent(std::function<void(const EditorContent&)> done) {
  // QTextEdit writes a whole document; the body's content is what lies between its body tags.
  static const QRegularExpression body(
      QStringLiteral("<body[^>]*>(.*)</body>"),
      QRegularExpression::DotMatchesEverythingOption | QRegularExpression::CaseInsensitiveOption);
  const QString document = edit_->toHtml();
  const QRegularExpressionMatch match = body.match(document);
  EditorContent content;
  content.bodyInnerHtml = match.hasMatch() ? match.captured(1).trimmed() : document;
  const QString attributes =
      background_.isEmpty() ? QString() : QStringLiteral(" bgcolor=\"%1\"").arg(background_);
  content.bodyOuterHtml =
      QStringLiteral("<body%1>%2</body>").arg(attributes, content.bodyInnerHtml);
  content.bodyText = edit_->toPlainText();
  done(content);
}

void TextHtmlEditor::InsertHtml(const QString& html) {
  edit_->textCursor().insertHtml(html);
}

void TextHtmlEditor::ExecCommand(const QString& command, const QString& value) {
  QTextCursor cursor = edit_->textCursor();
  const QTextCharFormat current = edit_->currentCharFormat();
  QTextCharFormat format;
  bool merge = true;
  if (Is(command, "Bold")) {
    format.setFontWeight(current.fontWeight() > QFont::Normal ? QFont::Normal : QFont::Bold);
  } else if (Is(command, "Italic")) {
    format.setFontItalic(!current.fontItalic());
  } else if (Is(command, "UnderLine")) {
    format.setFontUnderline(!current.fontUnderline());
  } else if (Is(command, "FontName")) {
    if (value.isEmpty()) return;
    format.setFontFamilies({value});
  } else if (Is(command, "FontSize")) {
    bool ok = false;
    const int size = value.toInt(&ok);
    if (!ok || size < 1 || size > static_cast<int>(kPointSizes.size())) return;
    format.setFontPointSize(kPointSizes[static_cast<std::size_t>(size - 1)]);
  } else if (Is(command, "ForeColor")) {
    const QColor colour(value);
    if (!colour.isValid()) return;
    format.setForeground(colour);
  } else {
    merge = false;
  }
  if (merge) {
    // Without a selection the format applies to what is typed next, as in the engine.
    edit_->mergeCurrentCharFormat(format);
    return;
  }
  if (Is(command, "JustifyLeft")) {
    edit_->setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
  } else if (Is(command, "JustifyCenter")) {
    edit_->setAlignment(Qt::AlignHCenter);
  } else if (Is(command, "JustifyRight")) {
    edit_->setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
  } else if (Is(command, "InsertHorizontalRule")) {
    cursor.insertHtml(QStringLiteral("<hr />"));
  } else if (Is(command, "InsertOrderedList")) {
    ToggleList(true);
  } else if (Is(command, "InsertUnOrderedList")) {
    ToggleList(false);
  } else if (Is(command, "CreateLink")) {
    SetLink(value);
  } else if (Is(command, "UnLink")) {
    RemoveLink();
  } else if (Is(command, "SelectAll")) {
    SelectAll();
  } else if (Is(command, "delete")) {
    if (cursor.hasSelection()) {
      cursor.removeSelectedText();
    } else {
      cursor.deletePreviousChar();
    }
  } else if (Is(command, "Cut")) {
    Cut();
  } else if (Is(command, "Copy")) {
    Copy();
  } else if (Is(command, "Paste")) {
    Paste();
  } else if (Is(command, "Undo")) {
    Undo();
  } else if (Is(command, "insertHTML")) {
    InsertHtml(value);
  }
  // Any other command is one a text document cannot carry out; the engine ignores unknown
  // commands too.
}

void TextHtmlEditor::ToggleList(bool ordered) {
  QTextCursor cursor = edit_->textCursor();
  const QTextListFormat::Style style =
      ordered ? QTextListFormat::ListDecimal : QTextListFormat::ListDisc;
  QTextList* list = cursor.currentList();
  if (list != nullptr && list->format().style() == style) {
    // The same list again takes the paragraphs out of it, as the engine does.
    const QTextBlock first = edit_->document()->findBlock(cursor.selectionStart());
    const QTextBlock last = edit_->document()->findBlock(cursor.selectionEnd());
    cursor.beginEditBlock();
    for (QTextBlock block = first; block.isValid(); block = block.next()) {
      if (QTextList* in = block.textList()) in->remove(block);
      QTextBlockFormat indent = block.blockFormat();
      indent.setIndent(0);
      QTextCursor(block).setBlockFormat(indent);
      if (block == last) break;
    }
    cursor.endEditBlock();
    return;
  }
  if (list != nullptr) {
    QTextListFormat format = list->format();
    format.setStyle(style);
    list->setFormat(format);
    return;
  }
  cursor.createList(style);
}

void TextHtmlEditor::SetLink(const QString& address) {
  if (address.isEmpty()) return;
  QTextCursor cursor = edit_->textCursor();
  QTextCharFormat link;
  link.setAnchor(true);
  link.setAnchorHref(address);
  link.setForeground(QColor(Qt::blue));
  link.setFontUnderline(true);
  if (cursor.hasSelection()) {
    cursor.mergeCharFormat(link);
  } else {
    // Without a selection the engine inserts the address itself as the link's text.
    cursor.insertText(address, link);
  }
}

void TextHtmlEditor::RemoveLink() {
  QTextCursor cursor = edit_->textCursor();
  if (!cursor.hasSelection()) return;
  QTextCharFormat plain;
  plain.setAnchor(false);
  plain.setAnchorHref(QString());
  plain.setForeground(edit_->palette().text());
  plain.setFontUnderline(false);
  cursor.mergeCharFormat(plain);
}

void TextHtmlEditor::QueryCommandValue(const QString& command,
                                       std::function<void(const QString&)> done) {
  const QTextCharFormat format = edit_->currentCharFormat();
  const auto state = [](bool on) { return on ? QStringLiteral("true") : QStringLiteral("false"); };
  if (Is(command, "ForeColor")) {
    const QBrush brush = format.foreground();
    done(RgbText(brush.style() == Qt::NoBrush ? edit_->palette().text().color() : brush.color()));
  } else if (Is(command, "FontName")) {
    const QStringList families = format.fontFamilies().toStringList();
    done(families.isEmpty() ? edit_->document()->defaultFont().family() : families.first());
  } else if (Is(command, "FontSize")) {
    const qreal size = format.fontPointSize() > 0 ? format.fontPointSize()
                                                  : edit_->document()->defaultFont().pointSizeF();
    done(QString::number(HtmlSizeOf(size)));
  } else if (Is(command, "Bold")) {
    done(state(format.fontWeight() > QFont::Normal));
  } else if (Is(command, "Italic")) {
    done(state(format.fontItalic()));
  } else if (Is(command, "UnderLine")) {
    done(state(format.fontUnderline()));
  } else {
    done(QString());
  }
}

void TextHtmlEditor::SetBodyBackground(const QString& color) {
  const QString name = BodyBackgroundName(color);
  if (name.isEmpty()) return;
  background_ = name;
  QPalette palette = edit_->palette();
  palette.setColor(QPalette::Base, QColor(name));
  edit_->setPalette(palette);
}

void TextHtmlEditor::Cut() {
  edit_->cut();
}

void TextHtmlEditor::Copy() {
  edit_->copy();
}

void TextHtmlEditor::Paste() {
  edit_->paste();
}

void TextHtmlEditor::Undo() {
  edit_->undo();
}

void TextHtmlEditor::SelectAll() {
  edit_->selectAll();
}

void TextHtmlEditor::FocusEditor() {
  edit_->setFocus(Qt::OtherFocusReason);
}

QWidget* TextHtmlEditor::KeyTarget() {
  return edit_;
}

void TextHtmlEditor::UpdateStates() {
  const bool selected = edit_->textCursor().hasSelection();
  EditorCommandStates states;
  states.canCut = selected && !edit_->isReadOnly();
  states.canCopy = selected;
  states.canPaste = edit_->canPaste();
  states.canUndo = canUndo_;
  if (states == states_) return;
  states_ = states;
  emit commandStatesChanged(states_);
}

}  // namespace platform
