#include <gtest/gtest.h>

#include "Function_FileTestFolder.h"

using namespace testcall;

namespace {

struct IniTest : FileFolderTest {};

const char* kSample =
    "junk before the first section\n"
    "[A]\n"
    "k \t=  v ; comment\n"
    "empty=\n"
    "next=1\n"
    "[B]\n"
    "x=2\n";

LIBRARY_CASE(IniTest, ReadsEntriesByTheRules, "ini_close", "ini_key_exists", "ini_open", "ini_read_real", "ini_read_string", "ini_section_exists") {
  Put(m_gameDir + "t.ini", kSample);
  Call("ini_open", {S("t.ini")});
  EXPECT_EQ(Text("ini_read_string", {S("A"), S("k"), S("d")}), "v");
  EXPECT_EQ(Real("ini_key_exists", {S("A"), S("empty")}), 0);  // dropped: the next line holds text
  EXPECT_EQ(Text("ini_read_string", {S("A"), S("next"), S("d")}), "1");
  EXPECT_EQ(Real("ini_read_real", {S("B"), S("x"), R(0)}), 2);
  EXPECT_EQ(Real("ini_read_real", {S("B"), S("missing"), R(3)}), 3);
  EXPECT_EQ(Real("ini_read_real", {S("B"), S("missing"), S("4.5")}), 4.5);
  EXPECT_EQ(Real("ini_read_real", {S("B"), S("missing"), S("")}), 0);
  EXPECT_EQ(Text("ini_read_string", {S("Z"), S("k"), S("dflt")}), "dflt");
  EXPECT_EQ(Text("ini_read_string", {S("a"), S("k"), S("dflt")}), "dflt");  // names are case-sensitive
  EXPECT_EQ(Real("ini_read_string", {S("Z"), S("k"), R(7)}), 7);           // the default as it is
  EXPECT_EQ(Real("ini_section_exists", {S("B")}), 1);
  EXPECT_EQ(Real("ini_section_exists", {S("C")}), 0);
  Call("ini_close");
  // Nothing changed: nothing is written.
  EXPECT_FALSE(Exists(m_save + "t.ini"));
  EXPECT_FALSE(ErrorOccurred());
}

LIBRARY_CASE(IniTest, WritesAtOnceInReverseOrderWithNewestFirst, "ini_close", "ini_open", "ini_read_real", "ini_write_real", "ini_write_string") {
  Put(m_gameDir + "t.ini", kSample);
  Call("ini_open", {S("t.ini")});
  Call("ini_write_string", {S("C"), S("k"), S("v")});
  EXPECT_EQ(Get(m_save + "t.ini"),
            "[C]\r\nk=v\r\n[B]\r\nx=2\r\n[A]\r\nnext=1\r\nk=v\r\n");
  Call("ini_write_real", {S("B"), S("r"), R(1.5)});
  EXPECT_EQ(Get(m_save + "t.ini"),
            "[C]\r\nk=v\r\n[B]\r\nr=1.500000\r\nx=2\r\n[A]\r\nnext=1\r\nk=v\r\n");
  Call("ini_close");
  // The save folder's copy is now the one read.
  Call("ini_open", {S("t.ini")});
  EXPECT_EQ(Real("ini_read_real", {S("B"), S("r"), R(0)}), 1.5);
  Call("ini_close");
  EXPECT_EQ(Get(m_gameDir + "t.ini"), kSample);
}

LIBRARY_CASE(IniTest, DeletionsAndTheFlushCommand, "ini_key_delete", "ini_open", "ini_section_delete", "ini_section_exists", "ini_write_string") {
  Call("ini_open", {S("d.ini")});
  Call("ini_write_string", {S("S"), S("a"), S("1")});
  Call("ini_write_string", {S("S"), S("b"), S("2")});
  Call("ini_write_string", {S("T"), S("c"), S("3")});
  Call("ini_key_delete", {S("S"), S("a")});
  EXPECT_EQ(Get(m_save + "d.ini"), "[T]\r\nc=3\r\n[S]\r\nb=2\r\n");
  Call("ini_section_delete", {S("T")});
  EXPECT_EQ(Get(m_save + "d.ini"), "[T]\r\nc=3\r\n[S]\r\nb=2\r\n");  // written at closing
  Call("ini_write_string", {S("SYSTEM_COMMAND"), S("INI_FILE_FLUSH"), S("NOW")});
  EXPECT_EQ(Get(m_save + "d.ini"), "[S]\r\nb=2\r\n");
  EXPECT_EQ(Real("ini_section_exists", {S("SYSTEM_COMMAND")}), 0);
  // Opening another file closes this one.
  Call("ini_section_delete", {S("S")});
  Call("ini_open", {S("other.ini")});
  EXPECT_EQ(Get(m_save + "d.ini"), "");
  EXPECT_FALSE(Exists(m_save + "other.ini"));
  EXPECT_FALSE(ErrorOccurred());
}

LIBRARY_CASE(IniTest, LineBreaksCannotSplitAnEntry, "ini_close", "ini_open", "ini_section_exists", "ini_write_string") {
  Call("ini_open", {S("n.ini")});
  Call("ini_write_string", {S("S"), S("k"), S("one\r\n[X]\r\ntwo")});
  Call("ini_close");
  EXPECT_EQ(Get(m_save + "n.ini"), "[S]\r\nk=one  [X]  two\r\n");
  Call("ini_open", {S("n.ini")});
  EXPECT_EQ(Real("ini_section_exists", {S("X")}), 0);
}

LIBRARY_CASE(IniTest, ErrorsWithoutAnOpenFileAndWrongTypes, "ini_key_delete", "ini_open", "ini_read_string", "ini_section_delete", "ini_write_real", "ini_write_string") {
  EXPECT_EQ(Text("ini_read_string", {S("S"), S("k"), S("d")}), "d");
  EXPECT_NE(std::string(LastErrorText()).find("Trying to read from undefined INI file"), std::string::npos);
  ResetErrorReporter();
  Call("ini_write_string", {S("S"), S("k"), S("v")});
  EXPECT_NE(std::string(LastErrorText()).find("Trying to read from undefined INI file"), std::string::npos);
  ResetErrorReporter();
  Call("ini_key_delete", {S("S"), S("k")});
  EXPECT_NE(std::string(LastErrorText()).find("Trying to change undefined INI file"), std::string::npos);
  ResetErrorReporter();
  Call("ini_section_delete", {S("S")});
  EXPECT_NE(std::string(LastErrorText()).find("Trying to change undefined INI file"), std::string::npos);
  ResetErrorReporter();
  Call("ini_open", {S("w.ini")});
  Call("ini_write_real", {S("S"), S("k"), S("text")});
  EXPECT_NE(std::string(LastErrorText()).find("Wrong argument types for ini_write_real"), std::string::npos);
  EXPECT_FALSE(Exists(m_save + "w.ini"));
}

LIBRARY_CASE(IniTest, AFailedWriteKeepsTheOldFile, "ini_close", "ini_open", "ini_write_string") {
  // A file name that is a folder cannot be replaced: the report comes and nothing breaks.
  std::filesystem::create_directories(m_save + "dir.ini");
  Call("ini_open", {S("dir.ini")});
  const int64_t before = ErrorReportCount();
  Call("ini_write_string", {S("S"), S("k"), S("v")});
  EXPECT_TRUE(ErrorOccurred());
  EXPECT_NE(std::string(LastErrorText()).find("Cannot write INI file dir.ini"), std::string::npos);
  // Every later attempt of this opening fails as well, and is not reported again.
  Call("ini_write_string", {S("S"), S("k2"), S("v2")});
  Call("ini_close");
  EXPECT_EQ(ErrorReportCount(), before + 1);
  EXPECT_TRUE(std::filesystem::is_directory(m_save + "dir.ini"));

  // A name so long that no temporary file fits beside it: the write fails, the file stays as it was.
  const std::string longName = std::string(246, 'n') + ".ini";
  Put(m_save + longName, "[S]\r\nk=old\r\n");
  Call("ini_open", {S(longName.c_str())});
  Call("ini_write_string", {S("S"), S("k"), S("new")});
  EXPECT_EQ(ErrorReportCount(), before + 2);
  Call("ini_close");
  EXPECT_EQ(ErrorReportCount(), before + 2);
  EXPECT_EQ(Get(m_save + longName), "[S]\r\nk=old\r\n");
}

}  // namespace
