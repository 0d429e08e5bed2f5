#include "store/JetSql.h"

#include <gtest/gtest.h>

namespace store {
namespace {

TEST(JetSql, DoubleQuotedLiteralsBecomeSingleQuoted) {
  EXPECT_EQ(TranslateJet("update Historys set\nbiaoqian= \" \"\nwhere ID =:k"),
            "update Historys set\nbiaoqian= ' '\nwhere ID =:k");
  EXPECT_EQ(TranslateJet("select * from MailSendBox where MessageKind=\"MailSendSucc\"  or "
                         "MessageKind=\"MailSendFail\" order by Receiver "),
            "select * from MailSendBox where MessageKind='MailSendSucc'  or "
            "MessageKind='MailSendFail' order by Receiver ");
  EXPECT_EQ(TranslateJet("select * from MailAcc where(not MailAccount=\"\")"),
            "select * from MailAcc where(not MailAccount='')");
}

TEST(JetSql, QuotesInsideLiteralsKeepTheirMeaning) {
  // A single quote inside a double-quoted literal is doubled; "" stands for one ".
  EXPECT_EQ(TranslateJet("x = \"it's\""), "x = 'it''s'");
  EXPECT_EQ(TranslateJet("x = \"say \"\"hi\"\"\""), "x = 'say \"hi\"'");
  // Single-quoted literals pass unchanged, with the double quotes and doubled quotes in them.
  EXPECT_EQ(TranslateJet("x = 'a \"b\" c''d' and y = \"e\""), "x = 'a \"b\" c''d' and y = 'e'");
  // An unterminated literal stays one literal instead of swallowing the statement's syntax.
  EXPECT_EQ(TranslateJet("x = \"abc"), "x = 'abc'");
}

TEST(JetSql, DeleteStarFromLosesTheStar) {
  EXPECT_EQ(TranslateJet("delete * from MailDelBox where ID=:k"),
            "delete from MailDelBox where ID=:k");
  EXPECT_EQ(TranslateJet("DELETE   *\n FROM  BianQianBox \nwhere ID =:k"),
            "DELETE FROM  BianQianBox \nwhere ID =:k");
  EXPECT_EQ(TranslateJet("Delete*from Kuaihuifu"), "Delete from Kuaihuifu");
  // Only the keyword outside literals and names is touched.
  EXPECT_EQ(TranslateJet("select * from t where a=\"delete * from x\""),
            "select * from t where a='delete * from x'");
  EXPECT_EQ(TranslateJet("select deleted * from_x"), "select deleted * from_x");
  EXPECT_EQ(TranslateJet("delete from Historys"), "delete from Historys");
}

TEST(JetSql, NamesAndParametersPassUnchanged) {
  const char* insert =
      "insert into MailAcc ([MailAccount],[Pass\"word])values(:MailAccount2,:Password2)";
  EXPECT_EQ(TranslateJet(insert), insert);
  EXPECT_EQ(TranslateJet("select * from  Historys \nwhere ID =:k"),
            "select * from  Historys \nwhere ID =:k");
  // Multi-byte text inside and outside literals is copied byte for byte.
  EXPECT_EQ(TranslateJet("select \"无主题\" from 表"), "select '无主题' from 表");
}

TEST(JetSql, NameToParameterMarksOnlyBareOccurrences) {
  EXPECT_EQ(
      NameToParameter("select * from MailAcc where(Mailaccount=Mailaccount1)", "mailaccount1"),
      "select * from MailAcc where(Mailaccount=:Mailaccount1)");
  EXPECT_EQ(NameToParameter("x=v1 and y=:v1 and z='v1' and [v1]=t.v1 and v12=1", "V1"),
            "x=:v1 and y=:v1 and z='v1' and [v1]=t.v1 and v12=1");
}

TEST(JetSql, QuoteTextDoublesInnerQuotes) {
  EXPECT_EQ(QuoteText("a@b.c"), "'a@b.c'");
  EXPECT_EQ(QuoteText("o'neil'"), "'o''neil'''");
  EXPECT_EQ(QuoteText(""), "''");
  EXPECT_EQ(QuoteText("\"x\""), "'\"x\"'");
}

}  // namespace
}  // namespace store
