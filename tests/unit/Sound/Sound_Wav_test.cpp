#include <gtest/gtest.h>

#include "Sound/Sound_Wav.h"
#include "SoundTestSupport.h"

namespace {

TEST(SoundWav, ReadsTheHeaderOfAWholeImage) {
  const std::vector<uint8_t> w = ToneWav(0.5, 22050, 2);
  WavInfo info;
  std::string error;
  ASSERT_TRUE(Wav_Read(w.data(), w.size(), info, error)) << error;
  EXPECT_EQ(info.channels, 2);
  EXPECT_EQ(info.rate, 22050);
  EXPECT_EQ(info.bits, 16);
  EXPECT_EQ(info.dataOffset, 44u);
  EXPECT_EQ(info.frames(), 11025u);
}

TEST(SoundWav, RefusesDamagedImages) {
  const std::vector<uint8_t> good = ToneWav(0.1);
  WavInfo info;
  std::string error;
  auto refused = [&](std::vector<uint8_t> w, const char* why) {
    EXPECT_FALSE(Wav_Read(w.data(), w.size(), info, error)) << why;
    EXPECT_FALSE(error.empty()) << why;
  };
  EXPECT_FALSE(Wav_Read(nullptr, 0, info, error));
  refused(std::vector<uint8_t>(good.begin(), good.begin() + 30), "cut inside the format chunk");
  refused(std::vector<uint8_t>(good.begin(), good.end() - 1), "data chunk one byte short");
  std::vector<uint8_t> w = good;
  w.at(20) = 3;  // IEEE float, not PCM
  refused(w, "float samples");
  w = good;
  w.at(22) = 6;  // six channels
  refused(w, "six channels");
  w = good;
  w.at(34) = 24;
  refused(w, "24-bit samples");
  w = good;
  for (int i = 24; i < 28; ++i) w.at(size_t(i)) = 0;  // rate 0
  refused(w, "rate 0");
  w = good;
  w.at(8) = 'A';
  refused(w, "not WAVE");
  w = good;
  w.at(16) = w.at(17) = w.at(18) = 0xff;  // the format chunk claims 16 MB
  w.at(19) = 0;
  refused(w, "huge chunk");
}

TEST(SoundWav, SkipsOtherChunksWithTheirPadding) {
  std::vector<uint8_t> w = ToneWav(0.1);
  // A 3-byte "LIST" chunk (padded to 4) between the format and data chunks.
  const uint8_t extra[] = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
  std::vector<uint8_t> with(w.begin(), w.begin() + 36);
  with.insert(with.end(), extra, extra + sizeof extra);
  with.insert(with.end(), w.begin() + 36, w.end());
  w = with;
  WavInfo info;
  std::string error;
  ASSERT_TRUE(Wav_Read(w.data(), w.size(), info, error)) << error;
  EXPECT_EQ(info.dataOffset, 44u + sizeof extra);
  EXPECT_EQ(info.frames(), 4410u);
}

}  // namespace
