#include "Timeline/Timeline_Main.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "../Variable/BuiltInTestWorld.h"
#include "Code/Code_Load.h"
#include "DataFile/DataFile_Load.h"
#include "Function/Function_Exercise.h"

namespace {

// Each moment appends a digit to the score, so the score spells the moments in the order they ran.
CEvent* Moment(const char* code) {
  auto* event = new CEvent();
  event->SetSource(code);
  event->code = Code_CompileText("moment", code);
  EXPECT_NE(event->code, nullptr) << CompileErrorText();
  return event;
}

class TimelineTest : public BuiltInWorldTest {
 public:
  void TearDown() override {
    TimeLine_Reset();
    BuiltInWorldTest::TearDown();
  }

  // Timeline `index` with a moment at each time; moment k appends the digit digits[k].
  static CTimeLine* Make(int32_t index, std::vector<int32_t> times, const char* digits) {
    auto* timeline = new CTimeLine();
    for (size_t k = 0; k < times.size(); ++k) {
      char code[64];
      std::snprintf(code, sizeof code, "score = score * 10 + %c", digits[k]);
      timeline->AddMoment(times[k], Moment(code));
    }
    TimeLine_Set(index, timeline, ("tl" + std::to_string(index)).c_str());
    return timeline;
  }

  static CInstance* Runner(int32_t timeline, float position, float speed, bool loop = false) {
    CInstance* i = Create(0, 0);
    i->timeline_index = timeline;
    i->timeline_position = position;
    i->timeline_speed = speed;
    i->timeline_running = true;
    i->timeline_loop = loop;
    return i;
  }
};

// The fixture's world outside a TEST_F (the registry's exercises run in a plain test).
struct TimelineWorld : TimelineTest {
  TimelineWorld() { SetUp(); }
  ~TimelineWorld() override { TearDown(); }
  void TestBody() override {}
};

}  // namespace

TEST(TimelineSearch, ForwardAndBackwardIndices) {
  CTimeLine t;
  EXPECT_EQ(t.Forward(3), 0);
  EXPECT_EQ(t.Backward(3), -1);
  t.AddMoment(0, new CEvent());
  t.AddMoment(1, new CEvent());
  t.AddMoment(5, new CEvent());
  EXPECT_EQ(t.Forward(-1), 0);
  EXPECT_EQ(t.Forward(0), 0);
  EXPECT_EQ(t.Forward(0.5), 1);
  EXPECT_EQ(t.Forward(5), 2);
  EXPECT_EQ(t.Forward(5.5), 3);
  EXPECT_EQ(t.Backward(-0.5), -1);
  EXPECT_EQ(t.Backward(0), 0);
  EXPECT_EQ(t.Backward(4.9), 1);
  EXPECT_EQ(t.Backward(5), 2);
  EXPECT_EQ(t.Backward(100), 2);
  EXPECT_TRUE(t.ClearMoment(1));
  EXPECT_FALSE(t.ClearMoment(1));
  ASSERT_EQ(t.MomentCount(), 2);
  EXPECT_EQ(t.Time(1), 5);
}

TEST_F(TimelineTest, ForwardSpeedsRunEveryMomentPassedOver) {
  Make(0, {0, 1}, "12");
  CInstance* a = Runner(0, 0, 1);
  TimeLine_Step();
  EXPECT_EQ(g_RunState.score, 1);  // moment 0; position 1
  EXPECT_EQ(a->timeline_position, 1);
  TimeLine_Step();
  EXPECT_EQ(g_RunState.score, 12);

  g_RunState.score = 0;
  Make(1, {0, 1, 2}, "123");
  a->timeline_index = 1;
  a->timeline_position = 0;
  a->timeline_speed = 2;
  TimeLine_Step();
  EXPECT_EQ(g_RunState.score, 12);  // 0 then 1, in order
  TimeLine_Step();
  EXPECT_EQ(g_RunState.score, 123);
  TimeLine_Step();  // past the end, not looping: nothing more
  EXPECT_EQ(g_RunState.score, 123);
  EXPECT_EQ(a->timeline_position, 6);
}

TEST_F(TimelineTest, LoopingRunsTheLastMomentThenStartsAgain) {
  Make(0, {0, 10}, "12");
  CInstance* a = Runner(0, 10, 1, true);
  TimeLine_Step();
  EXPECT_EQ(g_RunState.score, 2);
  EXPECT_EQ(a->timeline_position, 0);
  TimeLine_Step();
  EXPECT_EQ(g_RunState.score, 21);
  EXPECT_EQ(a->timeline_position, 1);
}

TEST_F(TimelineTest, BackwardSpeedsRunMomentsInDescendingOrder) {
  Make(0, {0, 5}, "12");
  CInstance* a = Runner(0, 5, -1, true);
  TimeLine_Step();
  EXPECT_EQ(g_RunState.score, 2);  // the moment at 5; position 4
  EXPECT_EQ(a->timeline_position, 4);
  for (int i = 0; i < 4; ++i) TimeLine_Step();  // 4 -> 0: nothing passed over
  EXPECT_EQ(g_RunState.score, 2);
  TimeLine_Step();  // 0 -> -1 passes the moment at 0, then wraps to the last time
  EXPECT_EQ(g_RunState.score, 21);
  EXPECT_EQ(a->timeline_position, 5);
}

TEST_F(TimelineTest, NothingRunsWithoutSpeedARunningFlagOrAnExistingTimeline) {
  Make(0, {0, 1}, "12");
  CInstance* still = Runner(0, 0, 0);
  CInstance* paused = Runner(0, 0, 1);
  paused->timeline_running = false;
  CInstance* missing = Runner(7, 0, 1);
  CInstance* destroyed = Runner(0, 0, 1);
  destroyed->marked = true;
  TimeLine_Step();
  EXPECT_EQ(g_RunState.score, 0);
  EXPECT_EQ(still->timeline_position, 0);
  EXPECT_EQ(paused->timeline_position, 0);
  EXPECT_EQ(missing->timeline_position, 0);
  EXPECT_EQ(destroyed->timeline_position, 0);
}

TEST_F(TimelineTest, AMomentRunsWithTheTimelineAsItsEventContext) {
  auto* timeline = new CTimeLine();
  timeline->AddMoment(3, Moment("score = event_type + event_number; lives = event_object; health = id"));
  TimeLine_Set(2, timeline, "tl2");
  CInstance* a = Runner(2, 3, 1);
  CurrentActionContext().objectIndex = 5;
  CurrentActionContext().eventType = 3;
  TimeLine_Step();
  EXPECT_EQ(g_RunState.score, 100003);
  EXPECT_EQ(g_RunState.lives, 2);
  EXPECT_EQ(g_RunState.health, a->id);  // self is the instance
  EXPECT_EQ(CurrentActionContext().objectIndex, 5);  // restored afterwards
  EXPECT_EQ(CurrentActionContext().eventType, 3);
}

TEST_F(TimelineTest, APendingRoomChangeSkipsMomentsButPositionsAdvance) {
  Make(0, {0}, "1");
  CInstance* a = Runner(0, 0, 1);
  g_RunState.newRoom = 1;
  TimeLine_Step();
  EXPECT_EQ(g_RunState.score, 0);
  EXPECT_EQ(a->timeline_position, 1);
}

TEST_F(TimelineTest, AMomentThatDeletesItsTimelineEndsTheAdvanceSafely) {
  auto* timeline = new CTimeLine();
  timeline->AddMoment(0, Moment("timeline_delete(0); score += 1"));
  timeline->AddMoment(1, Moment("score += 10"));
  TimeLine_Set(0, timeline, "doomed");
  Runner(0, 0, 2, true);
  TimeLine_Step();
  EXPECT_EQ(g_RunState.score, 1);
  EXPECT_FALSE(TimeLine_Exists(0));
  TimeLine_Step();  // the instance still names index 0: skipped silently
  EXPECT_EQ(g_RunState.score, 1);
}

// The timeline functions and actions through the registry (also the registry's exercise for them).
void TimelineFunctionsAndActions() {
  TimelineWorld world;
  auto Make = TimelineTest::Make;
  auto Create = [](float x, float y) { return TimelineTest::Create(x, y); };
  Make(0, {0, 4, 8}, "123");
  Make(2, {1}, "1");
  CInstance* a = Create(0, 0);
  RValue result;
  RValue args[4];
  auto call = [&](const char* name, std::initializer_list<RValue> values) {
    int id = -1;
    EXPECT_TRUE(FindFunction(name, &id)) << name;
    int n = 0;
    for (const RValue& v : values) args[n++] = v;
    CallFunction(id, result, a, a, n, args);
  };
  call("timeline_exists", {RValue(1.0)});
  EXPECT_EQ(result.real, 0);
  call("timeline_get_name", {RValue(2.0)});
  EXPECT_STREQ(result.Str(), "tl2");
  call("timeline_name", {RValue(1.0)});
  EXPECT_STREQ(result.Str(), "<undefined>");
  call("timeline_add", {});
  EXPECT_EQ(result.real, -1);

  call("timeline_moment_clear", {RValue(0.0), RValue(4.0)});
  ASSERT_EQ(TimeLine_Get(0)->MomentCount(), 2);
  EXPECT_EQ(TimeLine_Get(0)->Time(1), 8);
  call("timeline_moment_clear", {RValue(0.0), RValue(5.0)});  // no moment there
  EXPECT_EQ(TimeLine_Get(0)->MomentCount(), 2);

  call("timeline_delete", {RValue(2.0)});
  EXPECT_EQ(result.real, 1);
  EXPECT_TRUE(TimeLine_Exists(0));  // the other timelines keep their indices
  call("timeline_delete", {RValue(2.0)});
  EXPECT_EQ(result.real, 0);
  EXPECT_NE(std::string(LastErrorText()).find("Trying to delete non-existing timeline."), std::string::npos);

  const std::string out = TimelineTest::ConsoleOf([&] { call("timeline_moment_add", {RValue(0.0), RValue(3.0), RValue("x")}); });
  EXPECT_EQ(out, "timeline_moment_add :: deprecated function\n");
  EXPECT_EQ(TimeLine_Get(0)->MomentCount(), 2);

  call("action_set_timeline", {RValue(0.0), RValue(2.5)});
  EXPECT_EQ(a->timeline_index, 0);
  EXPECT_EQ(a->timeline_position, 2);  // rounded, halves to even
  EXPECT_TRUE(a->timeline_running);
  call("action_timeline_set", {RValue(0.0), RValue(1.5), RValue(1.0), RValue(1.0)});
  EXPECT_FALSE(a->timeline_running);  // start 1 means "do not start"
  EXPECT_TRUE(a->timeline_loop);
  EXPECT_EQ(a->timeline_position, 1.5f);
  RValue relative(1.0);
  int setRelative = -1;
  ASSERT_TRUE(FindFunction("action_set_relative", &setRelative));
  CallFunction(setRelative, result, a, a, 1, &relative);
  call("action_set_timeline_speed", {RValue(2.0)});
  EXPECT_EQ(a->timeline_speed, 3);
  call("action_set_timeline_position", {RValue(1.0)});
  EXPECT_EQ(a->timeline_position, 2.5f);
  relative.SetReal(0);
  CallFunction(setRelative, result, a, a, 1, &relative);
  call("action_set_timeline_speed", {RValue(0.5)});
  EXPECT_EQ(a->timeline_speed, 0.5f);
  call("action_timeline_start", {});
  EXPECT_TRUE(a->timeline_running);
  call("action_timeline_pause", {});
  EXPECT_FALSE(a->timeline_running);
  call("action_timeline_stop", {});
  EXPECT_EQ(a->timeline_position, 0);
}

TEST(TimelineFunctions, FunctionsAndActions) { TimelineFunctionsAndActions(); }

const RegisterExercise kTimelineFunctions(
    {"timeline_exists", "timeline_get_name", "timeline_name", "timeline_add", "timeline_delete",
     "timeline_moment_clear", "timeline_moment_add", "action_set_timeline", "action_timeline_set",
     "action_set_timeline_position", "action_set_timeline_speed", "action_timeline_start",
     "action_timeline_pause", "action_timeline_stop"},
    TimelineFunctionsAndActions);

namespace {

// A TMLN body by hand: the resource list, one timeline record, its moments' action lists and action
// records (80 bytes, the source-text offset at word 60), names and texts.
struct TmlnImage {
  std::vector<uint8_t> bytes;
  uint32_t Put(const void* data, size_t n) {
    const uint32_t at = uint32_t(bytes.size());
    bytes.insert(bytes.end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + n);
    while (bytes.size() % 4 != 0) bytes.push_back(0);
    return at;
  }
  uint32_t U32(uint32_t v) { return Put(&v, 4); }
  uint32_t Text(const char* s) { return Put(s, std::strlen(s) + 1); }
  void Patch(uint32_t at, uint32_t v) { std::memcpy(&bytes[at], &v, 4); }
};

}  // namespace

TEST_F(TimelineTest, LoadsTheChunkAndCompilesSourceMomentsAtPreparation) {
  // Forget any bytecode game an earlier test loaded: this one carries source text.
  Code_Reset();
  const uint8_t emptyForm[8] = {'F', 'O', 'R', 'M', 0, 0, 0, 0};
  EXPECT_THROW(DataFile_PrePass(DataView(emptyForm, sizeof emptyForm)), FileFormatError);
  ASSERT_FALSE(DataFile_HasBytecode());

  TmlnImage img;
  img.U32(0xFFFFFFFF);  // padding so that no offset is 0
  const uint32_t body = img.U32(3);  // three slots: 0 empty, 1 a timeline, 2 empty
  img.U32(0);
  const uint32_t slot1 = img.U32(0);
  img.U32(0);
  const uint32_t record = img.U32(0);  // name
  img.U32(2);                          // moments
  const uint32_t pair0 = img.U32(5);
  img.U32(0);
  const uint32_t pair1 = img.U32(9);
  img.U32(0);
  const uint32_t list0 = img.U32(1);
  const uint32_t list0Action = img.U32(0);
  const uint32_t list1 = img.U32(1);
  const uint32_t list1Action = img.U32(0);
  const uint8_t zeros[80] = {};
  const uint32_t action0 = img.Put(zeros, sizeof zeros);
  const uint32_t action1 = img.Put(zeros, sizeof zeros);
  img.Patch(record, img.Text("tl_walk"));
  img.Patch(action0 + 60, img.Text("score = score * 10 + 1"));
  img.Patch(action1 + 60, img.Text("score = score * 10 + 2"));
  img.Patch(slot1, record);
  img.Patch(pair0 + 4, list0);
  img.Patch(pair1 + 4, list1);
  img.Patch(list0Action, action0);
  img.Patch(list1Action, action1);

  ChunkInfo chunk;
  chunk.body = body;
  chunk.length = uint32_t(img.bytes.size()) - body;
  const DataView view(img.bytes.data(), img.bytes.size());
  TimeLine_LoadTMLN(view, chunk);
  ASSERT_EQ(TimeLine_Count(), 3);
  EXPECT_FALSE(TimeLine_Exists(0));
  ASSERT_TRUE(TimeLine_Exists(1));
  EXPECT_STREQ(TimeLine_Name(1), "tl_walk");
  EXPECT_EQ(TimeLine_Find("tl_walk"), 1);
  EXPECT_EQ(TimeLine_Find("TL_WALK"), -1);
  const CTimeLine* t = TimeLine_Get(1);
  ASSERT_EQ(t->MomentCount(), 2);
  EXPECT_EQ(t->Time(0), 5);
  EXPECT_EQ(t->Time(1), 9);
  EXPECT_EQ(t->Event(0)->code, nullptr);  // compiled at preparation

  ASSERT_TRUE(TimeLine_Prepare());
  ASSERT_NE(t->Event(1)->code, nullptr);
  EXPECT_STREQ(t->Event(1)->code->Name(), "Timeline.tl_walk.9");
  Runner(1, 5, 4);
  TimeLine_Step();  // 5 -> 9 runs the moment at 5 only
  EXPECT_EQ(g_RunState.score, 1);
  TimeLine_Step();
  EXPECT_EQ(g_RunState.score, 12);

  // A moment whose action list lies outside the file is refused.
  img.Patch(pair1 + 4, uint32_t(img.bytes.size()) + 64);
  const DataView bad(img.bytes.data(), img.bytes.size());
  EXPECT_THROW(TimeLine_LoadTMLN(bad, chunk), FileFormatError);
}

TEST_F(TimelineTest, APreparationFailureStops) {
  Code_Reset();
  const uint8_t emptyForm[8] = {'F', 'O', 'R', 'M', 0, 0, 0, 0};
  EXPECT_THROW(DataFile_PrePass(DataView(emptyForm, sizeof emptyForm)), FileFormatError);
  auto* timeline = new CTimeLine();
  auto* event = new CEvent();
  event->SetSource("score = = 1");
  timeline->AddMoment(0, event);
  TimeLine_Set(0, timeline, "broken");
  const std::string out = ConsoleOf([] { EXPECT_FALSE(TimeLine_Prepare()); });
  EXPECT_NE(std::string(LastErrorText()).find("COMPILATION ERROR in code action"), std::string::npos);
}
