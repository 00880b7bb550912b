#include <gtest/gtest.h>

#include "app/common/file_error.h"
#include "app/common/gbk_string.h"
#include "app/shell/decimal_places.h"
#include "app/shell/menu_state.h"
#include "app/shell/settings.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_folder.h"

namespace torvanel {
namespace {

using tdb::TableType;
using test::ScriptedDialogs;
using test::TempFolder;

GlobalSettings readFrom(const QByteArray& bytes) {
  TempFolder dir;
  dir.write("setfile.tsm", bytes);
  GlobalSettings s;
  settings_file::read(dir.path(), s);
  return s;
}

TEST(SettingsFile, WritesFourCrLfLines) {
  TempFolder dir;
  GlobalSettings s;
  settings_file::write(dir.path(), s);
  EXPECT_EQ(dir.read("setfile.tsm"), "false\r\nfalse\r\ndbase\r\n100\r\n");
  s = {true, true, TableType::ttFoxPro, 1};
  settings_file::write(dir.path(), s);
  EXPECT_EQ(dir.read("setfile.tsm"), "true\r\ntrue\r\nfoxpro\r\n1\r\n");
  s.formulaDecimals = 1e12;
  settings_file::write(dir.path(), s);
  EXPECT_TRUE(dir.read("setfile.tsm").endsWith("\r\n1000000000000\r\n"));
}

TEST(SettingsFile, ReadsWhatItWrote) {
  TempFolder dir;
  const GlobalSettings written{true, false, TableType::ttFoxPro, 1000};
  settings_file::write(dir.path(), written);
  GlobalSettings read;
  settings_file::read(dir.path(), read);
  EXPECT_TRUE(read.useMemoryBuffer);
  EXPECT_FALSE(read.autoSaveOnExit);
  EXPECT_EQ(read.defaultDbfType, TableType::ttFoxPro);
  EXPECT_EQ(read.formulaDecimals, 1000);
}

TEST(SettingsFile, ComparisonsAreExactAndCaseSensitive) {
  GlobalSettings s = readFrom("TRUE\r\ntrue \r\nDBASE\r\n10\r\n");
  EXPECT_FALSE(s.useMemoryBuffer);  // capital letters read as false
  EXPECT_FALSE(s.autoSaveOnExit);   // so does a trailing blank
  EXPECT_EQ(s.defaultDbfType, TableType::ttFoxPro);
  EXPECT_EQ(s.formulaDecimals, 10);

  s = readFrom("true\ntrue\n\n1\n");  // LF only, empty line 3
  EXPECT_TRUE(s.useMemoryBuffer);
  EXPECT_TRUE(s.autoSaveOnExit);
  EXPECT_EQ(s.defaultDbfType, TableType::ttFoxPro);
  EXPECT_EQ(s.formulaDecimals, 1);

  EXPECT_EQ(readFrom("false\r\nfalse\r\ndbase\r\n100").defaultDbfType, TableType::ttDBase);
}

TEST(SettingsFile, BadLineFourKeepsTheLinesBeforeIt) {
  TempFolder dir;
  dir.write("setfile.tsm", "true\r\ntrue\r\nfoxpro\r\nabc\r\n");
  GlobalSettings s;
  try {
    settings_file::read(dir.path(), s);
    FAIL() << "no conversion error";
  } catch (const FileError& e) {
    EXPECT_TRUE(e.text().contains(QStringLiteral("abc")));
  }
  EXPECT_TRUE(s.useMemoryBuffer);
  EXPECT_TRUE(s.autoSaveOnExit);
  EXPECT_EQ(s.defaultDbfType, TableType::ttFoxPro);
  EXPECT_EQ(s.formulaDecimals, 100);

  // A file cut short has no number on line 4 either.
  dir.write("setfile.tsm", "true\r\n");
  EXPECT_THROW(settings_file::read(dir.path(), s), FileError);
  dir.write("setfile.tsm", "true\r\ntrue\r\nfoxpro\r\n12abc\r\n");
  EXPECT_THROW(settings_file::read(dir.path(), s), FileError);
}

TEST(SettingsFile, TheWholeBadLineIsShownWithItsControlBytesEscaped) {
  TempFolder dir;
  dir.write("setfile.tsm", QByteArray("true\r\ntrue\r\nfoxpro\r\n12\0ab\x01\tc d\x1f\x7f\r\n", 34));
  GlobalSettings s;
  try {
    settings_file::read(dir.path(), s);
    FAIL() << "no conversion error";
  } catch (const FileError& e) {
    EXPECT_EQ(e.text(),
              QStringLiteral("设置文件第4行[12\\x00ab\\x01\\x09c d\\x1F\\x7F]不是有效的数值"));
  }
}

TEST(SettingsFile, MissingFileChangesNothing) {
  TempFolder dir;
  GlobalSettings s{true, true, TableType::ttFoxPro, 1};
  settings_file::read(dir.path(), s);
  EXPECT_TRUE(s.useMemoryBuffer);
  EXPECT_EQ(s.formulaDecimals, 1);
}

TEST(DecimalPlaces, DerivedFromTheScaleText) {
  EXPECT_EQ(decimalPlaces(100), 2);
  EXPECT_EQ(decimalPlaces(1), 0);
  EXPECT_EQ(decimalPlaces(1e12), 12);
  for (int n = 0; n <= 12; ++n) EXPECT_EQ(decimalPlaces(scaleForPlaces(n)), n);
  EXPECT_EQ(decimalItemCaption(decimalPlaces(1)),
            QStringLiteral("设置公式计算时的小数位数 当前为0位(&D)"));
  EXPECT_EQ(decimalItemCaption(decimalPlaces(1e12)),
            QStringLiteral("设置公式计算时的小数位数 当前为12位(&D)"));
}

TEST(DecimalPlaces, AsksAgainUntilTheAnswerIsValid) {
  ScriptedDialogs d;
  d.inputAnswers = {QStringLiteral("13"), QStringLiteral("x"), std::nullopt, QStringLiteral("-1"),
                    QStringLiteral("4")};
  EXPECT_EQ(askDecimalPlaces(d, 2), 4);
  EXPECT_EQ(d.messages, (QStringList{QStringLiteral("小数位数超界，请重输!"),
                                     QStringLiteral("小数位数不是有效整数，请重输!"),
                                     QStringLiteral("小数位数不是有效整数，请重输!"),
                                     QStringLiteral("小数位数超界，请重输!")}));
  // Each box shows the previous answer; cancelling gives back what was shown ("x").
  const QString box = QStringLiteral("input: 设置公式计算时的小数位数: | 小数位数:0--12位 | ");
  EXPECT_EQ(d.shown[0], box + "2");
  EXPECT_EQ(d.shown[2], box + "13");
  EXPECT_EQ(d.shown[4], box + "x");
  EXPECT_EQ(d.shown[6], box + "x");
  EXPECT_EQ(d.shown[8], box + "-1");
}

TEST(DecimalPlaces, CancelOnAValidNumberKeepsIt) {
  ScriptedDialogs d;
  d.inputAnswers = {std::nullopt};
  EXPECT_EQ(askDecimalPlaces(d, 12), 12);
  EXPECT_TRUE(d.messages.isEmpty());
}

}  // namespace
}  // namespace torvanel
