#include <gtest/gtest.h>

#include <QPrinter>

#include "platform/Dialogs.h"
#include "platform/ScriptedDialogs.h"

namespace {

using platform::Answer;
using platform::Buttons;

TEST(ScriptedDialogs, AnswersFromTheScriptThenAsIfClosed) {
  platform::ScriptedDialogs script;
  platform::ScopedDialogs use(&script);
  script.answers = {Answer::Ok, Answer::Yes};
  EXPECT_TRUE(platform::ConfirmOkCancel(nullptr, "确认删除", "确定要删除吗？"));
  EXPECT_TRUE(platform::ConfirmYesNo(nullptr, "请确认", "要继续添加吗？"));
  // The script is used up: a closed box.
  EXPECT_FALSE(platform::ConfirmOkCancel(nullptr, "t", "x"));
  EXPECT_FALSE(platform::ConfirmYesNo(nullptr, "t", "x"));
  EXPECT_EQ(platform::CurrentDialogs().Message(nullptr, "t", "x", Buttons::Ok), Answer::Ok);
  ASSERT_EQ(script.asked.size(), 5u);
  EXPECT_EQ(script.asked[0].title.toStdString(), "确认删除");
  EXPECT_EQ(script.asked[0].text.toStdString(), "确定要删除吗？");
  EXPECT_EQ(script.asked[0].buttons, Buttons::OkCancel);
  EXPECT_EQ(script.asked[1].buttons, Buttons::YesNo);
}

TEST(ScriptedDialogs, ChoosersRecordTheirQuestionAndCancelWhenUnscripted) {
  platform::ScriptedDialogs script;
  platform::ScopedDialogs use(&script);
  script.texts = {"/tmp/a.htm", "/tmp/x\n/tmp/y", "#ff0000"};
  platform::Dialogs& d = platform::CurrentDialogs();
  EXPECT_EQ(d.SaveFileName(nullptr, "另存为", "/home", "mail.htm", "*.htm"), "/tmp/a.htm");
  EXPECT_EQ(d.OpenFileNames(nullptr, "c", "/", "*"), (QStringList{"/tmp/x", "/tmp/y"}));
  EXPECT_EQ(d.ChooseColor(nullptr, Qt::black), QColor(Qt::red));
  EXPECT_TRUE(d.FolderName(nullptr, "选择保存路径:", "/").isEmpty());
  EXPECT_EQ(d.InputText(nullptr, "t", "label", "init"), std::nullopt);
  ASSERT_EQ(script.asked.size(), 5u);
  EXPECT_EQ(script.asked[0].kind, platform::ScriptedDialogs::Kind::SaveFile);
  EXPECT_EQ(script.asked[0].text, "mail.htm");
  EXPECT_EQ(script.asked[0].folder, "/home");
  EXPECT_EQ(script.asked[3].title.toStdString(), "选择保存路径:");
}

TEST(ScriptedDialogs, PrintDialogChoosesThePdfFileOfTheScript) {
  platform::ScriptedDialogs script;
  platform::ScopedDialogs use(&script);
  script.texts = {"/tmp/out.pdf"};
  QPrinter printer;
  ASSERT_TRUE(platform::CurrentDialogs().ChoosePrinter(nullptr, printer));
  EXPECT_EQ(printer.outputFormat(), QPrinter::PdfFormat);
  EXPECT_EQ(printer.outputFileName(), "/tmp/out.pdf");
  QPrinter other;
  EXPECT_FALSE(platform::CurrentDialogs().ChoosePrinter(nullptr, other));
  ASSERT_EQ(script.asked.size(), 2u);
  EXPECT_EQ(script.asked[1].kind, platform::ScriptedDialogs::Kind::Printer);
}

TEST(ScriptedDialogs, ScopeRestoresTheDialogsInstalledBefore) {
  platform::ScriptedDialogs outer;
  platform::ScopedDialogs useOuter(&outer);
  {
    platform::ScriptedDialogs inner;
    platform::ScopedDialogs useInner(&inner);
    EXPECT_EQ(&platform::CurrentDialogs(), &inner);
  }
  EXPECT_EQ(&platform::CurrentDialogs(), &outer);
}

}  // namespace
