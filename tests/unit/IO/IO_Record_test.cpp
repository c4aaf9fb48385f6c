// The input record: its layout field by field, refusal of records the runner cannot have written,
// and reading a file that ends, is cut short or is corrupt.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <vector>

#include "IO/IO_Record.h"
#include "Platform/Platform_Console.h"

namespace {

int32_t I32At(const uint8_t* p, size_t at) {
  return int32_t(uint32_t(p[at]) | uint32_t(p[at + 1]) << 8 | uint32_t(p[at + 2]) << 16 | uint32_t(p[at + 3]) << 24);
}

IOState Sample() {
  IOState s;
  s.lastChar = 0x20AC;
  s.typed = u"hi\u00E9";
  s.lastKey = 37;
  s.key = -2;
  s.keyDown[37] = 1;
  s.keyReleased[38] = 1;
  s.keyPressed[255] = 1;
  s.mouseButton[0] = 3;
  s.mouseButton[4] = 1;
  s.mouseLastButton[1] = 2;
  s.buttonDown[0] = 1;
  s.buttonReleased[14] = 1;
  s.buttonPressed[5] = 1;
  s.wheelUp[0] = 1;
  s.wheelDown[4] = 1;
  s.screenX = -5;
  s.screenY = 70000;
  s.clientX = 12;
  s.clientY = 34;
  return s;
}

TEST(InputRecord, LayoutFieldByField) {
  ASSERT_EQ(kRecordSize, 2939u);
  uint8_t r[kRecordSize];
  std::memset(r, 0xEE, sizeof r);
  IO_EncodeRecord(Sample(), r);
  EXPECT_EQ(r[0], 0xAC);
  EXPECT_EQ(r[1], 0x20);
  EXPECT_EQ(r[2], 'h');
  EXPECT_EQ(r[3], 0);
  EXPECT_EQ(r[4], 'i');
  EXPECT_EQ(r[6], 0xE9);
  for (size_t at = 8; at < 2052; ++at) ASSERT_EQ(r[at], 0) << at;  // terminator and padding
  EXPECT_EQ(I32At(r, 2052), 37);
  EXPECT_EQ(I32At(r, 2056), -2);
  EXPECT_EQ(r[2060 + 37], 1);   // down
  EXPECT_EQ(r[2316 + 38], 1);   // released
  EXPECT_EQ(r[2572 + 255], 1);  // pressed
  EXPECT_EQ(I32At(r, 2828), 3);  // mouse_button, device 0
  EXPECT_EQ(I32At(r, 2828 + 16), 1);
  EXPECT_EQ(I32At(r, 2848 + 4), 2);  // mouse_lastbutton, device 1
  EXPECT_EQ(r[2868], 1);        // button down
  EXPECT_EQ(r[2883 + 14], 1);   // button released
  EXPECT_EQ(r[2898 + 5], 1);    // button pressed
  EXPECT_EQ(r[2913], 1);        // wheel up
  EXPECT_EQ(r[2918 + 4], 1);    // wheel down
  EXPECT_EQ(I32At(r, 2923), -5);
  EXPECT_EQ(I32At(r, 2927), 70000);
  EXPECT_EQ(I32At(r, 2931), 12);
  EXPECT_EQ(I32At(r, 2935), 34);
  size_t ones = 0;
  for (size_t at = 2060; at < 2828; ++at) ones += r[at];
  EXPECT_EQ(ones, 3u);

  IOState back;
  std::string why;
  ASSERT_TRUE(IO_DecodeRecord(r, back, why)) << why;
  uint8_t again[kRecordSize];
  IO_EncodeRecord(back, again);
  EXPECT_EQ(std::memcmp(r, again, kRecordSize), 0);
  EXPECT_EQ(back.typed, u"hi\u00E9");
}

TEST(InputRecord, RecordsTheRunnerCannotHaveWrittenAreRefused) {
  uint8_t good[kRecordSize];
  IO_EncodeRecord(Sample(), good);
  struct Case {
    size_t at;
    uint8_t value;
    const char* why;
  } cases[] = {
      {2060 + 9, 2, "key flag"},           {2572, 0xFF, "key flag"},
      {2828, 4, "mouse button"},           {2848 + 19, 0x80, "mouse button"},  // a negative lastbutton
      {2898 + 14, 2, "mouse flag"},        {2918, 9, "mouse flag"},
      {2 + 2 * 1024, 'x', "typed string"},  // no terminator in 1025 units
  };
  for (const Case& c : cases) {
    uint8_t r[kRecordSize];
    std::memcpy(r, good, sizeof r);
    if (c.at == 2 + 2 * 1024) {
      for (size_t at = 2; at < 2052; at += 2) r[at] = 'x';
    } else {
      r[c.at] = c.value;
    }
    IOState s;
    s.lastKey = 99;
    std::string why;
    EXPECT_FALSE(IO_DecodeRecord(r, s, why)) << c.at;
    EXPECT_NE(why.find(c.why), std::string::npos) << why;
    EXPECT_EQ(s.lastKey, 99);  // untouched
  }
  // 1024 units and the terminator is the longest string a record holds.
  uint8_t r[kRecordSize];
  std::memcpy(r, good, sizeof r);
  for (size_t at = 2; at < 2050; at += 2) r[at] = 'y', r[at + 1] = 0;
  r[2050] = r[2051] = 0;
  IOState s;
  std::string why;
  ASSERT_TRUE(IO_DecodeRecord(r, s, why));
  EXPECT_EQ(s.typed.size(), 1024u);
}

class RecordFiles : public testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() / ("tessera-rec-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    path = (dir / "run.rec").string();
  }
  void TearDown() override {
    IO_StopCapture();
    std::filesystem::remove_all(dir);
  }
  std::string Output(const std::function<void()>& f) {
    Console::Flush();
    testing::internal::CaptureStdout();
    f();
    Console::Flush();
    return testing::internal::GetCapturedStdout();
  }
  std::filesystem::path dir;
  std::string path;
};

TEST_F(RecordFiles, RecordingThenPlayingBack) {
  std::ofstream(path) << "an older recording";
  ASSERT_TRUE(IO_StartRecording(path));
  IOState s = Sample();
  IO_WriteRecord(s);
  s.lastKey = 40;
  IO_WriteRecord(s);
  // Until recording ends the old file stays as it was.
  EXPECT_EQ(std::filesystem::file_size(path), 18u);
  IO_StopCapture();
  EXPECT_EQ(std::filesystem::file_size(path), 2 * kRecordSize);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1);

  ASSERT_TRUE(IO_StartPlayback(path));
  IOState in;
  EXPECT_TRUE(IO_ReadRecord(in));
  EXPECT_EQ(in.lastKey, 37);
  EXPECT_TRUE(IO_ReadRecord(in));
  EXPECT_EQ(in.lastKey, 40);
  EXPECT_EQ(Output([&] { EXPECT_FALSE(IO_ReadRecord(in)); }),
            "-playback: " + path + " ends after step 2; input is live from here\n");
  EXPECT_FALSE(IO_PlayingBack());
  EXPECT_EQ(in.lastKey, 40);
}

TEST_F(RecordFiles, ACutOrCorruptFileEndsPlaybackWithoutReadingPastIt) {
  uint8_t r[kRecordSize];
  IO_EncodeRecord(Sample(), r);
  {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(r), kRecordSize);
    f.write(reinterpret_cast<const char*>(r), 10);
  }
  ASSERT_TRUE(IO_StartPlayback(path));
  IOState in;
  EXPECT_TRUE(IO_ReadRecord(in));
  EXPECT_EQ(Output([&] { EXPECT_FALSE(IO_ReadRecord(in)); }),
            "-playback: " + path + " is cut short in step 2; input is live from here\n");
  EXPECT_FALSE(IO_ReadRecord(in));  // ended: nothing more is read, nothing more is said

  r[2060] = 3;
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(r), kRecordSize);
  ASSERT_TRUE(IO_StartPlayback(path));
  EXPECT_EQ(Output([&] { EXPECT_FALSE(IO_ReadRecord(in)); }),
            "-playback: " + path + " is corrupt in step 1: a key flag is neither 0 nor 1; input is live from here\n");
}

TEST_F(RecordFiles, FilesThatCannotBeUsedAreNamedAndTheFeatureIsOff) {
  EXPECT_EQ(Output([&] { EXPECT_FALSE(IO_StartPlayback(dir.string())); }),
            "-playback: cannot read " + dir.string() + ": it is a folder\n");
  EXPECT_FALSE(IO_PlayingBack());
  const std::string nowhere = (dir / "missing" / "x.rec").string();
  EXPECT_EQ(Output([&] { EXPECT_FALSE(IO_StartRecording(nowhere)); }),
            "-record: cannot write " + nowhere + ": the folder " + (dir / "missing").string() + " does not exist\n");
  EXPECT_FALSE(IO_Recording());
  IO_WriteRecord(Sample());  // off: nothing happens
}

}  // namespace
