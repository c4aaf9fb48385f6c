#include <gtest/gtest.h>

#include "Base/Base_IniFile.h"

TEST(IniFile, ParsingRules) {
  const IniFile ini = IniFile::Parse(
      "ignored=1\n"
      "[A]\n"
      "k   =   v ; comment\n"
      "empty=\n"
      "next=text\n"
      "# a comment line\n"
      "tab=\tx y\t\r\n"
      "[B C]\n"
      "q=1#inline\n");
  EXPECT_FALSE(ini.KeyExists("A", "ignored"));
  ASSERT_NE(ini.Find("A", "k"), nullptr);
  EXPECT_EQ(*ini.Find("A", "k"), "v");
  EXPECT_FALSE(ini.KeyExists("A", "empty"));  // nothing after '=' on its line: dropped
  EXPECT_EQ(*ini.Find("A", "next"), "text");
  EXPECT_EQ(*ini.Find("A", "tab"), "x y");
  EXPECT_EQ(*ini.Find("B C", "q"), "1");
  EXPECT_FALSE(ini.KeyExists("a", "k"));      // names are case-sensitive
}

TEST(IniFile, NewestFirstSoARoundTripReverses) {
  IniFile ini = IniFile::Parse("[A]\nx=1\ny=2\n[B]\nz=3\n");
  EXPECT_EQ(ini.ToText(), "[B]\r\nz=3\r\n[A]\r\ny=2\r\nx=1\r\n");
  ini.Set("A", "w", "4");  // an added entry goes first in its section
  ini.Set("C", "v", "5");
  EXPECT_EQ(ini.ToText(), "[C]\r\nv=5\r\n[B]\r\nz=3\r\n[A]\r\nw=4\r\ny=2\r\nx=1\r\n");
  EXPECT_TRUE(ini.DeleteKey("A", "y"));
  EXPECT_TRUE(ini.DeleteSection("B"));
  EXPECT_FALSE(ini.DeleteSection("B"));
  EXPECT_EQ(ini.ToText(), "[C]\r\nv=5\r\n[A]\r\nw=4\r\nx=1\r\n");
}

TEST(IniFile, TextWithoutASectionHasNoSections) {
  EXPECT_TRUE(IniFile::Parse("a=1\nb=2\n").sections().empty());
  EXPECT_TRUE(IniFile::Parse("").sections().empty());
  EXPECT_TRUE(IniFile::Parse("[unclosed").sections().size() == 1);
}
