#pragma once
// The main window. For now it runs the start-up steps (folders, databases, small data files,
// personal settings) and shows what they found; the box pages, compose page and menus come
// with their own windows.

#include <QMainWindow>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "app/DataQX.h"
#include "store/Database.h"
#include "store/Query.h"

class QLabel;

namespace app {

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  TForm1(QString programFolder, TDataQX* dataModule, QWidget* parent = nullptr);

  const QString& ProgramFolder() const { return programFolder_; }
  const std::vector<std::string>& RecentRecipients() const { return recentRecipients_; }
  const std::string& DefaultAccount() const { return defaultAccount_; }
  bool SoundOn() const { return soundOn_; }
  bool AutoReceive() const { return autoReceive_; }
  bool Locked() const { return locked_; }
  bool StartUpDone() const { return startUpDone_; }

  // The tools database connection and its reminder query.
  store::Database* ADOConnection1() const { return tools_.get(); }

 signals:
  // Emitted when the settings check has run (the last start-up step).
  void startUpFinished();

 private:
  void FormCreate();
  void TinitTimer1Timer();
  void tmr1Timer();
  void ShowStatus(const QString& line);
  void ReportError(const QString& what, const std::string& detail);

  QString programFolder_;
  TDataQX* data_;
  std::unique_ptr<store::Database> tools_;
  std::unique_ptr<store::Query> qryTX;
  QTimer TinitTimer1;
  QTimer tmr1;
  QLabel* status_ = nullptr;

  std::vector<std::string> recentRecipients_;
  std::string defaultAccount_;
  std::string lockPassword_;
  bool soundOn_ = false;
  bool autoReceive_ = false;
  bool locked_ = false;
  bool startUpDone_ = false;
};

}  // namespace app
