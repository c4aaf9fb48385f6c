// A small running world for tests of the built-in variables, timelines and saved games: the
// function registry and the built-in table, one room being played, objects with compiled handlers
// and instances in the room.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "Code/Code_Compile.h"
#include "Code/Code_Error.h"
#include "Code/Code_Function.h"
#include "DataFile/DataFile_General.h"
#include "Object/Object_Class.h"
#include "Platform/Platform_Console.h"
#include "Room/Room_Class.h"
#include "Room/Room_Main.h"
#include "Run/Run_State.h"
#include "Run/Run_World.h"
#include "Variable/Variable_BuiltIn.h"
#include "Variable/Variable_BuiltInState.h"
#include "Variable/Variable_Global.h"
#include "Variable/Variable_Instance.h"

class BuiltInWorldTest : public ::testing::Test {
 public:
  void SetUp() override {
    RegisterAllFunctions();
    Variable_InitBuiltIns();
    ResetErrorReporter();
    RunState_Reset();
    BuiltInState_Reset();
    Variable_PrepareGlobals();
    World_Install();
    Room_ResetTable(2);
    Room_SetDefinition(0, new CRoom(), "room_a");
    Room_SetDefinition(1, new CRoom(), "room_b");
    g_General.roomOrder = {0, 1};
    EnterRoom(0);
  }

  void TearDown() override {
    Room_FreeStates();
    World_FreeAll();
    World_ForgetAll();
    Room_FreeTable();
    Object_ResetStore();
    Variable_FreeGlobals();
    g_General.roomOrder.clear();
    g_General.gameId = 0;
    Variable_FreeBuiltIns();
    SetInstanceWorld(nullptr);
    RunState_Reset();
    ResetErrorReporter();
  }

  // Makes room `index` the one being played with a fresh state (no events).
  CRoom* EnterRoom(int32_t index) {
    World_SetLists(nullptr, nullptr);
    auto* state = new CRoom();
    Room_SetState(index, state);
    Room_ResumeLoaded(index);
    return state;
  }

  // An object whose handler for (type, sub-type) runs `code`.
  static void AddObject(int32_t index, int type, int subType, const char* code) {
    CObject* object = Object_Find(index);
    if (object == nullptr) {
      object = new CObject(index);
      object->name = "object" + std::to_string(index);
      Object_Insert(object);
    }
    CEvent* event = object->MakeHandler(type, subType);
    event->SetSource(code);
    event->code = Code_CompileText("test", code);
    ASSERT_NE(event->code, nullptr) << CompileErrorText();
  }

  static CInstance* Create(float x, float y, int32_t object = 0) { return World_CreateInstance(x, y, object); }

  static double Get(CInstance* self, const char* name, int32_t index = 0) {
    RValue v;
    EXPECT_TRUE(GetBuiltIn(self, FindBuiltIn(name), index, &v)) << name;
    return v.real;
  }
  static std::string GetText(CInstance* self, const char* name, int32_t index = 0) {
    RValue v;
    EXPECT_TRUE(GetBuiltIn(self, FindBuiltIn(name), index, &v)) << name;
    return v.Str();
  }
  static bool Set(CInstance* self, const char* name, double value, int32_t index = 0) {
    return SetBuiltIn(self, FindBuiltIn(name), index, RValue(value));
  }
  static bool SetText(CInstance* self, const char* name, const char* value, int32_t index = 0) {
    return SetBuiltIn(self, FindBuiltIn(name), index, RValue(value));
  }
  // What the console printed while `work` ran.
  template <class F>
  static std::string ConsoleOf(F&& work) {
    Console::Flush();
    testing::internal::CaptureStdout();
    work();
    Console::Flush();
    return testing::internal::GetCapturedStdout();
  }
};
