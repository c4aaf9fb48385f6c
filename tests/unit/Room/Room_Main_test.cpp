#include "Run/WorldTestSupport.h"

namespace {

class RoomTest : public WorldTest {
 protected:
  // A placed instance of `object` with id `id` in room definition `room`.
  static void Place(CRoom* room, int32_t object, int32_t id, int32_t x = 0, int32_t y = 0, const char* code = nullptr) {
    CRoomInstance inst;
    inst.objectIndex = object;
    inst.id = id;
    inst.x = x;
    inst.y = y;
    if (code != nullptr) {
      inst.code.reset(Code_CompileText("test_instance", code));
      ASSERT_NE(inst.code, nullptr) << CompileErrorText();
    }
    room->instances.push_back(inst);
  }
  static void RoomCode(CRoom* room, const char* code) {
    room->code.reset(Code_CompileText("test_room", code));
    ASSERT_NE(room->code, nullptr) << CompileErrorText();
  }
  void Start() {
    Event_BuildLists();
    Room_ResetStates();
    Room_EnterFirst();
  }
};

TEST_F(RoomTest, EnteringRunsCreationInTheChosenOrderThenGameAndRoomStart) {
  AddObject(0, "o");
  On(0, EV_CREATE, 0, "global.log += \"c\"");
  On(0, EV_OTHER, EV_GAME_START, "global.log += \"g\"");
  On(0, EV_OTHER, EV_ROOM_START, "global.log += \"s\"");
  CRoom* room = AddRoom(0, "first");
  Place(room, 0, 100001, 0, 0, "global.log += \"i\"");
  RoomCode(room, "global.log += \"r\"");
  SetGlobal("log", RValue(""));
  Start();
  // Instance code before the create event (option off), game start, room code, room start.
  EXPECT_EQ(GlobalText("log"), "icgrs");
  CInstance* i = World_Find(100001);
  ASSERT_NE(i, nullptr);
  EXPECT_TRUE(i->created);

  // With the option on, the create event comes first.
  g_Options.createEventFirst = true;
  SetGlobal("log", RValue(""));
  Room_Leave(false);
  Room_Enter(0, false);
  EXPECT_EQ(GlobalText("log"), "cirs");
}

TEST_F(RoomTest, PersistentInstancesTravelWithoutASecondCreateEvent) {
  AddObject(0, "player");
  Object_Find(0)->SetFlag(4, true);
  On(0, EV_CREATE, 0, "global.creates += 1");
  On(0, EV_OTHER, EV_ROOM_START, "global.starts += 1");
  CRoom* first = AddRoom(0, "first");
  AddRoom(1, "second");
  Place(first, 0, 100001, 32, 48);
  SetGlobal("creates", RValue(0.0));
  SetGlobal("starts", RValue(0.0));
  Start();
  CInstance* p = World_Find(100001);
  ASSERT_NE(p, nullptr);
  SetVar(p, "hp", 3);
  p->SetHspeed(2);
  Room_ChangeTo(1);
  EXPECT_EQ(GlobalReal("creates"), 1);
  EXPECT_EQ(GlobalReal("starts"), 2);
  CInstance* q = World_Find(100001);
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(World_Active().count, 1);
  EXPECT_EQ(q->x, 32);
  EXPECT_EQ(q->hspeed, 2);
  EXPECT_EQ(Var(q, "hp"), 3);
  EXPECT_FALSE(q->carried_over);
  EXPECT_EQ(Object_Find(0)->instances, (std::vector<CInstance*>{q}));
  // The first room was not persistent: its state is gone.
  EXPECT_EQ(Room_State(0), nullptr);
}

TEST_F(RoomTest, ReturningToAPersistentRoomRestoresItAsItWasLeft) {
  AddObject(0, "thing");
  On(0, EV_CREATE, 0, "global.creates += 1");
  On(0, EV_OTHER, EV_ROOM_START, "global.starts += 1");
  CRoom* first = AddRoom(0, "first");
  first->persistent = true;
  AddRoom(1, "second");
  Place(first, 0, 100001, 5, 5);
  RoomCode(first, "global.roomcode += 1");
  SetGlobal("creates", RValue(0.0));
  SetGlobal("starts", RValue(0.0));
  SetGlobal("roomcode", RValue(0.0));
  Start();
  CInstance* i = World_Find(100001);
  ASSERT_NE(i, nullptr);
  i->SetPosition(70, 80);
  SetVar(i, "mark", 11);
  Room_ChangeTo(1);
  // Frozen: neither the id table nor the object lists see it while another room plays.
  EXPECT_EQ(World_Find(100001), nullptr);
  EXPECT_TRUE(Object_Find(0)->instances.empty());
  Room_ChangeTo(0);
  CInstance* back = World_Find(100001);
  EXPECT_EQ(back, i);
  EXPECT_EQ(back->x, 70);
  EXPECT_EQ(Var(back, "mark"), 11);
  EXPECT_EQ(GlobalReal("creates"), 1);
  EXPECT_EQ(GlobalReal("roomcode"), 1);
  EXPECT_EQ(GlobalReal("starts"), 2);
}

TEST_F(RoomTest, ACarriedInstanceReplacesTheStateOfItsIdInAPersistentRoom) {
  AddObject(0, "hero");
  CRoom* first = AddRoom(0, "first");
  first->persistent = true;
  AddRoom(1, "second");
  Place(first, 0, 100001, 1, 1);
  Start();
  Room_ChangeTo(1);
  // In the second room the instance of the same id is made persistent and moved.
  CInstance* other = World_CreateInstance(0, 0, 0);
  World_ChangeId(other, 100001);
  other->persistent = true;
  other->SetPosition(99, 98);
  Room_ChangeTo(0);
  EXPECT_EQ(World_Active().count, 1);
  CInstance* i = World_Find(100001);
  ASSERT_NE(i, nullptr);
  EXPECT_EQ(i->x, 99);
}

TEST_F(RoomTest, RoomGotoInACreateEventStopsFurtherEventsButNotCreationCode) {
  AddObject(0, "jumper");
  On(0, EV_CREATE, 0, "global.creates += 1; room_goto(1);");
  On(0, EV_OTHER, EV_GAME_START, "global.games += 1");
  On(0, EV_OTHER, EV_ROOM_START, "global.starts += 1");
  CRoom* first = AddRoom(0, "first");
  AddRoom(1, "second");
  g_Options.createEventFirst = true;
  Place(first, 0, 100001, 0, 0, "global.codes += 1");
  Place(first, 0, 100002, 0, 0, "global.codes += 1");
  RoomCode(first, "global.roomcode += 1");
  for (const char* name : {"creates", "games", "starts", "codes", "roomcode"}) SetGlobal(name, RValue(0.0));
  Start();
  EXPECT_EQ(GlobalReal("creates"), 1);
  EXPECT_EQ(GlobalReal("codes"), 2);
  EXPECT_EQ(GlobalReal("roomcode"), 1);
  EXPECT_EQ(GlobalReal("games"), 0);
  EXPECT_EQ(GlobalReal("starts"), 0);
  EXPECT_EQ(g_RunState.newRoom, 1);
}

TEST_F(RoomTest, RoomOrderAndChangeErrors) {
  AddRoom(2, "a");
  AddRoom(0, "b");
  AddRoom(1, "c");
  EXPECT_EQ(Room_Next(2), 0);
  EXPECT_EQ(Room_Next(1), -1);
  EXPECT_EQ(Room_Previous(2), -1);
  EXPECT_EQ(Room_Previous(1), 0);
  EXPECT_EQ(Room_Next(7), -1);
  EXPECT_STREQ(Room_Name(1), "c");
  EXPECT_STREQ(Room_Name(9), "<undefined>");
  Start();
  EXPECT_EQ(Room_CurrentIndex(), 2);
  Room_GotoPrevious();
  EXPECT_EQ(LastMessage(), "Moving to previous room before the first room.");
  EXPECT_EQ(g_RunState.newRoom, kRequestEndAfterError);
  g_RunState.newRoom = kNoRequest;
  Room_Goto(12);
  EXPECT_EQ(LastMessage(), "Unexisting room number: 12");
  EXPECT_EQ(g_RunState.newRoom, kRequestEndAfterError);
  g_RunState.newRoom = kNoRequest;
  Room_GotoNext();
  EXPECT_EQ(g_RunState.newRoom, 0);
}

TEST_F(RoomTest, ViewsFollowWithBordersClampingAndSpeedLimits) {
  AddObject(0, "target");
  CRoom* room = AddRoom(0, "wide", 2000, 1000);
  room->viewsEnabled = true;
  CView& v = room->views[0];
  v.visible = true;
  v.wview = 640;
  v.hview = 480;
  v.hborder = 0;
  v.vborder = 0;
  v.object = 0;
  Place(room, 0, 100001, 1000, 100);
  Start();
  CView& view = Room_Current()->views[0];
  // Past the right edge with no border: the view's right side meets the instance.
  EXPECT_EQ(view.xview, 360);
  EXPECT_EQ(view.yview, 0);
  // With a border of 32 the target 1990 + 32 - 640 = 1382 is clamped to the room's right edge.
  view.hborder = 32;
  World_Find(100001)->SetPosition(1990, 100);
  Room_FollowViews();
  EXPECT_EQ(view.xview, 2000 - 640);
  // A border too large for the view centres the instance (target 1000 - 320); the speed limit
  // moves it only 10 per update.
  view.hborder = 400;
  view.hspeed = 10;
  World_Find(100001)->SetPosition(1000, 100);
  Room_FollowViews();
  EXPECT_EQ(view.xview, 1360 - 10);
  // Without an instance to follow the view stays where it is.
  view.object = 5;
  Room_FollowViews();
  EXPECT_EQ(view.xview, 1350);
}

TEST_F(RoomTest, WindowSizeFromViews) {
  CRoom room;
  room.width = 1000;
  room.height = 700;
  int32_t w = 0, h = 0;
  Room_WindowSize(room, 800, 600, &w, &h);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);
  room.viewsEnabled = true;
  Room_WindowSize(room, 800, 600, &w, &h);
  EXPECT_EQ(w, 8);
  EXPECT_EQ(h, 8);
  room.views[1].visible = true;
  room.views[1].xport = 100;
  room.views[1].wport = 320;
  room.views[1].yport = 20;
  room.views[1].hport = 240;
  Room_WindowSize(room, 800, 600, &w, &h);
  EXPECT_EQ(w, 420);
  EXPECT_EQ(h, 260);
}

TEST_F(RoomTest, RoomStateSaveFormRoundTrip) {
  AddObject(0, "o");
  CRoom* room = AddRoom(0, "saved");
  room->caption = "Level";
  room->backgrounds[2].hspeed = 1.5f;
  room->views[3].object = 100001;
  Place(room, 0, 100001, 4, 5);
  Start();
  CTile tile;
  tile.id = 7;
  tile.depth = 1000;
  Room_Current()->tiles.push_back(tile);
  CStream stream;
  Room_SaveState(&stream, Room_Current());
  stream.Seek(0, CStream::SEEK_FROM_START);
  EXPECT_EQ(stream.ReadInteger(), 540);
  stream.Seek(0, CStream::SEEK_FROM_START);
  CRoom* loaded = Room_LoadState(&stream);
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->caption, "Level");
  EXPECT_EQ(loaded->backgrounds[2].hspeed, 1.5f);
  EXPECT_EQ(loaded->views[3].object, 100001);
  ASSERT_EQ(loaded->active.count, 1);
  EXPECT_EQ(loaded->active.head->x, 4);
  ASSERT_EQ(loaded->tiles.size(), 1u);
  EXPECT_EQ(loaded->tiles[0].depth, 1000);
  Room_SetState(5, loaded);

  CStream bad;
  bad.WriteInteger(539);
  bad.Seek(0, CStream::SEEK_FROM_START);
  EXPECT_EQ(Room_LoadState(&bad), nullptr);
}

TEST_F(RoomTest, BackgroundsScrollAndRunTimeEditsReachTheNextEntry) {
  AddObject(0, "o");
  CRoom* room = AddRoom(0, "edit");
  room->backgrounds[0].hspeed = 2;
  room->backgrounds[0].vspeed = -1;
  Start();
  Room_ScrollBackgrounds();
  Room_ScrollBackgrounds();
  EXPECT_EQ(Room_Current()->backgrounds[0].x, 4);
  EXPECT_EQ(Room_Current()->backgrounds[0].y, -2);
  // An instance added to the definition appears the next time the room is built.
  const double id = Call("room_instance_add", nullptr, {RValue(0.0), RValue(10.0), RValue(20.0), RValue(0.0)}).real;
  EXPECT_EQ(World_Find(int32_t(id)), nullptr);
  Room_ChangeTo(0);
  CInstance* added = World_Find(int32_t(id));
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->y, 20);
  EXPECT_EQ(Call("room_duplicate", nullptr, {RValue(9.0)}).real, -1);
  const double copy = Call("room_duplicate", nullptr, {RValue(0.0)}).real;
  EXPECT_EQ(copy, 1);
  EXPECT_STREQ(Room_Name(1), "__newroom1");
  EXPECT_EQ(Room_Definition(1)->instances.size(), 1u);
}

}  // namespace
