// Writes the seed corpus of the data-file fuzzer when TESSERA_WRITE_CORPUS names a folder, and in
// every run checks that the seeds load.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "DataFile/DataFile_Load.h"
#include "DataFileWriter.h"
#include "Writer_Settings.h"

TEST(DataFileCorpus, SeedsLoad) {
  std::vector<std::vector<uint8_t>> seeds;
  {
    DataFileWriter w;
    GeneralSpec g;
    g.roomOrder = {0, 1};
    WriteGeneral(w, g);
    OptionsSpec o;
    o.constants = {{"VersionMajor", "1"}, {"c", "2"}};
    WriteOptions(w, o);
    w.chunk("SPRT").u32(2).u32(0).u32(0);
    w.chunk("HELP");
    w.chunk("DAFL").u32(0);
    seeds.push_back(w.finish());
  }
  {
    DataFileWriter w;
    GeneralSpec g;
    g.version = 7;
    g.roomOrder = {3};
    WriteGeneral(w, g);
    seeds.push_back(w.finish());
  }
  const char* folder = std::getenv("TESSERA_WRITE_CORPUS");
  for (size_t i = 0; i < seeds.size(); ++i) {
    DataView view(seeds[i].data(), seeds[i].size());
    testing::internal::CaptureStdout();
    DataFile_PrePass(view);
    EXPECT_TRUE(LoadGameData(view));
    testing::internal::GetCapturedStdout();
    if (folder) {
      std::ofstream(std::string(folder) + "/seed" + std::to_string(i) + ".win", std::ios::binary)
          .write(reinterpret_cast<const char*>(seeds[i].data()), seeds[i].size());
    }
  }
}
