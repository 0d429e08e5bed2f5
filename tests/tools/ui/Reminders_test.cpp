// The reminder window, the main window's reminder check with an injected clock, and the
// reminder editor, offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "app/DataQX.h"
#include "app/Unit1.h"
#include "platform/ScriptedDialogs.h"
#include "store/DataFiles.h"
#include "store/Query.h"
#include "tools/ReminderEditor.h"
#include "tools/Unit3.h"

namespace {

using tools::Reminder;
using tools::ReminderTime;

Reminder Row(const char* hour, const char* minute, const char* pagekey, const char* content) {
  Reminder row;
  row.date = "2026-12-10";
  row.timeH = hour;
  row.timeM = minute;
  row.pagekey = pagekey;
  row.content = content;
  return row;
}

TEST(ReminderWindow, SlidesInFromAboveTheTopEdgeWithoutHoldingTheInterface) {
  QTemporaryDir dir;
  tools::TForm3 window(dir.path());
  QStringList played;
  window.SetSoundPlayer([&played](const QString& file) {
    played << file;
    return true;
  });
  const QRect desktop = QGuiApplication::primaryScreen()->availableGeometry();

  window.ShowReminder(Row("08", "30", "tip:日", "开会"));
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.size(), QSize(290, 134));
  EXPECT_EQ(window.windowTitle(), "事件提醒");
  // Returned at once: the slide runs on while the interface goes on.
  EXPECT_EQ(window.Slide()->state(), QAbstractAnimation::Running);
  EXPECT_EQ(window.Slide()->startValue().toPoint(),
            QPoint(desktop.left() + 2, desktop.top() - 134 + 2));
  EXPECT_EQ(window.Slide()->endValue().toPoint(), QPoint(desktop.left() + 2, desktop.top() + 2));
  EXPECT_EQ(window.MarkLabel()->text(), "日");
  EXPECT_EQ(window.TimeLabel()->text(), "08 : 30");
  EXPECT_EQ(window.TextLabel()->text(), "开会");
  EXPECT_TRUE(window.TextLabel()->wordWrap());
  EXPECT_EQ(window.TextLabel()->size(), QSize(169, 53));
  EXPECT_EQ(window.ClosePicture()->size(), QSize(25, 25));
  // No sound of the tools program: the shipped chime.
  EXPECT_EQ(played, QStringList{dir.path() + "/Sound/reminder.wav"});

  QTRY_COMPARE_WITH_TIMEOUT(window.pos(), QPoint(desktop.left() + 2, desktop.top() + 2), 2000);
  QTest::mouseClick(window.ClosePicture(), Qt::LeftButton);
  EXPECT_FALSE(window.isVisible());
}

TEST(ReminderWindow, PlaysTheToolsProgramSoundAndFallsBackWhenNoPlayerTakesIt) {
  QTemporaryDir dir;
  ASSERT_TRUE(QDir(dir.path()).mkpath("TVToolsIcon"));
  QFile sound(dir.path() + "/TVToolsIcon/2.mp3");
  ASSERT_TRUE(sound.open(QIODevice::WriteOnly));
  sound.close();
  EXPECT_EQ(tools::ReminderSoundFile(dir.path()), dir.path() + "/TVToolsIcon/2.mp3");

  tools::TForm3 window(dir.path());
  QStringList played;
  window.SetSoundPlayer([&played](const QString& file) {
    played << file;
    return false;  // no player installed
  });
  window.ShowReminder(Row("9", "05", "ab", "x"));
  EXPECT_EQ(played,
            (QStringList{dir.path() + "/TVToolsIcon/2.mp3", dir.path() + "/Sound/reminder.wav"}));
  EXPECT_EQ(window.MarkLabel()->text(), "") << "a page key shorter than five characters";
  window.hide();
}

// A main window on a fresh folder with a clock the test sets, the sound counted.
class ReminderMainWindow : public ::testing::Test {
 protected:
  ReminderMainWindow() : window(dir.path(), &data) {
    window.SetReminderClock([this] { return now; });
    window.ReminderWindow()->SetSoundPlayer([this](const QString&) {
      ++sounds;
      return true;
    });
  }
  ~ReminderMainWindow() override { window.ReminderWindow()->hide(); }

  void Insert(const char* date, const char* hour, const char* minute, const char* content) {
    store::Query query(*window.ADOConnection1());
    query.AddLine(
        "insert into eventtip (date, timeH, timeM, tagshow, pagekey, content) values "
        "(:d, :h, :m, \"0\", \"tip:!\", :c)");
    query.SetText("d", date);
    query.SetText("h", hour);
    query.SetText("m", minute);
    query.SetText("c", content);
    ASSERT_TRUE(query.ExecSql()) << query.Error();
  }

  // What the timer's timeout does, without waiting 50 seconds.
  void FireReminderTimer() {
    ASSERT_TRUE(QMetaObject::invokeMethod(&window.TmrTvTix, "timeout", Qt::DirectConnection));
  }

  QTemporaryDir dir;
  app::TDataQX data;
  app::TForm1 window;
  ReminderTime now{2026, 12, 10, 8, 30};
  int sounds = 0;
};

TEST_F(ReminderMainWindow, TimerRunsTheCheckAndTheWindowShowsTheLaterOfTwoDueRows) {
  EXPECT_EQ(window.TmrTvTix.interval(), 50000);
  EXPECT_TRUE(window.TmrTvTix.isActive());
  Insert("2026-12-09", "8", "30", "yesterday");
  Insert("2026-12-10", "8", "30", "first");
  Insert("1985-06-21", "8", "30", "second");
  Insert("2026-12-10", "8", "31", "later");

  FireReminderTimer();
  EXPECT_TRUE(window.ReminderWindow()->isVisible());
  EXPECT_EQ(window.ReminderWindow()->TextLabel()->text(), "second");
  EXPECT_EQ(sounds, 2);
  FireReminderTimer();
  EXPECT_EQ(sounds, 2) << "a second tick in the same minute shows nothing again";

  now.minute = 31;
  window.RunReminderPass();
  EXPECT_EQ(window.ReminderWindow()->TextLabel()->text(), "later");
  EXPECT_EQ(sounds, 3);
}

TEST_F(ReminderMainWindow, FirstShowingRunsTheCheck) {
  Insert("2026-12-10", "8", "30", "at start");
  window.show();
  EXPECT_EQ(window.ReminderWindow()->TextLabel()->text(), "at start");
  EXPECT_EQ(sounds, 1);
  window.hide();
}

TEST_F(ReminderMainWindow, ReminderToolOpensOurEditorWhenTheToolsProgramIsMissing) {
  window.OpenTool(3);
  tools::ReminderEditor* editor = window.findChild<tools::ReminderEditor*>();
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(editor->isVisible());
  EXPECT_EQ(editor->windowTitle(), "事件提醒");
  editor->close();
}

TEST_F(ReminderMainWindow, ReminderToolStartsTheToolsProgramWhenItIsInstalled) {
  QFile program(dir.path() + "/TenvTools");
  ASSERT_TRUE(program.open(QIODevice::WriteOnly));
  program.write("#!/bin/sh\nexit 0\n");
  program.close();
  program.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  window.OpenTool(3);
  EXPECT_EQ(window.findChild<tools::ReminderEditor*>(), nullptr);
  const auto seat = store::ReadToolSeat(dir.path().toStdString());
  ASSERT_EQ(seat.size(), 6u);
  EXPECT_TRUE(seat[3]);
}

class ReminderEditorTest : public ReminderMainWindow {
 protected:
  ReminderEditorTest() : scripted(&dialogs) { editor = window.OpenReminderEditor(); }
  ~ReminderEditorTest() override { editor->close(); }

  void Enter(const QString& date, const QString& hour, const QString& minute, const QString& text) {
    editor->DateField()->setEditText(date);
    editor->HourField()->setText(hour);
    editor->MinuteField()->setText(minute);
    editor->TextField()->setText(text);
  }
  QString Cell(int row, int column) { return editor->List()->item(row, column)->text(); }
  QString LastMessage() { return dialogs.asked.empty() ? QString() : dialogs.asked.back().text; }

  platform::ScriptedDialogs dialogs;
  platform::ScopedDialogs scripted;
  tools::ReminderEditor* editor = nullptr;
};

TEST_F(ReminderEditorTest, AddedRemindersAreListedAndFireInTheTimerCheck) {
  Enter("每天", "8", "30", "喝水");
  editor->AddButton()->click();
  Enter("2026-12-10", "8", "30", "交报告");
  editor->AddButton()->click();
  EXPECT_TRUE(dialogs.asked.empty()) << LastMessage().toStdString();
  ASSERT_EQ(editor->List()->rowCount(), 2);
  EXPECT_EQ(Cell(0, 0), "每天");
  EXPECT_EQ(Cell(0, 1), "08:30");
  EXPECT_EQ(Cell(1, 0), "2026-12-10");
  EXPECT_EQ(Cell(1, 3), "等待提醒");

  window.RunReminderPass();
  EXPECT_EQ(sounds, 2);
  EXPECT_EQ(window.ReminderWindow()->MarkLabel()->text(), "!");
  EXPECT_EQ(window.ReminderWindow()->TextLabel()->text(), "交报告");
  EXPECT_EQ(Cell(1, 3), "已提醒") << "the open editor follows the check";
}

TEST_F(ReminderEditorTest, BadInputIsRefusedWithAClearMessage) {
  const struct {
    const char *date, *hour, *minute, *text, *message;
  } cases[] = {{"明天", "8", "30", "x", "日期"},
               {"每天", "25", "30", "x", "小时"},
               {"每天", "8", "", "x", "分钟"},
               {"每天", "8", "30", " ", "内容"},
               {"2026-12-10", "8", "29", "x", "已经过去"}};
  for (const auto& entered : cases) {
    Enter(QString::fromUtf8(entered.date), entered.hour, entered.minute, entered.text);
    editor->AddButton()->click();
    EXPECT_TRUE(LastMessage().contains(QString::fromUtf8(entered.message)))
        << entered.date << " " << entered.hour << ":" << entered.minute << " → "
        << LastMessage().toStdString();
  }
  EXPECT_EQ(editor->List()->rowCount(), 0);
  editor->EditButton()->click();
  EXPECT_TRUE(LastMessage().contains("选择")) << "editing without a chosen row";
}

TEST_F(ReminderEditorTest, EditingAndDeletingWorkOnTheChosenRow) {
  Enter("每天", "8", "30", "old");
  editor->AddButton()->click();
  editor->List()->selectRow(0);
  EXPECT_EQ(editor->TextField()->text(), "old");
  EXPECT_EQ(editor->HourField()->text(), "8");
  Enter("2026-12-11", "9", "15", "new");
  editor->EditButton()->click();
  ASSERT_EQ(editor->List()->rowCount(), 1);
  EXPECT_EQ(Cell(0, 0), "2026-12-11");
  EXPECT_EQ(Cell(0, 2), "new");

  editor->List()->selectRow(0);
  dialogs.answers.push_back(platform::Answer::Cancel);
  editor->DeleteButton()->click();
  EXPECT_EQ(editor->List()->rowCount(), 1) << "the question was cancelled";
  dialogs.answers.push_back(platform::Answer::Ok);
  editor->DeleteButton()->click();
  EXPECT_EQ(editor->List()->rowCount(), 0);
}

}  // namespace
