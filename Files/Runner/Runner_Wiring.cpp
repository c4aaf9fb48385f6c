#include "Runner/Runner_Wiring.h"

#include <string>
#include <vector>

#include "Background/Background_Class.h"
#include "Background/Background_Load.h"
#include "Code/Code_Constant.h"
#include "Code/Code_Error.h"
#include "Code/Code_Function.h"
#include "Code/Code_Load.h"
#include "Code/Code_Compile.h"
#include "Code/Code_VM.h"
#include "Code/Code_Script.h"
#include "DataFile/DataFile_Load.h"
#include "Extension/Extension_Class.h"
#include "Extension/Extension_DLL.h"
#include "Extension/Extension_Main.h"
#include "Font/Font_Class.h"
#include "Font/Font_Load.h"
#include "Graphics/Graphics_Texture.h"
#include "Graphics/Graphics_TexturePages.h"
#include "Function/Function_ActionSupport.h"
#include "Function/Function_DataStructure.h"
#include "Function/Function_Library.h"
#include "Function/Function_Register.h"
#include "Graphics/Graphics_Display.h"
#include "Graphics/Graphics_Loading.h"
#include "Graphics/Graphics_Model.h"
#include "Graphics/Graphics_RoomDraw.h"
#include "Graphics/Graphics_Window.h"
#include "Support/Support_Http.h"
#include "IO/IO_Main.h"
#include "IO/IO_Mouse.h"
#include "IO/IO_VirtualButtons.h"
#include "Support/Support_Random.h"
#include "Object/Object_Load.h"
#include "Option/Option_Main.h"
#include "Particle/Particle_Draw.h"
#include "Particle/Particle_Effect.h"
#include "Particle/Particle_System.h"
#include "Path/Path_Main.h"
#include "Platform/Platform_Spawn.h"
#include "Motion/Motion_Grid.h"
#include "Collision/Collision_Index.h"
#include "Collision/Collision_Test.h"
#include "IO/IO_Step.h"
#include "Room/Room_Class.h"
#include "Room/Room_Load.h"
#include "Object/Object_Class.h"
#include "Object/Object_Event.h"
#include "Room/Room_Class.h"
#include "Room/Room_Main.h"
#include "Run/Run_Save.h"
#include "Timeline/Timeline_Main.h"
#include "Variable/Variable_BuiltIn.h"
#include "Run/Run_Hooks.h"
#include "Run/Run_World.h"
#include "Run/Run_State.h"
#include "Runner/Runner_CommandLine.h"
#include "Runner/Runner_Prepare.h"
#include "Sound/Sound_Audio.h"
#include "Sound/Sound_Classic.h"
#include "Sound/Sound_Main.h"
#include "Sprite/Sprite_Class.h"
#include "Sprite/Sprite_Draw.h"
#include "Sprite/Sprite_Load.h"
#include "Variable/Variable_BuiltInState.h"
#include "Variable/Variable_Names.h"
#include "Variable/Variable_Global.h"
#include "Variable/Variable_List.h"

namespace {

// The code module's handlers take the body offset and length; the dispatch table passes the chunk.
template <void (*Handler)(const DataView&, uint64_t, uint32_t)>
void Chunk(const DataView& view, const ChunkInfo& chunk) {
  Handler(view, chunk.body, chunk.length);
}

bool PrepareConstants() {
  std::vector<CGameConstant> constants;
  for (size_t i = 0; i < g_Options.constantNames.size(); ++i) {
    constants.push_back({g_Options.constantNames[i].c_str(), g_Options.constantValues[i].c_str()});
  }
  return DefineConstants(constants.data(), static_cast<int>(constants.size()));
}

void WireCode() {
  // The compiler binds execute_string and execute_file, so it is installed once the registry is full.
  DataFile_SetRegisterFunctions([] {
    RegisterAllFunctions();
    Code_InstallCompiler();
  });
  DataFile_SetPrePassHandler(MakeTag("STRG"), Chunk<Code_LoadSTRG>);
  DataFile_SetPrePassHandler(MakeTag("CODE"), Chunk<Code_LoadCODE>);
  DataFile_SetPrePassHandler(MakeTag("VARI"), Chunk<Code_LinkVARI>);
  DataFile_SetMainHandler(MakeTag("SCPT"), Chunk<Code_LoadSCPT>);
  DataFile_SetMainHandler(MakeTag("FUNC"), Chunk<Code_LinkFUNC>);
  DataFile_SetMainHandler(MakeTag("CODE"), Chunk<Code_LinkCODE>);
  Prepare_SetStep(kPrepareConstants, PrepareConstants);
  Prepare_SetStep(kPrepareScripts, Code_CompileScripts);
  VM_Install();
}

// Objects, instances and rooms: their chunks, their preparation steps and the run hooks.
void WireWorld() {
  DataFile_SetMainHandler(MakeTag("OBJT"), Object_LoadOBJT);
  DataFile_SetMainHandler(MakeTag("ROOM"), Room_LoadROOM);
  DataFile_SetMainHandler(MakeTag("PATH"), Path_LoadPATH);
  Prepare_SetStep(kPrepareObjects, Object_Prepare);
  Prepare_SetStep(kPrepareRooms, Room_Prepare);
  Room_Install();
}

// The built-in variable table (before any code is linked, so that built-in names resolve), the
// timelines and the saved-game load at the end of a frame.
void WireBuiltInsTimelinesAndSaves() {
  Variable_InitBuiltIns();
  DataFile_SetMainHandler(MakeTag("TMLN"), TimeLine_LoadTMLN);
  Prepare_SetStep(kPrepareTimelines, TimeLine_Prepare);
  g_RunHooks.loadSavedGame = SaveGame_LoadRemembered;
  // Error frames name objects, events and, while a moment runs, the timeline.
  CErrorNames names;
  names.eventName = [](int, int type, int number, char* buffer, size_t size) { Event_Name(type, number, buffer, size); };
  names.objectName = Object_Name;
  names.timelineName = TimeLine_Name;
  SetErrorNames(names);
}

// The display: the frame protocol, the window's messages, room drawing and the window size rooms ask for.
void WireGraphics() {
  g_RunHooks.beginFrame = Display_BeginFrame;
  g_RunHooks.endFrame = Display_EndFrame;
  g_RunHooks.pumpMessages = Window_PumpMessages;
  g_RoomHooks.drawScreen = RoomDraw_Screen;
  g_RoomHooks.screenSize = [](int32_t* width, int32_t* height) { Window_DisplaySize(*width, *height); };
  g_RoomHooks.resizeWindow = [](int32_t width, int32_t height) {
    int32_t w = 0, h = 0;
    Window_ClientSize(w, h);
    if (w != width || h != height) Window_SetSize(width, height);
  };
  Prepare_SetProgress(Loading_Update);
}

// Bare names in compiled code (the builder, source-text games at preparation, execute_string):
// each resource store answers for its kind. The lookup order is the order of the kinds, not of
// these lines; a new store adds its line here.
void WireResourceNames() {
  SetResourceFindHook(ResourceKind::Object, Object_FindByName);
  SetResourceFindHook(ResourceKind::Sprite, [](const char* name) { return int(Sprite_Find(name)); });
  SetResourceFindHook(ResourceKind::Background, [](const char* name) { return int(Background_Find(name)); });
  SetResourceFindHook(ResourceKind::Timeline, TimeLine_Find);
  SetResourceFindHook(ResourceKind::Script, Script_Find);
  SetResourceFindHook(ResourceKind::Room, Room_Find);
  SetResourceFindHook(ResourceKind::Path, Path_Find);
  SetResourceFindHook(ResourceKind::Font, [](const char* name) { return int(Font_Find(name)); });
}

// Texture pages, sprites and backgrounds: their chunks and the sprite geometry the built-in
// variables read.
void WireImages() {
  DataFile_SetMainHandler(MakeTag("TPAG"), TexturePages_LoadTPAG);
  DataFile_SetMainHandler(MakeTag("TXTR"), TexturePages_LoadTXTR);
  DataFile_SetMainHandler(MakeTag("SPRT"), Sprite_LoadSPRT);
  DataFile_SetMainHandler(MakeTag("BGND"), Background_LoadBGND);
  DataFile_SetMainHandler(MakeTag("FONT"), Font_LoadFONT);
  DataFile_AddLoadFinishedHandler(TexturePages_Finish);
  BuiltIn_SetSpriteQuery([](int32_t index, BuiltInSpriteGeometry* out) {
    const CSprite* sprite = Sprite_Get(index);
    if (sprite == nullptr) return false;
    *out = BuiltInSpriteGeometry{sprite->width, sprite->height, sprite->xorigin, sprite->yorigin};
    return true;
  });
}

// What a load puts into the stores, forgotten before another data file is loaded in this process.
void WireResets() {
  DataFile_AddResetHandler([] {
    World_FreeAll();
    World_ForgetAll();
    Room_FreeTable();
    Object_ResetStore();
    TimeLine_Reset();
    Code_Reset();
    Variable_ClearNames();
    DataStructures_FreeAll();
  });
  DataFile_AddResetHandler([] {
    Font_FreeAll();
    Sprite_FreeAll();
    Background_FreeAll();
    TexturePages_Reset();
    Loading_Reset();
    GR_Texture_FreeAll();
  });
  DataFile_AddResetHandler([] {
    Path_FreeAll();
    Grid_FreeAll();
    CollisionIndex_Reset();
  });
  DataFile_AddResetHandler(Sound_Reset);
}

// Sounds: their chunks, preparation, the per-step update, the stop at game end, and their names.
void WireSound(const CommandLineSwitches& switches) {
  DataFile_SetMainHandler(MakeTag("SOND"), Sound_LoadSOND);
  DataFile_SetMainHandler(MakeTag("AUDO"), Sound_LoadAUDO);
  OutputChoice choice;
  choice.noAudio = switches.noAudio;
  choice.headless = switches.headless;
  Sound_SetOutputChoice(choice);
  Prepare_SetStep(kPrepareSounds, Sound_Prepare);
  g_RunHooks.updateAudio = Sound_Update;
  g_RunHooks.stopSounds = Sound_StopAndFree;
  SetResourceFindHook(ResourceKind::Sound, [](const char* name) {
    return int(Sound_NewAudio() ? Audio_FindAsset(name) : Sound_Find(name));
  });
}

// Input: the state starts empty with the identity key map; the frame clears the step's edges, a
// saved-game load and every error report clear the state.
void WireInput() {
  IO_Reset();
  IO_ResetRoomMouse();
  VirtualButtons_Reset();
  g_RunHooks.clearInputEdges = IO_ClearEdges;
  g_RunHooks.clearInputState = IO_ClearState;
  SetErrorClearInputHook(IO_ClearState);
  // An instance is under the mouse where its mask is (precisely when its sprite asks for it).
  IO_SetUnderPointTest([](CInstance* i, double x, double y) { return Collision_Point(i, x, y, true); });
}

// Extension packages: their chunk, their names for the linker, their preparation, the start and
// end calls; "-ext" keeps native calls from reaching their libraries.
void WireExtensions(const CommandLineSwitches& switches) {
  DataFile_SetMainHandler(MakeTag("EXTN"), Extension_LoadEXTN);
  Extension_InstallLookups();
  Prepare_SetStep(kPrepareExtensions, Extension_Prepare);
  g_RunHooks.extensionsInitialise = Extension_Initialise;
  g_RunHooks.extensionsFinalise = Extension_Finalise;
  DLL_SetSkipCalls(switches.skipExternalCalls);
}

void WireErrors() {
  SetErrorNewRoomHook([](int request) { g_RunState.newRoom = request; });
  SetErrorDialogHook(HeadlessErrorDialog);
}

}  // namespace

void Runner_WireSubsystems(const CommandLineSwitches& switches) {
  g_RunHooks.createGlobals = Variable_PrepareGlobals;
  g_RunHooks.seedRandom = Random_SetSeed;
  World_SetRandomSource([] { return static_cast<double>(Random_Unit()); });
  g_RunHooks.freeGameData = [] {
    Http_Forget();
    Function_Dialog_Forget();
    Function_CloseAllFiles();
    DataStructures_FreeAll();
    ParticleSystem_DestroyAll();
    ParticleType_DestroyAll();
    Effect_Forget();
    Model_DestroyAll();
    Function_Action_Forget();
  };
  WireCode();
  WireExtensions(switches);
  g_RunHooks.asyncEvents = [] {
    Function_Http_RaiseEvents();
    Function_Dialog_RaiseEvents();
    Platform_ReapChildren();  // programs started without waiting leave no zombie once they end
  };
  Platform_SetSpawnWaitHook(Window_PumpMessages);  // the window stays answering while a program runs
  WireErrors();
  WireInput();
  WireGraphics();
  WireWorld();
  WireImages();
  WireResets();
  for (const Breakpoint& bp : switches.breakpoints) VM_AddBreakpoint(bp.codeName.c_str(), bp.line + 1);
  WireBuiltInsTimelinesAndSaves();
  WireResourceNames();
  Sprite_InstallDrawHooks();
  Particle_InstallDrawHooks();
  WireSound(switches);
}

void Runner_ApplyOptions(const CommandLineSwitches& switches) {
  VirtualButtons_Resolve();  // their key and button names are constants, which exist by now
  VM_SetTrace(switches.trace);  // the options file may have changed it
  VM_SetSourceInterpreter(switches.oldExec);
  SetDisplayErrors(g_Options.displayErrors);
  SetAbortOnAllErrors(g_Options.abortOnAllErrors);
  Variable_SetStrictVariables(g_Options.strictVariables);
  g_Display.windowColour = int32_t(g_Options.windowColour & 0xFFFFFF);
  Window_SetCursor(g_Options.showCursor ? 0 : -1);
  if (g_Options.fullScreen) Window_SetFullscreen(true);  // forced off by -inawindow before this
}
