// A fixture with its own save folder and game folder under a fresh temporary folder.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "Function_TestCall.h"
#include "Runner/Runner_Folders.h"

struct FileFolderTest : testcall::LibraryScope {
  void SetUp() {
    testcall::Prepare();
    char pattern[] = "/tmp/tessera_library_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_root = pattern;
    const char* old = std::getenv("XDG_DATA_HOME");
    m_hadXdg = old != nullptr;
    if (old) m_oldXdg = old;
    setenv("XDG_DATA_HOME", (m_root + "/data").c_str(), 1);
    m_oldGame = Folders_GameFile();
    std::filesystem::create_directories(m_root + "/game");
    Folders_SetGameFile(m_root + "/game/data.win");
    m_save = Folders_SaveFolder();
    m_gameDir = m_root + "/game/";
  }
  void TearDown() {
    Function_CloseAllFiles();
    if (m_hadXdg) {
      setenv("XDG_DATA_HOME", m_oldXdg.c_str(), 1);
    } else {
      unsetenv("XDG_DATA_HOME");
    }
    Folders_SetGameFile(m_oldGame);
    std::error_code ec;
    std::filesystem::remove_all(m_root, ec);
  }

  static void Put(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  static std::string Get(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static bool Exists(const std::string& path) { return std::filesystem::exists(path); }

  std::string m_root, m_save, m_gameDir, m_oldXdg, m_oldGame;
  bool m_hadXdg = false;
};
