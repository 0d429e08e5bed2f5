#pragma once
// Starts the companion tools program (notes, phone book, diary, reminders, calculator,
// calendar) on one of its tools.
//
// The program is told which tool to open through DB2/ToolSeat.db: six lines "0"/"1", line n
// = "1" for tool n. It is started from the program folder when it is there; it is not part of
// this program.

#include <QObject>
#include <QString>

namespace app {

// File name of the companion tools program in the program folder.
inline constexpr const char* kToolsProgram = "TenvTools";

class CompanionTools : public QObject {
  Q_OBJECT

 public:
  explicit CompanionTools(QString programFolder, QObject* parent = nullptr);

  // Opens tool n (0..5): closes the copy of the tools program started before when it still
  // runs, writes ToolSeat.db with line n "1" and every other line "0", and starts the program.
  // False when n is out of range, the file cannot be written, or the program is not there or
  // would not start.
  bool Open(int n);

  QString ProgramPath() const;
  // True while the copy started last is running.
  bool Running() const;
  // Ends the copy started last when it still runs (the tools program otherwise outlives this
  // program, as the user may still be using it).
  void Close();

 private:
  QString programFolder_;
  qint64 pid_ = 0;
};

}  // namespace app
