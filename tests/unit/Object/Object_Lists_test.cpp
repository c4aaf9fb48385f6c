// The object lists keep the order instances joined them through many creations, removals,
// deactivations and changes of object, for an object's own list and its parent's list alike.
#include <algorithm>

#include "Run/WorldTestSupport.h"

namespace {

class ObjectListsTest : public WorldTest {};

void Erase(std::vector<CInstance*>& list, CInstance* i) { list.erase(std::find(list.begin(), list.end(), i)); }

TEST_F(ObjectListsTest, OrderSurvivesManyCreationsAndRemovals) {
  AddObject(0, "parent");
  AddObject(1, "a", 0);
  AddObject(2, "b", 0);
  // Joining order: 300 instances alternating a and b.
  std::vector<CInstance*> own[3], withChildren[3];
  for (int n = 0; n < 300; ++n) {
    CInstance* i = World_CreateInstance(0, 0, 1 + n % 2);
    own[1 + n % 2].push_back(i);
    withChildren[1 + n % 2].push_back(i);
    withChildren[0].push_back(i);
  }
  // Every third is freed (more than half of a's list: the unread parent list closes up by itself).
  std::vector<CInstance*> freed;
  for (size_t k = 0; k < withChildren[0].size(); k += 3) freed.push_back(withChildren[0][k]);
  for (CInstance* i : freed) {
    i->marked = true;
    Erase(own[i->object_index], i);
    Erase(withChildren[i->object_index], i);
    Erase(withChildren[0], i);
  }
  World_RemoveMarked();
  EXPECT_EQ(Object_Find(1)->instances.size(), own[1].size());
  EXPECT_EQ(Object_Find(1)->instances, own[1]);
  EXPECT_EQ(Object_Find(2)->instancesRecursive, withChildren[2]);
  EXPECT_EQ(Object_Find(0)->instancesRecursive, withChildren[0]);

  // A deactivated instance leaves; when activated again it joins at the end.
  CInstance* sleeper = own[1][4];
  Call("instance_deactivate_object", nullptr, {RValue(double(sleeper->id))});
  World_UpdateActive();
  Erase(own[1], sleeper);
  Erase(withChildren[1], sleeper);
  Erase(withChildren[0], sleeper);
  EXPECT_EQ(Object_Find(1)->instances, own[1]);
  Call("instance_activate_object", nullptr, {RValue(1.0)});
  World_UpdateActive();
  own[1].push_back(sleeper);
  withChildren[1].push_back(sleeper);
  withChildren[0].push_back(sleeper);

  // instance_change moves the instance to the end of its new object's lists.
  CInstance* changed = own[2][0];
  World_Change(changed, 1, false);
  Erase(own[2], changed);
  Erase(withChildren[2], changed);
  Erase(withChildren[0], changed);
  own[1].push_back(changed);
  withChildren[1].push_back(changed);
  withChildren[0].push_back(changed);

  // New instances join after all of that.
  CInstance* late = World_CreateInstance(0, 0, 2);
  own[2].push_back(late);
  withChildren[2].push_back(late);
  withChildren[0].push_back(late);

  for (int o = 0; o < 3; ++o) {
    EXPECT_EQ(Object_Find(o)->instances, own[o]) << "object " << o;
    EXPECT_EQ(Object_Find(o)->instancesRecursive, withChildren[o]) << "object " << o;
  }
  EXPECT_EQ(Call("instance_number", nullptr, {RValue(0.0)}).real, double(withChildren[0].size()));
  // The first instance of the parent is the earliest joined that is left.
  EXPECT_EQ(Call("instance_find", nullptr, {RValue(0.0), RValue(0.0)}).real, withChildren[0][0]->id);
}

TEST_F(ObjectListsTest, LinkingTwiceOrUnlinkingTwiceChangesNothing) {
  AddObject(0, "o");
  CInstance* a = World_CreateInstance(0, 0, 0);
  CInstance* b = World_CreateInstance(0, 0, 0);
  Object_LinkInstance(a);
  EXPECT_EQ(Object_Find(0)->instances, (std::vector<CInstance*>{a, b}));
  Object_UnlinkInstance(a);
  Object_UnlinkInstance(a);
  EXPECT_EQ(Object_Find(0)->instances, (std::vector<CInstance*>{b}));
  Object_LinkInstance(a);
  EXPECT_EQ(Object_Find(0)->instances, (std::vector<CInstance*>{b, a}));
}

}  // namespace
