#include "platform/Dialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <algorithm>

namespace platform {
namespace {

QMessageBox::StandardButtons ToQt(Buttons buttons) {
  switch (buttons) {
    case Buttons::Ok:
      return QMessageBox::Ok;
    case Buttons::OkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

QMessageBox::Icon ToQt(Icon icon) {
  switch (icon) {
    case Icon::None:
      return QMessageBox::NoIcon;
    case Icon::Information:
      return QMessageBox::Information;
    case Icon::Warning:
      return QMessageBox::Warning;
    case Icon::Critical:
      return QMessageBox::Critical;
    case Icon::Question:
      return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

Answer FromQt(int button, Buttons buttons) {
  switch (button) {
    case QMessageBox::Ok:
      return Answer::Ok;
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    default:
      // Closed with the window button or Escape.
      return buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
  }
}

// The Qt dialogs.
class QtDialogs : public Dialogs {
 public:
  Answer Message(QWidget* parent, const QString& title, const QString& text, Buttons buttons,
                 Icon icon) override {
    QMessageBox box(ToQt(icon), title, text, ToQt(buttons), parent);
    if (buttons == Buttons::YesNo) box.setEscapeButton(QMessageBox::No);
    return FromQt(box.exec(), buttons);
  }
  QString SaveFileName(QWidget* parent, const QString& caption, const QString& folder,
                       const QString& suggestedName, const QString& filter) override {
    QString start = folder;
    if (!suggestedName.isEmpty())
      start = folder.isEmpty() ? suggestedName : folder + "/" + suggestedName;
    // The caller asks about an existing file itself (a question a test can answer).
    return QFileDialog::getSaveFileName(parent, caption, start, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
  }
  QString SaveFileNameAndFilter(QWidget* parent, const QString& caption, const QString& folder,
                                const QString& suggestedName, const QString& filter,
                                int* filterIndex) override {
    QString start = folder;
    if (!suggestedName.isEmpty())
      start = folder.isEmpty() ? suggestedName : folder + "/" + suggestedName;
    QString selected;
    const QString name = QFileDialog::getSaveFileName(parent, caption, start, filter, &selected,
                                                      QFileDialog::DontConfirmOverwrite);
    if (filterIndex != nullptr)
      *filterIndex = static_cast<int>(std::max<qsizetype>(0, filter.split(";;").indexOf(selected)));
    return name;
  }
  QString OpenFileName(QWidget* parent, const QString& caption, const QString& folder,
                       const QString& filter) override {
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
  }
  QStringList OpenFileNames(QWidget* parent, const QString& caption, const QString& folder,
                            const QString& filter) override {
    return QFileDialog::getOpenFileNames(parent, caption, folder, filter);
  }
  QString FolderName(QWidget* parent, const QString& caption, const QString& folder) override {
    return QFileDialog::getExistingDirectory(parent, caption, folder);
  }
  std::optional<QString> InputText(QWidget* parent, const QString& title, const QString& label,
                                   const QString& initial) override {
    bool ok = false;
    const QString text =
        QInputDialog::getText(parent, title, label, QLineEdit::Normal, initial, &ok);
    if (!ok) return std::nullopt;
    return text;
  }
  std::optional<QColor> ChooseColor(QWidget* parent, const QColor& initial) override {
    const QColor color = QColorDialog::getColor(initial, parent);
    if (!color.isValid()) return std::nullopt;
    return color;
  }
  bool ChoosePrinter(QWidget* parent, QPrinter& printer) override {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
  }
};

QtDialogs& QtInstance() {
  static QtDialogs dialogs;
  return dialogs;
}

Dialogs* installed = nullptr;

}  // namespace

QString Dialogs::SaveFileNameAndFilter(QWidget* parent, const QString& caption,
                                       const QString& folder, const QString& suggestedName,
                                       const QString& filter, int* filterIndex) {
  if (filterIndex != nullptr) *filterIndex = 0;
  return SaveFileName(parent, caption, folder, suggestedName, filter);
}

Dialogs& CurrentDialogs() {
  return installed != nullptr ? *installed : QtInstance();
}

void InstallDialogs(Dialogs* dialogs) {
  installed = dialogs;
}

ScopedDialogs::ScopedDialogs(Dialogs* dialogs) : previous_(installed) {
  installed = dialogs;
}

ScopedDialogs::~ScopedDialogs() {
  installed = previous_;
}

}  // namespace platform
