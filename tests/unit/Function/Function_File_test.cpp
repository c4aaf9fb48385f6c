#include <gtest/gtest.h>

#include "DataFile/DataFile_Included.h"
#include "Function_FileTestFolder.h"

using namespace testcall;

namespace {

struct FileTest : FileFolderTest {};

LIBRARY_CASE(FileTest, MissingFilesNeverCrash, "file_attributes", "file_bin_open", "file_bin_write_byte", "file_copy", "file_delete", "file_exists", "file_read_string", "file_rename", "file_text_close", "file_text_eof", "file_text_open_read", "file_text_open_write", "file_text_read_string", "md5_file") {
  EXPECT_EQ(Real("file_text_open_read", {S("missing.txt")}), -1);
  EXPECT_EQ(Real("file_bin_open", {S("missing.bin"), R(0)}), -1);
  EXPECT_EQ(Real("file_text_open_read", {S("")}), -1);
  EXPECT_EQ(Real("file_text_open_write", {S("no/such/folder/x.txt")}), -1);
  EXPECT_EQ(Real("file_exists", {S("missing.txt")}), 0);
  EXPECT_EQ(Real("file_delete", {S("missing.txt")}), 0);
  EXPECT_EQ(Real("file_copy", {S("missing.txt"), S("copy.txt")}), 0);
  EXPECT_EQ(Real("file_rename", {S("missing.txt"), S("new.txt")}), 0);
  EXPECT_EQ(Real("file_attributes", {S("missing.txt"), R(0)}), 0);
  EXPECT_EQ(Text("md5_file", {S("missing.txt")}), "");
  EXPECT_FALSE(Exists(m_save + "copy.txt"));
  EXPECT_FALSE(ErrorOccurred());
  // Handles that name no open file are reported.
  EXPECT_EQ(Text("file_text_read_string", {R(-1)}), "");
  EXPECT_TRUE(ErrorOccurred());
  ResetErrorReporter();
  Call("file_text_close", {R(7)});
  Call("file_bin_write_byte", {R(40), R(1)});
  EXPECT_EQ(Real("file_text_eof", {R(3)}), 1);
  EXPECT_TRUE(ErrorOccurred());
  ResetErrorReporter();
  Call("file_read_string");
  EXPECT_TRUE(ErrorOccurred());
}

LIBRARY_CASE(FileTest, TextFilesWriteAtClosingAndReadBack, "file_text_close", "file_text_eof", "file_text_open_append", "file_text_open_read", "file_text_open_write", "file_text_read_real", "file_text_read_string", "file_text_readln", "file_text_write_real", "file_text_write_string", "file_text_writeln") {
  double f = Real("file_text_open_write", {S("out.txt")});
  ASSERT_GE(f, 1);
  Call("file_text_write_string", {R(f), S("hello")});
  Call("file_text_write_real", {R(f), R(1.5)});
  Call("file_text_writeln", {R(f)});
  Call("file_text_write_real", {R(f), R(-3)});
  Call("file_text_writeln", {R(f)});
  Call("file_text_write_string", {R(f), S("second")});
  EXPECT_FALSE(Exists(m_save + "out.txt"));
  Call("file_text_close", {R(f)});
  EXPECT_EQ(Get(m_save + "out.txt"), "hello 1.5\r\n-3\r\nsecond");

  double r = Real("file_text_open_read", {S("out.txt")});
  ASSERT_GE(r, 1);
  EXPECT_EQ(Text("file_text_read_string", {R(r)}), "hello 1.5");
  EXPECT_EQ(Real("file_text_eof", {R(r)}), 0);
  EXPECT_EQ(Text("file_text_readln", {R(r)}), "");
  EXPECT_EQ(Real("file_text_read_real", {R(r)}), -3);
  Call("file_text_readln", {R(r)});
  EXPECT_EQ(Text("file_text_read_string", {R(r)}), "second");
  EXPECT_EQ(Real("file_text_eof", {R(r)}), 1);
  // Writing to a file opened for reading is refused.
  Call("file_text_write_string", {R(r), S("x")});
  EXPECT_TRUE(ErrorOccurred());
  Call("file_text_close", {R(r)});

  double a = Real("file_text_open_append", {S("out.txt")});
  Call("file_text_writeln", {R(a)});
  Call("file_text_write_string", {R(a), S("third")});
  Call("file_text_close", {R(a)});
  EXPECT_EQ(Get(m_save + "out.txt"), "hello 1.5\r\n-3\r\nsecond\r\nthird");
}

LIBRARY_CASE(FileTest, ReadingNumbersAndLineEnds, "file_text_close", "file_text_eof", "file_text_open_read", "file_text_read_real", "file_text_readln") {
  Put(m_gameDir + "n.txt", "  12.5 7\n3\r\nlast\rend");
  double r = Real("file_text_open_read", {S("n.txt")});
  EXPECT_EQ(Real("file_text_read_real", {R(r)}), 12.5);
  EXPECT_EQ(Real("file_text_read_real", {R(r)}), 7);
  EXPECT_EQ(Real("file_text_read_real", {R(r)}), 3);
  Call("file_text_readln", {R(r)});
  EXPECT_EQ(Text("file_text_readln", {R(r)}), "last");
  EXPECT_EQ(Text("file_text_readln", {R(r)}), "end");
  EXPECT_EQ(Real("file_text_eof", {R(r)}), 1);
  EXPECT_EQ(Real("file_text_read_real", {R(r)}), 0);
  Call("file_text_close", {R(r)});
}

LIBRARY_CASE(FileTest, ReadsPreferTheSaveFolder, "file_exists", "file_text_close", "file_text_open_read", "file_text_read_string") {
  Put(m_gameDir + "p.txt", "game");
  EXPECT_EQ(Real("file_exists", {S("p.txt")}), 1);
  double r = Real("file_text_open_read", {S("p.txt")});
  EXPECT_EQ(Text("file_text_read_string", {R(r)}), "game");
  Call("file_text_close", {R(r)});
  Put(m_save + "p.txt", "saved");
  r = Real("file_text_open_read", {S("p.txt")});
  EXPECT_EQ(Text("file_text_read_string", {R(r)}), "saved");
  Call("file_text_close", {R(r)});
  // An absolute name is used as given.
  r = Real("file_text_open_read", {S((m_gameDir + "p.txt").c_str())});
  EXPECT_EQ(Text("file_text_read_string", {R(r)}), "game");
  Call("file_text_close", {R(r)});
}

LIBRARY_CASE(FileTest, BinaryFiles, "file_bin_close", "file_bin_open", "file_bin_position", "file_bin_read_byte", "file_bin_rewrite", "file_bin_seek", "file_bin_size", "file_bin_write_byte", "file_text_open_read") {
  double f = Real("file_bin_open", {S("b.bin"), R(1)});
  ASSERT_GE(f, 1);
  for (double b : {1.0, 2.0, 255.0, 256.0}) Call("file_bin_write_byte", {R(f), R(b)});
  EXPECT_EQ(Real("file_bin_size", {R(f)}), 4);
  EXPECT_EQ(Real("file_bin_position", {R(f)}), 4);
  Call("file_bin_close", {R(f)});
  EXPECT_EQ(Get(m_save + "b.bin"), std::string("\x01\x02\xFF\x00", 4));

  f = Real("file_bin_open", {S("b.bin"), R(2)});
  Call("file_bin_seek", {R(f), R(1)});
  EXPECT_EQ(Real("file_bin_read_byte", {R(f)}), 2);
  Call("file_bin_write_byte", {R(f), R(9)});  // over the third byte
  Call("file_bin_seek", {R(f), R(100)});
  EXPECT_EQ(Real("file_bin_position", {R(f)}), 4);
  EXPECT_EQ(Real("file_bin_read_byte", {R(f)}), 0);
  Call("file_bin_close", {R(f)});
  EXPECT_EQ(Get(m_save + "b.bin"), std::string("\x01\x02\x09\x00", 4));

  f = Real("file_bin_open", {S("b.bin"), R(2)});
  Call("file_bin_rewrite", {R(f)});
  Call("file_bin_write_byte", {R(f), R(65)});
  Call("file_bin_close", {R(f)});
  EXPECT_EQ(Get(m_save + "b.bin"), "A");
  // A text handle is not a binary handle.
  double t = Real("file_text_open_read", {S("b.bin")});
  Call("file_bin_read_byte", {R(t)});
  EXPECT_TRUE(ErrorOccurred());
}

LIBRARY_CASE(FileTest, LegacyFile, "file_close", "file_eof", "file_open_append", "file_open_read", "file_open_write", "file_read_real", "file_read_string", "file_readln", "file_write_real", "file_write_string", "file_writeln") {
  Call("file_open_write", {S("leg.txt")});
  Call("file_write_string", {S("a")});
  Call("file_write_real", {R(2)});
  Call("file_writeln");
  Call("file_write_string", {S("b")});
  Call("file_close");
  EXPECT_EQ(Get(m_save + "leg.txt"), "a 2\r\nb");
  Call("file_open_append", {S("leg.txt")});
  Call("file_write_string", {S("c")});
  Call("file_open_read", {S("leg.txt")});  // opening closes (and writes) the one before
  EXPECT_EQ(Text("file_read_string"), "a 2");
  Call("file_readln");
  EXPECT_EQ(Text("file_readln"), "bc");
  EXPECT_EQ(Real("file_eof"), 1);
  Call("file_close");
  EXPECT_FALSE(ErrorOccurred());
  Call("file_open_read", {S("missing.txt")});
  EXPECT_TRUE(ErrorOccurred());
  EXPECT_EQ(Real("file_read_real"), 0);
}

LIBRARY_CASE(FileTest, ManagingFilesAndFolders, "directory_create", "directory_exists", "file_attributes", "file_copy", "file_delete", "file_rename") {
  Put(m_save + "one.txt", "1");
  EXPECT_EQ(Real("file_copy", {S("one.txt"), S("two.txt")}), 1);
  EXPECT_EQ(Get(m_save + "two.txt"), "1");
  EXPECT_EQ(Real("file_rename", {S("two.txt"), S("one.txt")}), 0);  // the target exists
  EXPECT_EQ(Real("file_rename", {S("two.txt"), S("three.txt")}), 1);
  EXPECT_FALSE(Exists(m_save + "two.txt"));
  EXPECT_EQ(Real("file_delete", {S("three.txt")}), 1);
  EXPECT_FALSE(Exists(m_save + "three.txt"));
  EXPECT_EQ(Real("directory_exists", {S("sub/deeper")}), 0);
  EXPECT_EQ(Real("directory_create", {S("sub/deeper")}), 1);
  EXPECT_EQ(Real("directory_exists", {S("sub/deeper")}), 1);
  EXPECT_EQ(Real("file_attributes", {S("sub"), R(16)}), 1);
  EXPECT_EQ(Real("file_attributes", {S("one.txt"), R(16)}), 0);
  EXPECT_EQ(Real("file_attributes", {S("one.txt"), R(0)}), 1);
  EXPECT_EQ(Real("file_attributes", {S("one.txt"), R(32)}), 1);
}

LIBRARY_CASE(FileTest, FindingFiles, "file_find_close", "file_find_first", "file_find_next") {
  Put(m_save + "b.ini", "");
  Put(m_save + "a.ini", "");
  Put(m_gameDir + "c.ini", "");
  Put(m_gameDir + "a.ini", "");
  Put(m_save + ".hidden.ini", "");
  Put(m_save + "x.txt", "");
  std::filesystem::create_directories(m_save + "d.ini");
  EXPECT_EQ(Text("file_find_first", {S("*.ini"), R(0)}), "a.ini");
  EXPECT_EQ(Text("file_find_next"), "b.ini");
  EXPECT_EQ(Text("file_find_next"), "c.ini");
  EXPECT_EQ(Text("file_find_next"), "");
  Call("file_find_close");
  EXPECT_EQ(Text("file_find_next"), "");
  EXPECT_EQ(Text("file_find_first", {S("*.ini"), R(16 + 2)}), ".hidden.ini");
  EXPECT_EQ(Text("file_find_next"), "a.ini");
  EXPECT_EQ(Text("file_find_next"), "b.ini");
  EXPECT_EQ(Text("file_find_next"), "c.ini");
  EXPECT_EQ(Text("file_find_next"), "d.ini");
  EXPECT_EQ(Text("file_find_first", {S("*.none"), R(0)}), "");
}

LIBRARY_CASE(FileTest, FileNames, "filename_change_ext", "filename_dir", "filename_drive", "filename_ext", "filename_name", "filename_path") {
  EXPECT_EQ(Text("filename_name", {S("C:\\games\\x.txt")}), "x.txt");
  EXPECT_EQ(Text("filename_path", {S("C:\\games\\x.txt")}), "C:\\games\\");
  EXPECT_EQ(Text("filename_dir", {S("C:\\games\\x.txt")}), "C:\\games");
  EXPECT_EQ(Text("filename_drive", {S("C:\\games\\x.txt")}), "C:");
  EXPECT_EQ(Text("filename_drive", {S("/home/x.txt")}), "");
  EXPECT_EQ(Text("filename_ext", {S("/home/a.b/x.txt")}), ".txt");
  EXPECT_EQ(Text("filename_ext", {S("/home/a.b/x")}), "");
  EXPECT_EQ(Text("filename_name", {S("plain")}), "plain");
  EXPECT_EQ(Text("filename_path", {S("plain")}), "");
  EXPECT_EQ(Text("filename_change_ext", {S("a/b.c.txt"), S(".ini")}), "a/b.c.ini");
  EXPECT_EQ(Text("filename_change_ext", {S("a.d/b"), S(".ini")}), "a.d/b.ini");
}

LIBRARY_CASE(FileTest, IncludedFilesAndEnvironment, "discard_include_file", "environment_get_variable", "export_include_file", "export_include_file_location") {
  auto* file = new CDataFile;
  file->name = "notes.txt";
  file->loaded = true;
  file->data = {'h', 'i'};
  file->exportKind = CDataFile::kToFolder;
  file->exportFolder = m_root + "/exported";
  IncludedFiles().push_back(file);
  Call("export_include_file", {S("notes.txt")});
  EXPECT_EQ(Get(m_root + "/exported/notes.txt"), "hi");
  Call("export_include_file_location", {S("notes.txt"), S("copy.txt")});
  EXPECT_EQ(Get(m_save + "copy.txt"), "hi");
  Call("discard_include_file", {S("notes.txt")});
  EXPECT_FALSE(ErrorOccurred());
  Call("export_include_file_location", {S("notes.txt"), S("again.txt")});
  EXPECT_TRUE(ErrorOccurred());
  EXPECT_FALSE(Exists(m_save + "again.txt"));
  ResetErrorReporter();
  Call("export_include_file", {S("nothing.txt")});
  EXPECT_TRUE(ErrorOccurred());
  IncludedFiles().pop_back();
  delete file;

  setenv("TESSERA_LIBRARY_TEST", "value", 1);
  EXPECT_EQ(Text("environment_get_variable", {S("TESSERA_LIBRARY_TEST")}), "value");
  unsetenv("TESSERA_LIBRARY_TEST");
  EXPECT_EQ(Text("environment_get_variable", {S("TESSERA_LIBRARY_TEST")}), "");
}

LIBRARY_CASE(FileTest, OpenFilesAreWrittenAtGameEnd, "file_text_open_write", "file_text_write_string") {
  double f = Real("file_text_open_write", {S("end.txt")});
  Call("file_text_write_string", {R(f), S("kept")});
  Function_CloseAllFiles();
  EXPECT_EQ(Get(m_save + "end.txt"), "kept");
}

}  // namespace
