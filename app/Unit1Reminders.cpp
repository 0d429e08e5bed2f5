// Event reminders: the reminder timer checks the tools database and shows what is due in the
// reminder window; 事件提醒 opens the program's own reminder editor when the companion tools
// program is not installed.
#include <QFileInfo>

#include "app/CompanionTools.h"
#include "app/Unit1.h"
#include "maillib/Trace.h"
#include "tools/ReminderEditor.h"

namespace app {
namespace {

// The line of 事件提醒 in the companion program's seat file (and its tray menu item).
constexpr int kReminderTool = 3;

}  // namespace

void TForm1::ConnectReminders() {
  reminderClock_ = &tools::CurrentReminderTime;
  form3_ = std::make_unique<tools::TForm3>(programFolder_);
  connect(&TmrTvTix, &QTimer::timeout, this, &TForm1::RunReminderPass);
}

void TForm1::RunReminderPass() {
  if (!tools_) return;
  std::vector<tools::Reminder> due;
  std::string error;
  const bool read = reminderTick_.Run(*tools_, reminderClock_(), &due, &error);
  // Every tick tries again; a failure goes to the trace rather than a box each 50 seconds.
  if (!error.empty()) maillib::TraceTo(trace_.get(), "reminders: " + error);
  if (!read) return;
  // Each due row is shown in turn: its sound starts, the window ends with the last row's texts.
  for (const tools::Reminder& row : due)
    form3_->ShowReminder(row);
  // An open editor shows the rows just marked as shown.
  if (!due.empty() && reminderEditor_) reminderEditor_->Reload();
}

tools::ReminderEditor* TForm1::OpenReminderEditor() {
  if (!reminderEditor_) {
    reminderEditor_ = new tools::ReminderEditor([this] { return tools_.get(); },
                                                [this] { return reminderClock_(); }, this);
    reminderEditor_->setAttribute(Qt::WA_DeleteOnClose);
  } else {
    reminderEditor_->Reload();
  }
  reminderEditor_->show();
  reminderEditor_->raise();
  reminderEditor_->activateWindow();
  return reminderEditor_;
}

bool TForm1::OpenOwnReminderTool(int n) {
  if (n != kReminderTool || QFileInfo::exists(tools2_->ProgramPath())) return false;
  OpenReminderEditor();
  return true;
}

}  // namespace app
