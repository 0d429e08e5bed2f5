#pragma once
// The compose page's formatting toolbar: the font and size lists, bold, italic, underline, the
// font colour, the three alignments, a link, a horizontal rule, the two lists, the body's
// background colour, cut, copy, paste, undo, and the emoticon and screen-capture buttons.
// Every control sends its command to the editor set with SetEditor and gives the focus back to
// the editor. Cut, copy, paste and undo are enabled exactly when the editor reports them
// available.
//
// The colour choosers and the link's address go through platform::CurrentDialogs(), so tests
// answer them from a script.

#include <QPointer>
#include <QWidget>
#include <map>
#include <string_view>

#include "platform/HtmlEditor.h"

class QComboBox;
class QHBoxLayout;
class QToolButton;

namespace editor {

class EditActions;

class EditorToolbar : public QWidget {
  Q_OBJECT

 public:
  enum class Button {
    Bold,
    Italic,
    UnderLine,
    ForeColor,
    JustifyLeft,
    JustifyCenter,
    JustifyRight,
    Link,
    Rule,
    OrderedList,
    UnorderedList,
    Background,
    Cut,
    Copy,
    Paste,
    Undo,
    Emoticon,
    Capture,
  };

  explicit EditorToolbar(QWidget* parent = nullptr);

  // The editor the controls work on (nullptr: none; the controls then do nothing).
  void SetEditor(platform::HtmlEditor* editor);
  platform::HtmlEditor* Editor() const { return editor_; }

  QComboBox* FontList() const { return fonts_; }
  QComboBox* SizeList() const { return sizes_; }
  QToolButton* ButtonFor(Button button) const { return buttons_.at(button); }

 signals:
  // The emoticon and screen-capture buttons (disabled until those tools exist).
  void emoticonWanted();
  void captureWanted();

 private:
  QToolButton* AddButton(Button button, const QString& text, const QString& hint);
  // Sends command (with value) to the editor and gives it the focus back.
  void Send(std::string_view command, const QString& value = QString());
  void ChooseFont(const QString& name);
  void ChooseSize(const QString& listText);
  void ChooseForeColor();
  void AskLink();
  void ChooseBackground();

  QPointer<platform::HtmlEditor> editor_;
  EditActions* actions_;
  QComboBox* fonts_;
  QComboBox* sizes_;
  std::map<Button, QToolButton*> buttons_;
  QHBoxLayout* row_ = nullptr;  // the row AddButton adds to
};

}  // namespace editor
