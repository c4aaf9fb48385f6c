// Loads and walks a generated 64 MiB data file and compares the time with a plain read of the same
// file, in one run. Prints both times and their ratio.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "DataFile/DataFile_Load.h"
#include "DataFileWriter.h"
#include "Platform/Platform_Memory.h"
#include "Runner/Runner_Game.h"
#include "Writer_Settings.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

std::vector<uint8_t> Generate() {
  DataFileWriter w;
  GeneralDesc g;
  for (int i = 0; i < 1000; ++i) g.roomOrder.push_back(i);
  WriteGeneral(w, g);
  OptionsDesc o;
  for (int i = 0; i < 1000; ++i) o.constants.emplace_back("const" + std::to_string(i), std::to_string(i));
  WriteOptions(w, o);
  // Texture-like data: 960 blobs of 64 KiB behind a resource list.
  const int blobs = 960;
  DataFileWriter::Body& tx = w.chunk("TXTR");
  tx.u32(blobs);
  const uint32_t list = tx.size();
  tx.zeros(4 * blobs);
  std::vector<uint8_t> blob(65536, 0x5A);
  for (int i = 0; i < blobs; ++i) {
    tx.refAt(list + 4 * i, tx.here());
    tx.raw(blob.data(), blob.size());
  }
  // Many small records behind lists: rooms, objects, sprites.
  for (const char* tag : {"SPRT", "OBJT", "ROOM"}) {
    DataFileWriter::Body& b = w.chunk(tag);
    const int n = 100000;
    b.u32(n);
    const uint32_t first = b.size();
    b.zeros(4 * n);
    for (int i = 0; i < n; ++i) {
      b.refAt(first + 4 * i, b.here());
      b.stringRef(std::string(tag) + std::to_string(i % 1000)).u32(i).u32(0).u32(0);
    }
  }
  return w.finish();
}

}  // namespace

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : "/tmp/tessera-bench-load.win";
  std::vector<uint8_t> bytes = Generate();
  if (!DataFileWriter::WriteFile(path, bytes)) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return 1;
  }
  std::printf("data file: %s, %.1f MiB\n", path.c_str(), bytes.size() / 1048576.0);
  bytes.clear();
  bytes.shrink_to_fit();

  FILE* devnull = std::fopen("/dev/null", "w");
  double bestPlain = 1e9, bestLoad = 1e9;
  for (int round = 0; round < 7; ++round) {
    auto t0 = std::chrono::steady_clock::now();
    {
      FILE* f = std::fopen(path.c_str(), "rb");
      std::fseek(f, 0, SEEK_END);
      long n = std::ftell(f);
      std::rewind(f);
      std::vector<uint8_t> plain(static_cast<size_t>(n));
      if (std::fread(plain.data(), 1, plain.size(), f) != plain.size()) return 1;
      std::fclose(f);
    }
    auto t1 = std::chrono::steady_clock::now();
    {
      uint8_t* block = nullptr;
      size_t size = 0;
      if (!Runner_ReadFile(path, block, size)) return 1;
      DataView view(block, size);
      FILE* saved = stdout;
      stdout = devnull;
      DataFile_PrePass(view);
      bool ok = LoadGameData(view);
      stdout = saved;
      if (!ok) return 1;
      MemFree(block);
    }
    auto t2 = std::chrono::steady_clock::now();
    bestPlain = std::min(bestPlain, Seconds(t0, t1));
    bestLoad = std::min(bestLoad, Seconds(t1, t2));
  }
  std::printf("plain read   %8.2f ms\n", bestPlain * 1000);
  std::printf("runner load  %8.2f ms\n", bestLoad * 1000);
  std::printf("ratio load/read: %.2f (target at most 1.30)\n", bestLoad / bestPlain);
  std::remove(path.c_str());
  return 0;
}
