// A device for tests of the logic above the device: draws nothing, records what it was asked.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "Graphics/Graphics_Batch.h"
#include "Graphics/Graphics_RenderState.h"
#include "Graphics/Graphics_Texture.h"
#include "Graphics_API/Graphics_DeviceNull.h"

struct RecordedCall {
  enum Kind { Draw, State, Upload } kind;
  int a = 0;            // Draw: type; State: device state; Upload: width
  int b = 0;            // Draw: vertex count; State: value; Upload: height
  DeviceTexture* texture = nullptr;
  std::vector<uint8_t> pixels;  // Upload: the rows, packed
};

class RecordingDevice : public NullDevice {
 public:
  RecordingDevice() : NullDevice(640, 480) {}
  void Draw(int type, DeviceTexture* texture, int, const void*, int count) override {
    calls.push_back({RecordedCall::Draw, type, count, texture, {}});
  }
  void SetRenderState(DeviceState state, uint32_t value) override {
    calls.push_back({RecordedCall::State, int(state), int(value), nullptr, {}});
  }
  void Upload(DeviceTexture* texture, int32_t, int32_t, int32_t w, int32_t h, const uint8_t* rgba,
              size_t pitch) override {
    RecordedCall call{RecordedCall::Upload, w, h, texture, {}};
    for (int32_t row = 0; row < h; ++row) call.pixels.insert(call.pixels.end(), rgba + pitch * row, rgba + pitch * row + w * 4);
    calls.push_back(std::move(call));
  }
  int Count(RecordedCall::Kind kind) const {
    int n = 0;
    for (const RecordedCall& c : calls) n += c.kind == kind;
    return n;
  }
  std::vector<RecordedCall> calls;
};

// Installs a recording device with an empty texture table and batch; puts the null device back after.
class DeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto device = std::make_unique<RecordingDevice>();
    recorder = device.get();
    Device_Install(std::move(device));
    Batch_Reset();
    RenderState_ResetCache();
    recorder->calls.clear();
  }
  void TearDown() override {
    Batch_Reset();
    GR_Texture_FreeAll();
    Device_Install(nullptr);
  }
  RecordingDevice* recorder = nullptr;
};
