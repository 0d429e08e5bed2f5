// The personal settings window and the start-up lock of the main window.
#include "app/Unit1.h"
#include "receive/ReceiveSchedule.h"
#include "tools/PersonalSet1.h"
#include "tools/loginLock.h"

namespace app {

void TForm1::ConnectSettings() {
  quit_ = [this] { ExitProgram(); };
  connect(menus_.personalSet, &QAction::triggered, this, &TForm1::PersonalSetClick);
}

void TForm1::PersonalSetClick() {
  if (personalSet_ == nullptr) {
    personalSet_ = new tools::TPersonalSet(
        [this] { return data_->IsOpen() ? data_->ADOConnectionAcc.get() : nullptr; }, this);
    // The sound follows an apply at once; the start-up settings wait for the next start.
    connect(personalSet_, &tools::TPersonalSet::soundChanged, this,
            [this](bool on) { schedule_->SetSoundOn(on); });
  }
  personalSet_->ShowSettings();
}

void TForm1::ShowLock() {
  if (lock_ == nullptr) {
    lock_ = new tools::TLockLogin(this);
    connect(lock_, &QDialog::accepted, this, &TForm1::LockOpened);
    connect(lock_, &QDialog::rejected, this, [this] { quit_(); });
  }
  lock_->SetPassword(QString::fromStdString(lockPassword_));
  lock_->ShowOver(this);
}

void TForm1::LockOpened() {
  OpenAfterSettings();
  ShowStartPage();
}

}  // namespace app
