#include "Run/Run_Instance.h"

#include <gtest/gtest.h>

#include <cmath>

#include "Support/Support_Stream.h"
#include "Variable/Variable_Names.h"

namespace {

TEST(InstanceMotion, ComponentsGiveSpeedAndDirection) {
  CInstance i(100001, 0);
  i.SetHspeed(3);
  i.SetVspeed(-4);
  EXPECT_FLOAT_EQ(i.speed, 5);
  // atan2(4, 3) in degrees, upwards being positive.
  EXPECT_NEAR(i.direction, 53.130102, 1e-4);
  // Speed 0 keeps the direction; both components become 0.
  i.SetSpeed(0);
  EXPECT_NEAR(i.direction, 53.130102, 1e-4);
  EXPECT_EQ(i.hspeed, 0);
  EXPECT_EQ(i.vspeed, 0);
}

TEST(InstanceMotion, VerticalComponentsAndSnapping) {
  CInstance i(100001, 0);
  i.SetVspeed(2);
  EXPECT_EQ(i.direction, 270);
  EXPECT_EQ(i.speed, 2);
  i.SetVspeed(-2);
  EXPECT_EQ(i.direction, 90);
  // Direction 90 with speed 2: cos gives a tiny value that snaps to exactly 0.
  i.SetDirection(90);
  i.SetSpeed(3);
  EXPECT_EQ(i.hspeed, 0);
  EXPECT_EQ(i.vspeed, -3);
}

TEST(InstanceMotion, DirectionsFromComponentsNearTheRightSnapIntoRange) {
  CInstance i(100001, 0);
  // Slightly downwards: a = 5.7e-5 degrees, 360 - a snaps to 360, which the remainder makes 0.
  i.SetVspeed(1e-6f);
  i.SetHspeed(1);
  EXPECT_EQ(i.direction, 0);
  // Slightly upwards: a = -5.7e-5, -a snaps to 0.
  i.SetVspeed(-1e-6f);
  EXPECT_EQ(i.direction, 0);
  // Straight left: atan2(0, -1) = pi gives a just under 180 (pi over the float 3.1415927).
  i.SetVspeed(0);
  i.SetHspeed(-1);
  EXPECT_EQ(i.direction, 180);
  // A NaN component gives a NaN direction.
  i.SetHspeed(std::nanf(""));
  EXPECT_TRUE(std::isnan(i.direction));
}

TEST(InstanceMotion, DirectionIsKeptInZeroTo360) {
  CInstance i(100001, 0);
  i.SetDirection(-90);
  EXPECT_EQ(i.direction, 270);
  i.SetDirection(720);
  EXPECT_EQ(i.direction, 0);
  i.SetDirection(360);
  EXPECT_EQ(i.direction, 0);
  i.SetDirection(-360);
  EXPECT_EQ(i.direction, 0);
  EXPECT_FALSE(std::signbit(i.direction));
  // A value far beyond any step of 360 still ends in range instead of looping forever.
  i.SetDirection(1e30f);
  EXPECT_GE(i.direction, 0);
  EXPECT_LT(i.direction, 360);
}

TEST(InstanceMotion, MotionAddOnARestingInstance) {
  CInstance i(100001, 0);
  i.AddMotion(270, 1);
  EXPECT_EQ(i.vspeed, 1);
  EXPECT_NEAR(i.hspeed, 0, 1e-6);  // cos of the float 270 degrees is not exactly 0
  EXPECT_EQ(i.direction, 270);
  EXPECT_EQ(i.speed, 1);
}

TEST(InstanceMotion, FrictionStopsAtZeroAndNeverReverses) {
  CInstance i(100001, 0);
  i.SetSpeed(1);
  i.friction = 0.3f;
  const float expected[] = {0.7f, 0.4f, 0.1f, 0.0f, 0.0f};
  for (float e : expected) {
    i.FrictionGravityStep();
    EXPECT_NEAR(i.speed, e, 1e-5);
    EXPECT_GE(i.speed, 0);
  }
  // A speed of exactly 0 stays 0 whatever the friction's sign.
  i.friction = -0.5f;
  i.FrictionGravityStep();
  EXPECT_EQ(i.speed, 0);
  // A negative friction grows a nonzero speed.
  i.SetSpeed(1);
  i.FrictionGravityStep();
  EXPECT_FLOAT_EQ(i.speed, 1.5f);
}

TEST(InstanceMotion, GravityAddsMotionEveryStep) {
  CInstance i(100001, 0);
  i.gravity = 0.5f;  // default direction 270: downwards
  i.FrictionGravityStep();
  i.FrictionGravityStep();
  EXPECT_FLOAT_EQ(i.vspeed, 1);
  EXPECT_EQ(i.direction, 270);
}

TEST(InstanceRecord, DefaultsAlarmsAndSetters) {
  CInstance i(100001, 0);
  EXPECT_TRUE(i.bbox_dirty);
  EXPECT_EQ(i.gravity_direction, 270);
  EXPECT_EQ(i.image_blend, 0xFFFFFFu);
  EXPECT_EQ(i.path_scale, 1);
  EXPECT_EQ(i.timeline_speed, 1);
  for (int n = 0; n < kAlarmCount; ++n) EXPECT_EQ(i.GetAlarm(n), -1);
  i.SetAlarm(12, 5);
  i.SetAlarm(-1, 5);
  EXPECT_EQ(i.GetAlarm(12), -1);
  EXPECT_EQ(i.GetAlarm(0), -1);
  i.SetPathPosition(1.5f);
  EXPECT_EQ(i.path_position, 1);
  i.SetPathPositionPrevious(-0.5f);
  EXPECT_EQ(i.path_positionprevious, 0);
  // Without a sprite the box is the no-box box on every edge.
  const InstanceBox& box = i.BoundingBox();
  EXPECT_FALSE(i.bbox_dirty);
  EXPECT_EQ(box.left, kNoBoxEdge);
  EXPECT_EQ(box.bottom, kNoBoxEdge);
  i.SetPosition(3, 4);
  EXPECT_TRUE(i.bbox_dirty);
}

TEST(InstanceRecord, SaveRecordRoundTrip) {
  CInstance a(100007, 3);
  a.SetPosition(12.5f, -3);
  a.SetHspeed(2);
  a.image_blend = 0x123456;
  a.depth = -7;
  a.alarm[11] = 9;
  a.path_endaction = 2;
  a.timeline_loop = true;
  a.variables.Set(Variable_FindOrAddName("hp"), 0, RValue(42.0));
  CStream stream;
  a.Save(&stream);
  // id, sprite (8 bytes), 6 reals (48), blend, mask (8), depth (8), precise (4): `x` at byte 76.
  stream.Seek(0, CStream::SEEK_FROM_START);
  EXPECT_EQ(stream.ReadInteger(), 100007);
  stream.Seek(76, CStream::SEEK_FROM_START);
  EXPECT_EQ(stream.ReadReal(), 12.5);

  stream.Seek(0, CStream::SEEK_FROM_START);
  CInstance b(0, 0);
  ASSERT_TRUE(b.Load(&stream));
  EXPECT_EQ(b.id, 100007);
  EXPECT_EQ(b.object_index, 3);
  EXPECT_EQ(b.x, 12.5f);
  EXPECT_EQ(b.hspeed, 2);
  EXPECT_EQ(b.direction, 0);
  EXPECT_EQ(b.image_blend, 0x123456u);
  EXPECT_EQ(b.depth, -7);
  EXPECT_EQ(b.alarm[11], 9);
  EXPECT_EQ(b.path_endaction, 2);
  EXPECT_TRUE(b.timeline_loop);
  EXPECT_FALSE(b.bbox_dirty);
  RValue hp;
  b.variables.Get(Variable_FindOrAddName("hp"), 0, &hp);
  EXPECT_EQ(hp.real, 42);

  // A truncated record is refused.
  CStream shortStream;
  shortStream.WriteInteger(100007);
  shortStream.Seek(0, CStream::SEEK_FROM_START);
  CInstance c(0, 0);
  EXPECT_FALSE(c.Load(&shortStream));
}

}  // namespace
