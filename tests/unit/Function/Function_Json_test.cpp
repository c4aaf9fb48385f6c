#include <gtest/gtest.h>

#include <cmath>

#include "Function/Function_DataStructure.h"
#include "Function_FileTestFolder.h"

using namespace testcall;

namespace {

struct DigestTest : FileFolderTest {};

LIBRARY_CASE(DigestTest, FileDigests, "md5_file", "sha1_file") {
  Put(m_save + "abc.txt", "abc");
  EXPECT_EQ(Text("md5_file", {S("abc.txt")}), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Text("sha1_file", {S("abc.txt")}), "a9993e364706816aba3e25717850c26c9cd0d89d");
  Put(m_gameDir + "long.txt", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq");
  EXPECT_EQ(Text("md5_file", {S("long.txt")}), "8215ef0796a20bcaaae116d3876c664a");
  EXPECT_EQ(Text("sha1_file", {S("long.txt")}), "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
  Put(m_save + "empty.txt", "");
  EXPECT_EQ(Text("md5_file", {S("empty.txt")}), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Text("sha1_file", {S("empty.txt")}), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
  EXPECT_EQ(Text("sha1_file", {S("none.txt")}), "");
}

struct JsonTest : testcall::LibraryScope {
  void SetUp() {
    Prepare();
    DataStructures_FreeAll();
  }
  void TearDown() { DataStructures_FreeAll(); }
};

LIBRARY_CASE(JsonTest, DecodeBuildsMapsAndLists, "ds_list_find_value", "ds_list_size", "ds_map_add", "ds_map_create", "ds_map_exists", "ds_map_find_value", "json_decode", "json_encode") {
  double m = Real("json_decode", {S(R"({"a":1,"b":"x","c":[1,"two"],"d":{"e":true,"f":null}})")});
  ASSERT_GE(m, 0);
  EXPECT_EQ(Real("ds_map_find_value", {R(m), S("a")}), 1);
  EXPECT_EQ(Text("ds_map_find_value", {R(m), S("b")}), "x");
  double list = Real("ds_map_find_value", {R(m), S("c")});
  EXPECT_EQ(Real("ds_list_size", {R(list)}), 2);
  EXPECT_EQ(Text("ds_list_find_value", {R(list), R(1)}), "two");
  double inner = Real("ds_map_find_value", {R(m), S("d")});
  EXPECT_NE(inner, m);
  EXPECT_EQ(Real("ds_map_find_value", {R(inner), S("e")}), 1);
  EXPECT_EQ(Real("ds_map_exists", {R(inner), S("f")}), 1);

  double top = Real("json_decode", {S("[1,2,3]")});
  double wrapped = Real("ds_map_find_value", {R(top), S("default")});
  EXPECT_EQ(Real("ds_list_size", {R(wrapped)}), 3);
  EXPECT_EQ(Real("json_decode", {S("{not json")}), -1);
  EXPECT_EQ(Real("json_decode", {S(std::string(100000, '[').c_str())}), -1);
  EXPECT_FALSE(ErrorOccurred());
}

LIBRARY_CASE(JsonTest, EncodeWritesOneObject, "ds_map_add", "ds_map_create", "ds_map_find_value", "json_decode", "json_encode") {
  double m = Real("ds_map_create");
  Call("ds_map_add", {R(m), S("a"), R(1)});
  EXPECT_EQ(Text("json_encode", {R(m)}), R"({"a":1})");
  Call("ds_map_add", {R(m), S("b"), S("q\"")});
  Call("ds_map_add", {R(m), R(2), R(0.5)});
  double back = Real("json_decode", {Call("json_encode", {R(m)})});
  EXPECT_EQ(Real("ds_map_find_value", {R(back), S("a")}), 1);
  EXPECT_EQ(Text("ds_map_find_value", {R(back), S("b")}), "q\"");
  EXPECT_EQ(Real("ds_map_find_value", {R(back), S("2")}), 0.5);
  EXPECT_EQ(Text("json_encode", {R(99)}), "");
  EXPECT_TRUE(ErrorOccurred());
}

}  // namespace
