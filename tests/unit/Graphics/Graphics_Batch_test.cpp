#include <gtest/gtest.h>

#include "RecordingDevice.h"

namespace {

class Batch : public DeviceTest {
 protected:
  void Quad(int texture) {
    VertexTextured* v = Batch_AddTextured(kPrimTriangleList, texture, 6);
    ASSERT_NE(v, nullptr);
    for (int i = 0; i < 6; ++i) v[i] = VertexTextured{float(i), 0, 0, 0xFFFFFFFF, 0, 0};
  }
  std::vector<RecordedCall> Draws() const {
    std::vector<RecordedCall> out;
    for (const RecordedCall& c : recorder->calls) {
      if (c.kind == RecordedCall::Draw) out.push_back(c);
    }
    return out;
  }
};

TEST_F(Batch, QuadsOfOneTextureMakeOneDrawAndEachTextureChangeFlushes) {
  const int a = GR_Texture_CreateEmpty(32, 32, false);
  const int b = GR_Texture_CreateEmpty(32, 32, false);
  for (int i = 0; i < 4; ++i) Quad(a);
  EXPECT_EQ(Batch_PendingCount(), 24);
  EXPECT_EQ(recorder->Count(RecordedCall::Draw), 0);
  Quad(b);
  Quad(a);
  Quad(a);
  Batch_Flush();
  Batch_Flush();  // nothing pending: nothing drawn
  const std::vector<RecordedCall> draws = Draws();
  ASSERT_EQ(draws.size(), 3u);
  EXPECT_EQ(draws[0].b, 24);
  EXPECT_EQ(draws[0].texture, GR_Texture_Slot(a)->texture);
  EXPECT_EQ(draws[1].b, 6);
  EXPECT_EQ(draws[1].texture, GR_Texture_Slot(b)->texture);
  EXPECT_EQ(draws[2].b, 12);
  EXPECT_EQ(Batch_Stats().drawCalls, 3);
  EXPECT_EQ(Batch_Stats().triangles, 14);
  EXPECT_EQ(Batch_Stats().vertices, 42);
}

TEST_F(Batch, The5462ndQuadStartsASecondBatch) {
  const int a = GR_Texture_CreateEmpty(32, 32, false);
  for (int i = 0; i < 5461; ++i) Quad(a);
  EXPECT_EQ(Batch_PendingCount(), 32766);
  EXPECT_EQ(recorder->Count(RecordedCall::Draw), 0);
  Quad(a);
  Batch_Flush();
  const std::vector<RecordedCall> draws = Draws();
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws[0].b, 32766);
  EXPECT_EQ(draws[1].b, 6);
}

TEST_F(Batch, StripsAndFansAreNeverAppendedAndPrimitiveCountsFollowTheType) {
  for (int i = 0; i < 2; ++i) Batch_Add(kPrimTriangleStrip, kNoTexture, sizeof(VertexColour), 4);
  for (int i = 0; i < 2; ++i) Batch_Add(kPrimTriangleFan, kNoTexture, sizeof(VertexColour), 5);
  for (int i = 0; i < 2; ++i) Batch_Add(kPrimLineStrip, kNoTexture, sizeof(VertexColour), 3);
  Batch_Add(kPrimLineList, kNoTexture, sizeof(VertexColour), 4);
  Batch_Add(kPrimLineList, kNoTexture, sizeof(VertexColour), 2);
  Batch_Add(kPrimPointList, kNoTexture, sizeof(VertexColour), 7);
  Batch_Flush();
  EXPECT_EQ(recorder->Count(RecordedCall::Draw), 8);
  // Triangles: strips 2 + 2, fans 3 + 3; lines and points count none.
  EXPECT_EQ(Batch_Stats().triangles, 10);

  // A line strip of one vertex or a triangle list of two is less than one primitive: nothing drawn.
  recorder->calls.clear();
  Batch_Add(kPrimLineStrip, kNoTexture, sizeof(VertexColour), 1);
  Batch_Add(kPrimTriangleList, kNoTexture, sizeof(VertexColour), 2);
  Batch_Flush();
  EXPECT_EQ(recorder->Count(RecordedCall::Draw), 0);
}

TEST_F(Batch, KeysDifferingInStrideOrTextureValidityAndGivenBackVertices) {
  const int a = GR_Texture_CreateEmpty(32, 32, false);
  Batch_Add(kPrimTriangleList, a, sizeof(VertexTextured), 6);
  Batch_Add(kPrimTriangleList, a, sizeof(VertexNormal), 6);  // another stride: a new batch
  EXPECT_EQ(recorder->Count(RecordedCall::Draw), 1);
  Batch_GiveBack(3);
  EXPECT_EQ(Batch_PendingCount(), 3);
  Batch_Flush();
  EXPECT_EQ(Draws().back().b, 3);

  // A texture id that is not valid draws nothing; vertices pending for a texture that is freed are
  // drawn before it goes.
  recorder->calls.clear();
  Quad(77);
  Quad(a);
  EXPECT_EQ(recorder->Count(RecordedCall::Draw), 0);
  GR_Texture_Free(a);
  EXPECT_EQ(recorder->Count(RecordedCall::Draw), 1);
  EXPECT_EQ(Batch_PendingCount(), 0);
  EXPECT_EQ(Batch_Add(kPrimTriangleList, kNoTexture, 24, kBatchMaxVertices + 1), nullptr);
  EXPECT_EQ(Batch_Add(kPrimTriangleList, kNoTexture, 20, 6), nullptr);
}

TEST_F(Batch, FrameResetDropsPendingVerticesAndZeroesCounters) {
  Quad(kNoTexture);
  Batch_Flush();
  Quad(kNoTexture);
  Batch_Reset();
  EXPECT_EQ(Batch_PendingCount(), 0);
  EXPECT_EQ(Batch_Stats().drawCalls, 0);
  EXPECT_EQ(Batch_Stats().triangles, 0);
  Batch_Flush();
  EXPECT_EQ(recorder->Count(RecordedCall::Draw), 1);
}

class RenderStates : public DeviceTest {
 protected:
  std::vector<RecordedCall> States() const {
    std::vector<RecordedCall> out;
    for (const RecordedCall& c : recorder->calls) {
      if (c.kind == RecordedCall::State) out.push_back(c);
    }
    return out;
  }
};

TEST_F(RenderStates, BlendFactorsOutside2To17BecomeZero) {
  GR_SetBlendModeExt(0, 18);
  EXPECT_EQ(RenderState_Get(kRS_SrcBlend), uint32_t(kBlendZero));
  EXPECT_EQ(RenderState_Get(kRS_DestBlend), uint32_t(kBlendZero));
  GR_SetBlendModeExt(17, 2);
  EXPECT_EQ(RenderState_Get(kRS_SrcBlend), 17u);
  EXPECT_EQ(RenderState_Get(kRS_DestBlend), 2u);
}

TEST_F(RenderStates, BlendModesAndTheirFactors) {
  const uint32_t expected[][2] = {{5, 6}, {5, 2}, {5, 4}, {1, 4}, {5, 6}};
  const int modes[] = {0, 1, 2, 3, 9};
  for (int i = 0; i < 5; ++i) {
    GR_SetBlendMode(modes[i]);
    EXPECT_EQ(RenderState_Get(kRS_SrcBlend), expected[i][0]) << "mode " << modes[i];
    EXPECT_EQ(RenderState_Get(kRS_DestBlend), expected[i][1]) << "mode " << modes[i];
  }
}

TEST_F(RenderStates, ValueMappings) {
  EXPECT_EQ(RenderState_Map(kRS_FillMode, 1), 1u);
  EXPECT_EQ(RenderState_Map(kRS_FillMode, 2), 2u);
  EXPECT_EQ(RenderState_Map(kRS_FillMode, 0), 3u);
  EXPECT_EQ(RenderState_Map(kRS_ShadeMode, 1), 1u);
  EXPECT_EQ(RenderState_Map(kRS_ShadeMode, 7), 2u);
  EXPECT_EQ(RenderState_Map(kRS_CullMode, 1), 2u);
  EXPECT_EQ(RenderState_Map(kRS_CullMode, 2), 3u);
  EXPECT_EQ(RenderState_Map(kRS_CullMode, 3), 1u);
  EXPECT_EQ(RenderState_Map(kRS_AlphaFunc, 7), 7u);
  EXPECT_EQ(RenderState_Map(kRS_AlphaFunc, 0), 8u);
  EXPECT_EQ(RenderState_Map(kRS_FogTableMode, 2), 2u);
  EXPECT_EQ(RenderState_Map(kRS_FogVertexMode, 9), 3u);
  EXPECT_EQ(RenderState_Map(kRS_AlphaRef, 200), 200u);
  EXPECT_EQ(RenderState_DeviceState(4), kDS_Count);  // a number the runner does not use
}

TEST_F(RenderStates, ASetterFlushesFirstAndTheCachedValueDoesNothing) {
  GR_SetBlendMode(0);
  recorder->calls.clear();
  Batch_Add(kPrimTriangleList, kNoTexture, sizeof(VertexColour), 3);
  GR_SetBlendMode(0);  // unchanged: no flush, no device call
  EXPECT_TRUE(recorder->calls.empty());
  EXPECT_EQ(Batch_PendingCount(), 3);
  GR_SetBlendMode(1);
  ASSERT_EQ(recorder->calls.size(), 2u);
  EXPECT_EQ(recorder->calls[0].kind, RecordedCall::Draw);  // drawn with the state it was made under
  EXPECT_EQ(recorder->calls[1].kind, RecordedCall::State);
  EXPECT_EQ(recorder->calls[1].a, int(kDS_DestBlend));
  EXPECT_EQ(recorder->calls[1].b, int(kBlendOne));
}

TEST_F(RenderStates, CacheResetSetsEveryStateToTheDeviceDefault) {
  recorder->calls.clear();
  RenderState_ResetCache();
  EXPECT_EQ(States().size(), size_t(kDS_Count));
  EXPECT_EQ(RenderState_Get(kRS_Lighting), 1u);
  EXPECT_EQ(RenderState_Get(kRS_SrcBlend), uint32_t(kBlendOne));
  EXPECT_EQ(RenderState_Get(kRS_AlphaFunc), 8u);
}

}  // namespace
