#include "Support/Support_DataStructure.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A long list of reals in 100 groups: element i belongs to group (i * 37) mod 100 and carries
// `spread` times (i mod 3) on top of 10 times its group, so that the elements of a group are
// equal within the precision but still told apart.
struct Grouped {
  static constexpr int kCount = CDS_List::kInsertionSortLimit + 952;
  static double Value(int i, double spread) { return (i * 37 % 100) * 10.0 + (i % 3) * spread; }
  // The order the rules give: groups rising (falling), each group's elements in list order (in
  // reverse list order when falling).
  static std::vector<int> Expected(bool ascending) {
    std::vector<int> out;
    for (int g = 0; g < 100; ++g) {
      int group = ascending ? g : 99 - g;
      for (int k = 0; k < kCount; ++k) {
        int i = ascending ? k : kCount - 1 - k;
        if (i * 37 % 100 == group) out.push_back(i);
      }
    }
    return out;
  }
};

void CheckSort(double precision, double spread) {
  DS_SetPrecision(precision);
  for (bool ascending : {true, false}) {
    CDS_List l;
    for (int i = 0; i < Grouped::kCount; ++i) l.Add(RValue(Grouped::Value(i, spread)));
    l.Sort(ascending);
    std::vector<int> expected = Grouped::Expected(ascending);
    ASSERT_EQ(l.Size(), Grouped::kCount);
    for (int p = 0; p < l.Size(); ++p) {
      ASSERT_EQ(l.At(p)->real, Grouped::Value(expected[p], spread)) << ascending << " at " << p;
    }
  }
  DS_SetPrecision(1e-08);
}

TEST(DataStructureListTest, LongRealListsSortByTheRulesOrder) {
  // Within a group the values differ by 1e-12, far below the default precision.
  CheckSort(1e-08, 1e-12);
}

TEST(DataStructureListTest, LongRealListsSortWithTheSetPrecision) {
  // With a precision of 2, values 0.5 apart are equal; groups 10 apart are not.
  CheckSort(2, 0.5);
}

}  // namespace
