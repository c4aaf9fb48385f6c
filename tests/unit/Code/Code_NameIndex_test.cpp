#include "Code/Code_NameIndex.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_Names;
const char* NameOf(int position) { return g_Names[static_cast<size_t>(position)].c_str(); }

TEST(NameIndex, FirstOrLatestWinsAcrossGrowth) {
  g_Names.clear();
  for (int i = 0; i < 1000; ++i) g_Names.push_back("name" + std::to_string(i % 400));
  CNameIndex first(NameOf, false);
  CNameIndex latest(NameOf, false);
  for (int i = 0; i < 1000; ++i) {
    first.Add(i, false);
    latest.Add(i, true);
  }
  // "name7" sits at 7, 407 and 807.
  EXPECT_EQ(first.Find("name7"), 7);
  EXPECT_EQ(latest.Find("name7"), 807);
  // "name399" sits at 399 and 799.
  EXPECT_EQ(first.Find("name399"), 399);
  EXPECT_EQ(latest.Find("name399"), 799);
  EXPECT_EQ(first.Find("name400"), -1);
  EXPECT_EQ(first.Find("Name7"), -1);
  EXPECT_EQ(first.Find(nullptr), -1);
  first.Clear();
  EXPECT_EQ(first.Find("name7"), -1);
}

TEST(NameIndex, IgnoringCase) {
  g_Names = {"Alpha", "ALPHA", "beta"};
  CNameIndex index(NameOf, true);
  for (int i = 0; i < 3; ++i) index.Add(i, true);
  EXPECT_EQ(index.Find("alpha"), 1);
  EXPECT_EQ(index.Find("BETA"), 2);
  EXPECT_EQ(index.Find("alph"), -1);
}

}  // namespace
