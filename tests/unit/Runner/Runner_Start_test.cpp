// The runner as a process: finding the game, the start-up lines, ending after N frames, and the
// refusal of bad files. Runs the built runner binary (TESSERA_TOOLS names its folder).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "DataFileWriter.h"
#include "Writer_Settings.h"
#include "Writer_World.h"

namespace fs = std::filesystem;

namespace {

struct Result {
  int exitCode = -1;
  std::string out;
};

Result RunCommand(const std::string& command) {
  Result r;
  FILE* p = ::popen(command.c_str(), "r");
  if (p == nullptr) return r;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) r.out.append(buffer, n);
  int status = ::pclose(p);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

class RunnerProcess : public testing::Test {
 protected:
  void SetUp() override {
    const char* tools = std::getenv("TESSERA_TOOLS");
    if (tools == nullptr) GTEST_SKIP() << "TESSERA_TOOLS is not set";
    runner = std::string(tools) + "/tessera";
    dir = fs::temp_directory_path() / ("tessera-start-" + std::to_string(::getpid()) + "-" +
                                       testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    if (!dir.empty()) fs::remove_all(dir);
  }
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = (dir / name).string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path;
  }
  static std::vector<uint8_t> Game(const std::string& name) {
    DataFileWriter w;
    GeneralDesc g;
    g.name = name;
    g.displayName = name;
    g.roomOrder = {0};
    WriteGeneral(w, g);
    WriteOptions(w, OptionsDesc{});
    RoomDesc room;
    room.name = "room0";
    WriteRooms(w, {room}, false, g.version);  // no code chunk: a source-text game
    return w.finish();
  }
  std::string Env() const { return "XDG_DATA_HOME=" + (dir / "xdg").string() + " "; }
  std::string runner;
  fs::path dir;
};

}  // namespace

TEST_F(RunnerProcess, RunsTheStartUpSequenceAndEndsAfterTheGivenFrames) {
  const std::string game = Write("game.win", Game("one"));
  Result r = RunCommand(Env() + runner + " -game " + game + " -headless -nosleep -frames 5");
  EXPECT_EQ(r.exitCode, 0);
  const char* lines[] = {"RunnerLoadGame() - ", "Checking if INIFile ", "!!!!No INI File ", "Reading File ",
                         "Loaded File ", "IFF wad found\n", "Create Window\n", "LoadGameData()\n",
                         "initialise everything!\n", "Process Chunk: GEN8   ", "PrepareGame()\n",
                         "DataFile_Prepare() \n", "InitGraphics() \n", "Finished PrepareGame() \n", "Run_Start\n",
                         "StartGame()\n", "StartGame() - DONE\n", "Total memory used = ",
                         "**********************************.\nEntering main loop.\n**********************************.\n"};
  size_t at = 0;
  for (const char* line : lines) {
    size_t found = r.out.find(line, at);
    ASSERT_NE(found, std::string::npos) << "missing, or out of order: " << line << "\n" << r.out;
    at = found;
  }
}

TEST_F(RunnerProcess, OptionsIniBesideTheGameIsRead) {
  const std::string game = Write("game.win", Game("two"));
  std::ofstream(dir / "options.ini") << "[DEFAULT]\nDebug=0\nTrace=1\n";
  Result r = RunCommand(Env() + runner + " -game " + game + " -headless -nosleep -frames 1");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("Checking if INIFile " + (dir / "options.ini").string() + " Exists\n"), std::string::npos);
  EXPECT_EQ(r.out.find("!!!!No INI File"), std::string::npos);
}

TEST_F(RunnerProcess, DataWinBesideTheExecutableWinsAndSwitchesAreNotParsed) {
  fs::copy_file(runner, dir / "tessera");
  Write("data.win", Game("beside"));
  const std::string other = Write("other.win", Game("other"));
  // -frames is a switch too, so it is not parsed either: the game would run for ever. Bound it.
  Result r = RunCommand("timeout 2 env " + Env() + (dir / "tessera").string() + " -game " + other + " -frames 1");
  EXPECT_NE(r.out.find("RunnerLoadGame() - " + (dir / "data.win").string()), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("other.win"), std::string::npos);
}

TEST_F(RunnerProcess, BadFilesEndWithAMessageAndExitCodeOne) {
  DataFileWriter w;
  WriteGeneral(w, GeneralDesc{});
  w.chunk("QQQQ").u32(1);
  const std::string unknown = Write("unknown.win", w.finish());
  Result r = RunCommand(Env() + runner + " -game " + unknown + " -headless -nosleep -frames 1");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("unknown Chunk QQQQ:"), std::string::npos);
  EXPECT_NE(r.out.find("Failed to load the game\n"), std::string::npos);
  EXPECT_EQ(r.out.find("Entering main loop."), std::string::npos);

  std::vector<uint8_t> cut = Game("cut");
  cut.resize(cut.size() - 10);
  const std::string truncated = Write("truncated.win", cut);
  r = RunCommand(Env() + runner + " -game " + truncated + " -headless -nosleep -frames 1");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("Error in data file " + truncated + ": FORM length"), std::string::npos) << r.out;

  r = RunCommand(Env() + runner + " -game " + (dir / "missing.win").string() + " -headless");
  EXPECT_EQ(r.exitCode, 1);
}

TEST_F(RunnerProcess, AFatalSignalWritesTheCrashReport) {
#ifdef TESSERA_SANITIZED
  GTEST_SKIP() << "the sanitizers report crashes themselves";
#endif
  const std::string game = Write("game.win", Game("crash"));
  // The game runs at its room speed until the signal arrives; the report lands in the current folder.
  Result r = RunCommand("cd " + dir.string() + " && (" + Env() + runner + " -game " + game +
                        " -headless & pid=$!; sleep 0.5; kill -SEGV $pid; wait $pid; echo status=$?) 2>&1");
  EXPECT_NE(r.out.find("!!!Unhandled Exception!!! - creating minidump\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Minidump created.\n"), std::string::npos);
  EXPECT_NE(r.out.find("status=139"), std::string::npos);  // the signal's default action still happens
  std::ifstream dump(dir / "MidiDump.dmp");
  std::string first;
  std::getline(dump, first);
  EXPECT_EQ(first, "Signal 11 (SIGSEGV)");
}

TEST_F(RunnerProcess, ASwitchValueThatIsNotANumberEndsWithAMessageAndExitCodeOne) {
  const std::string game = Write("game.win", Game("numbers"));
  for (const char* value : {"abc", "-1", "2.5"}) {
    Result r = RunCommand(Env() + runner + " -game " + game + " -headless -nosleep -frames " + value + " 2>&1");
    EXPECT_EQ(r.exitCode, 1) << value;
    EXPECT_NE(r.out.find(std::string("tessera: -frames ") + value + ": the number of frames must be a whole number"),
              std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Run_Start"), std::string::npos);  // nothing is started
  }
}

TEST_F(RunnerProcess, CaptureSwitchesSayWhenTheyCannotDoTheirWork) {
  const std::string game = Write("game.win", Game("capture"));
  const std::string missing = (dir / "missing.rec").string();
  Result r = RunCommand(Env() + runner + " -game " + game + " -headless -nosleep -frames 2 -playback " + missing);
  EXPECT_EQ(r.exitCode, 0);
  const size_t said = r.out.find("-playback: cannot read " + missing + ": No such file or directory\n");
  EXPECT_NE(said, std::string::npos) << r.out;
  EXPECT_LT(said, r.out.find("Run_Start"));  // at start

  const std::string unwritable = (dir / "no-such-folder" / "input.rec").string();
  r = RunCommand(Env() + runner + " -game " + game + " -headless -nosleep -frames 2 -record " + unwritable);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("-record: cannot write " + unwritable + ": the folder "), std::string::npos) << r.out;

  // A good path gets one record a step, in place when the game ends, with nothing left beside it.
  const std::string good = (dir / "input.rec").string();
  r = RunCommand(Env() + runner + " -game " + game + " -headless -nosleep -frames 2 -record " + good);
  EXPECT_EQ(r.out.find("-record:"), std::string::npos) << r.out;
  ASSERT_TRUE(fs::exists(good));
  EXPECT_EQ(fs::file_size(good), 2u * 2939u);
  size_t files = 0;
  for (const auto& e : fs::directory_iterator(dir)) files += e.path().filename().string().rfind("input.rec", 0) == 0;
  EXPECT_EQ(files, 1u);
  // Played back for longer than it lasts, it says where it ended and the game goes on.
  r = RunCommand(Env() + runner + " -game " + game + " -headless -nosleep -frames 3 -playback " + good);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("-playback: " + good + " ends after step 2; input is live from here\n"), std::string::npos)
      << r.out;

  // A screenshot is written when the game ends; one that cannot be written is said once, then.
  const std::string shot = (dir / "shot.png").string();
  r = RunCommand(Env() + runner + " -game " + game + " -headless -nosleep -frames 3 -screenshot " + shot);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out.find("-screenshot:"), std::string::npos) << r.out;
  EXPECT_TRUE(fs::exists(shot));
  const std::string badShot = (dir / "no-such-folder" / "shot.png").string();
  r = RunCommand(Env() + runner + " -game " + game + " -headless -nosleep -frames 3 -screenshot " + badShot);
  EXPECT_EQ(r.exitCode, 0);
  const std::string line = "-screenshot: cannot write " + badShot + ": ";
  const size_t first = r.out.find(line);
  ASSERT_NE(first, std::string::npos) << r.out;
  EXPECT_EQ(r.out.find(line, first + 1), std::string::npos);
  EXPECT_GT(first, r.out.find("Entering main loop."));
  EXPECT_FALSE(fs::exists(badShot));
}

TEST_F(RunnerProcess, AGameConstantNamesOnlyEarlierConstantsAndResources) {
  auto withConstants = [](std::vector<std::pair<std::string, std::string>> constants) {
    DataFileWriter w;
    GeneralDesc g;
    g.roomOrder = {0};
    WriteGeneral(w, g);
    OptionsDesc o;
    o.constants = std::move(constants);
    WriteOptions(w, o);
    RoomDesc room;
    room.name = "rm_only";
    WriteRooms(w, {room}, false, g.version);
    return w.finish();
  };
  const std::string good = Write("good.win", withConstants({{"M", "5"}, {"B", "M + 2"}, {"R", "rm_only"}}));
  Result r = RunCommand(Env() + runner + " -game " + good + " -headless -nosleep -frames 1");
  EXPECT_EQ(r.exitCode, 0) << r.out;

  // A name nothing knows is read as a variable with no instance: the value is not valid, and the game
  // does not start (the process is not ended by the machine).
  const std::string bad = Write("bad.win", withConstants({{"M", "5"}, {"B", "NOPE + 2"}}));
  r = RunCommand(Env() + runner + " -game " + bad + " -headless -nosleep -frames 1");
  EXPECT_EQ(r.exitCode, 1) << r.out;
  EXPECT_NE(r.out.find("Value for constant B  is not valid.\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Failed to define the constants.\n"), std::string::npos);
  EXPECT_EQ(r.out.find("Run_Start"), std::string::npos);

  // A constant cannot name a later one.
  const std::string later = Write("later.win", withConstants({{"B", "M + 2"}, {"M", "5"}}));
  r = RunCommand(Env() + runner + " -game " + later + " -headless -nosleep -frames 1");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("Value for constant B  is not valid.\n"), std::string::npos) << r.out;
}
