// A small game world built by hand for the world's tests: objects with handlers compiled from
// code text, room definitions, and helpers to read global variables the handlers write.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Code/Code_Compile.h"
#include "Code/Code_Constant.h"
#include "Code/Code_Error.h"
#include "Code/Code_Function.h"
#include "Code/Code_VM.h"
#include "DataFile/DataFile_General.h"
#include "Object/Object_Class.h"
#include "Object/Object_Event.h"
#include "Option/Option_Main.h"
#include "Room/Room_Class.h"
#include "Room/Room_Main.h"
#include "Run/Run_State.h"
#include "Run/Run_World.h"
#include "Support/Support_Stream.h"
#include "Variable/Variable_Global.h"
#include "Variable/Variable_Instance.h"
#include "Variable/Variable_Names.h"
#include "Variable/Variable_Route.h"

class WorldTest : public ::testing::Test {
  public:
  static std::vector<std::string>& VmErrors() {
    static std::vector<std::string> errors;
    return errors;
  }

  void SetUp() override {
    RegisterAllFunctions();
    if (ConstantCount() == 0) AddBuiltinConstants();
    ResetErrorReporter();
    VmErrors().clear();
    VM_SetErrorSink([](const char* report) { VmErrors().push_back(report); });
    Variable_PrepareGlobals();
    Object_ResetStore();
    Room_FreeTable();
    World_ForgetAll();
    RunState_Reset();
    g_General.roomOrder.clear();
    g_General.version = 8;
    g_General.lastInstanceId = 100000;
    g_Options.createEventFirst = false;
    World_Install();
    World_SetLastId(100000);
  }

  void TearDown() override {
    EXPECT_TRUE(VmErrors().empty()) << VmErrors().front();
    Room_FreeStates();
    World_FreeAll();
    World_ForgetAll();
    Room_FreeTable();
    Object_ResetStore();
    Event_FreeLists();
    VM_SetErrorSink(nullptr);
    SetInstanceWorld(nullptr);
  }

  // Kept out of line: inlined into test bodies, the string assignment trips a false -Wrestrict.
  __attribute__((noinline)) CObject* AddObject(int32_t index, const char* name, int32_t parent = -1,
                                               int32_t depth = 0) {
    auto* object = new CObject(index);
    object->name = name;
    object->parent = parent;
    object->depth = depth;
    Object_Insert(object);
    Object_ResolveParents();
    return object;
  }

  // Gives object `index` a handler for (type, sub) compiled from `code`.
  void On(int32_t index, int type, int sub, const char* code) {
    CObject* object = Object_Find(index);
    ASSERT_NE(object, nullptr);
    CEvent* event = object->MakeHandler(type, sub);
    event->SetSource(code);
    event->code = Code_CompileText("test", code);
    ASSERT_NE(event->code, nullptr) << CompileErrorText();
  }

  // A room definition at `index` in the room order.
  CRoom* AddRoom(int32_t index, const char* name, int32_t width = 640, int32_t height = 480) {
    auto* room = new CRoom();
    room->width = width;
    room->height = height;
    Room_SetDefinition(index, room, name);
    g_General.roomOrder.push_back(index);
    return room;
  }

  static void SetGlobal(const char* name, const RValue& value) {
    g_pGlobalVariables->Set(Variable_FindOrAddName(name), 0, value);
  }
  static RValue Global(const char* name) {
    RValue out;
    g_pGlobalVariables->Get(Variable_FindOrAddName(name), 0, &out);
    return out;
  }
  static double GlobalReal(const char* name) { return Global(name).real; }
  static std::string GlobalText(const char* name) { return Global(name).Str(); }

  static void SetVar(CInstance* instance, const char* name, double value) {
    instance->variables.Set(Variable_FindOrAddName(name), 0, RValue(value));
  }
  static double Var(CInstance* instance, const char* name) {
    RValue out;
    instance->variables.Get(Variable_FindOrAddName(name), 0, &out);
    return out.real;
  }

  // Calls built-in function `name` with real arguments for `self`.
  static RValue Call(const char* name, CInstance* self, std::vector<RValue> args) {
    int id = -1;
    EXPECT_TRUE(FindFunction(name, &id)) << name;
    RValue result;
    CallFunction(id, result, self, self, int(args.size()), args.data());
    return result;
  }

  // The last reported error's message, without the frame naming the event and object.
  static std::string LastMessage() {
    const std::string text = LastErrorText();
    const size_t cut = text.rfind('\n');
    return cut == std::string::npos ? text : text.substr(cut + 1);
  }

  // Runs `code` once with `self` as self and other.
  static void Run(CInstance* self, const char* code) {
    CCode* unit = Code_CompileText("test_run", code);
    ASSERT_NE(unit, nullptr) << CompileErrorText();
    VM_Execute(self, self, unit, nullptr);
    delete unit;
  }
};
