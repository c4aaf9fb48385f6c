// The drag-and-drop actions: what each sets, compares, draws or emits, in absolute and relative
// form. Drawing actions are compared with the drawing call they stand for, its arguments worked
// out by hand from the action's meaning.
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "Font/Font_Text.h"
#include "Function/Function_ActionSupport.h"
#include "Function/Function_Exercise.h"
#include "Function/Function_Register.h"
#include "Graphics/Graphics_DrawState.h"
#include "Graphics/RecordingDevice.h"
#include "Particle/Particle_Effect.h"
#include "Particle/Particle_System.h"
#include "Platform/Platform_Console.h"
#include "Run/WorldTestSupport.h"
#include "Sprite/Sprite_Class.h"
#include "Variable/Variable_BuiltIn.h"

namespace {

RValue R(double v) { return RValue(v); }
RValue S(const char* s) { return RValue(s); }

// A world of two rooms with one instance of obj_a at (10, 20) in the first; other event 6 (no
// more lives) counts in global.dead.
struct ActionWorld : WorldTest {
  CInstance* self = nullptr;
  void TestBody() override {}
  ActionWorld() {
    SetUp();
    Variable_InitBuiltIns();
    AddObject(0, "obj_a");
    On(0, EV_OTHER, 6, "global.dead += 1;");
    AddRoom(0, "room_a");
    AddRoom(1, "room_b");
    Event_BuildLists();
    Room_ResetStates();
    Room_EnterFirst();
    SetGlobal("dead", R(0));
    self = World_CreateInstance(10, 20, 0);
    SetLastErrorText("");
  }
  ~ActionWorld() {
    Function_Action_Forget();
    TearDown();
    Variable_FreeBuiltIns();
  }
  RValue Do(const char* name, std::vector<RValue> args = {}) { return Call(name, self, std::move(args)); }
  double Get(const char* variable, int index = 0) { return Action::Get(self, variable, index).real; }
  void Relative(bool on) { Do("action_set_relative", {R(on ? 1 : 0)}); }
};

void ExScoreLivesHealth() {
  ActionWorld w;
  w.Do("action_set_score", {R(10)});
  w.Relative(true);
  w.Do("action_set_score", {R(5)});
  EXPECT_EQ(w.Get("score"), 15);
  EXPECT_EQ(w.Get("argument_relative"), 1);
  EXPECT_EQ(w.Do("action_if_score", {R(15), R(0)}).real, 1);
  EXPECT_EQ(w.Do("action_if_score", {R(20), R(1)}).real, 1);  // 15 < 20
  EXPECT_EQ(w.Do("action_if_score", {R(20), R(2)}).real, 0);
  EXPECT_EQ(w.Do("action_if_score", {R(15), R(7)}).real, 0);  // no such operation
  // The score variable rounds, halves to even: 15 - 12.5 = 2.5 is stored as 2.
  w.Do("action_set_score", {R(-12.5)});
  EXPECT_EQ(w.Get("score"), 2);

  // Lives falling from 1 to 0 raise "no more lives" once; from 0 to -1 no more.
  w.Relative(false);
  w.Do("action_set_life", {R(2)});
  w.Relative(true);
  w.Do("action_set_life", {R(-1)});
  EXPECT_EQ(WorldTest::GlobalReal("dead"), 0);
  w.Do("action_set_life", {R(-1)});
  EXPECT_EQ(WorldTest::GlobalReal("dead"), 1);
  w.Do("action_set_life", {R(-1)});
  EXPECT_EQ(WorldTest::GlobalReal("dead"), 1);
  EXPECT_EQ(w.Do("action_if_life", {R(0), R(1)}).real, 1);  // -1 < 0

  // Health is a real: 100 - 0.25 relative.
  w.Do("action_set_health", {R(-0.25)});
  EXPECT_EQ(w.Get("health"), 99.75);
  EXPECT_EQ(w.Do("action_if_health", {R(99.75), R(0)}).real, 1);
  EXPECT_EQ(w.Do("action_if_health", {R(99.75), R(2)}).real, 0);

  w.Do("action_set_caption", {R(1), S("Points: "), R(0), S("Men: "), R(1), S("Power: ")});
  EXPECT_EQ(w.Get("show_score"), 1);
  EXPECT_EQ(w.Get("show_lives"), 0);
  EXPECT_EQ(Action::Get(w.self, "caption_lives").Str(), std::string("Men: "));
}

void ExAlarmsAndSprites() {
  ActionWorld w;
  w.Do("action_set_alarm", {R(30), R(2)});
  w.Relative(true);
  w.Do("action_set_alarm", {R(5), R(2)});
  EXPECT_EQ(w.Get("alarm", 2), 35);
  EXPECT_EQ(w.Get("alarm", 0), -1);
  w.Do("action_set_alarm", {R(1), R(12)});
  EXPECT_EQ(WorldTest::LastMessage(), "action_set_alarm: there is no alarm 12 (alarms are 0 to 11)");
  w.Relative(false);

  w.self->sprite_index = 5;
  w.Do("action_set_sprite", {R(-1), R(2)});
  EXPECT_EQ(w.self->sprite_index, -1);
  EXPECT_EQ(w.self->image_index, 2);
  w.Do("action_sprite_set", {R(-1), R(1), R(0.25)});
  EXPECT_EQ(w.self->image_index, 1);
  EXPECT_EQ(w.self->image_speed, 0.25f);
  w.Do("action_sprite_transform", {R(2), R(3), R(45), R(1)});
  EXPECT_EQ(w.self->image_xscale, -2);
  EXPECT_EQ(w.self->image_yscale, 3);
  EXPECT_EQ(w.self->image_angle, 45);
  w.Do("action_sprite_transform", {R(2), R(3), R(0), R(3)});
  EXPECT_EQ(w.self->image_xscale, -2);
  EXPECT_EQ(w.self->image_yscale, -3);
  w.Do("action_sprite_color", {R(255), R(0.5)});
  EXPECT_EQ(w.self->image_blend, 255);
  EXPECT_EQ(w.self->image_alpha, 0.5f);
}

void ExQuestions() {
  ActionWorld w;
  auto holds = [&](const char* name, std::vector<RValue> args) { return w.Do(name, std::move(args)).real == 1; };
  EXPECT_TRUE(holds("action_if_variable", {S("abc"), S("abd"), R(1)}));
  EXPECT_TRUE(holds("action_if_variable", {S("abc"), S("abc"), R(0)}));
  EXPECT_FALSE(holds("action_if_variable", {R(3), S("3"), R(0)}));  // a real is never a text
  EXPECT_TRUE(holds("action_if_variable", {R(1.000001), R(1), R(0)}));  // within the tolerance
  EXPECT_TRUE(holds("action_if_variable", {R(2), R(1), R(2)}));
  EXPECT_FALSE(holds("action_if", {R(0.5)}));
  EXPECT_TRUE(holds("action_if", {R(0.51)}));
  EXPECT_TRUE(holds("action_if", {S("true")}));
  EXPECT_FALSE(holds("action_if", {S("yes")}));
  EXPECT_TRUE(holds("action_if_dice", {R(1)}));
  EXPECT_TRUE(holds("action_if_dice", {R(0)}));
  EXPECT_FALSE(holds("action_if_dice", {R(1e15)}));
  EXPECT_FALSE(holds("action_if_mouse", {R(1)}));  // no button is down
  // Room order 0, 1; the first is current.
  EXPECT_FALSE(holds("action_if_previous_room", {}));
  EXPECT_TRUE(holds("action_if_next_room", {}));
  EXPECT_FALSE(holds("action_if_sound", {R(42)}));  // no such sound plays
  EXPECT_FALSE(holds("action_cd_present", {}));
  EXPECT_FALSE(holds("action_cd_playing", {}));
  for (const char* cd : {"action_cd_play", "action_cd_stop", "action_cd_pause", "action_cd_resume"}) w.Do(cd, {R(1), R(2)});
}

int g_scriptArgs = -1;
bool SumScript(int index, CInstance*, CInstance*, RValue& result) {
  if (index != 3) return false;
  g_scriptArgs = g_ArgumentView.count;
  result = RValue(g_Arguments[0].real + g_Arguments[4].real);
  return true;
}

void ExScript() {
  ActionWorld w;
  const CFunctionHooks saved = FunctionHooks();
  CFunctionHooks hooks = saved;
  hooks.runScript = SumScript;
  SetFunctionHooks(hooks);
  EXPECT_EQ(w.Do("action_execute_script", {R(3), R(40), R(0), R(0), R(0), R(2)}).real, 42);
  EXPECT_EQ(g_scriptArgs, 5);
  SetFunctionHooks(saved);
}

// action_path_old starts the path where self stands only when relative.
void ExPathOld() {
  ActionWorld w;
  const RValue path = w.Do("path_add");
  w.Do("path_add_point", {path, R(100), R(100), R(100)});
  w.Do("path_add_point", {path, R(200), R(100), R(100)});
  w.Do("action_path_old", {path, R(4), R(0)});
  EXPECT_EQ(w.self->path_index, int32_t(path.real));
  EXPECT_EQ(w.self->path_speed, 4);
  EXPECT_EQ(w.self->x, 100);  // absolute: placed on the path's start
  w.self->SetPosition(10, 20);
  w.Relative(true);
  w.Do("action_path_old", {path, R(4), R(0)});
  EXPECT_EQ(w.self->x, 10);
}

// ---- Drawing -------------------------------------------------------------------------------------

// A device keeping every vertex it is asked to draw.
class VertexDevice : public NullDevice {
 public:
  VertexDevice() : NullDevice(640, 480) {}
  void Draw(int type, DeviceTexture*, int stride, const void* vertices, int count) override {
    drawn.push_back(uint8_t(type));
    const auto* bytes = static_cast<const uint8_t*>(vertices);
    drawn.insert(drawn.end(), bytes, bytes + size_t(stride) * size_t(count));
  }
  std::vector<uint8_t> drawn;
};

struct DrawWorld : ActionWorld {
  VertexDevice* device;
  DrawWorld() {
    auto d = std::make_unique<VertexDevice>();
    device = d.get();
    Device_Install(std::move(d));
    Batch_Reset();
    RenderState_ResetCache();
  }
  ~DrawWorld() {
    Batch_Reset();
    GR_Texture_FreeAll();
    Device_Install(nullptr);
    g_DrawState = DrawState{};
  }
  std::vector<uint8_t> Drawn(const char* name, std::vector<RValue> args) {
    device->drawn.clear();
    Do(name, std::move(args));
    Batch_Flush();
    return device->drawn;
  }
};

void ExDrawing() {
  DrawWorld w;  // self at (10, 20)
  struct Pair {
    const char* action;
    std::vector<RValue> args;
    const char* function;
    std::vector<RValue> same;  // the action's meaning with self's position added
  };
  const std::vector<Pair> pairs = {
      {"action_draw_rectangle", {R(0), R(0), R(5), R(4), R(1)}, "draw_rectangle", {R(10), R(20), R(15), R(24), R(0)}},
      {"action_draw_rectangle", {R(0), R(0), R(5), R(4), R(0)}, "draw_rectangle", {R(10), R(20), R(15), R(24), R(1)}},
      {"action_draw_ellipse", {R(0), R(0), R(8), R(6), R(0)}, "draw_ellipse", {R(10), R(20), R(18), R(26), R(1)}},
      {"action_draw_gradient_hor", {R(0), R(0), R(5), R(4), R(255), R(65280)},
       "draw_rectangle_color", {R(10), R(20), R(15), R(24), R(255), R(65280), R(65280), R(255), R(0)}},
      {"action_draw_gradient_vert", {R(0), R(0), R(5), R(4), R(255), R(65280)},
       "draw_rectangle_color", {R(10), R(20), R(15), R(24), R(255), R(255), R(65280), R(65280), R(0)}},
      {"action_draw_ellipse_gradient", {R(0), R(0), R(8), R(6), R(255), R(0)},
       "draw_ellipse_color", {R(10), R(20), R(18), R(26), R(255), R(0), R(0)}},
      {"action_draw_line", {R(1), R(2), R(3), R(4)}, "draw_line", {R(11), R(22), R(13), R(24)}},
      {"action_draw_arrow", {R(0), R(0), R(30), R(0), R(8)}, "draw_arrow", {R(10), R(20), R(40), R(20), R(8)}},
      {"action_draw_text", {S("Hi"), R(1), R(2)}, "draw_text", {R(11), R(22), S("Hi")}},
      {"action_draw_text_transformed", {S("Hi"), R(1), R(2), R(2), R(3), R(90)},
       "draw_text_transformed", {R(11), R(22), S("Hi"), R(2), R(3), R(90)}},
      {"action_draw_variable", {R(2.5), R(0), R(0)}, "draw_text", {R(10), R(20), S("2.50")}},
      {"action_draw_background", {R(0), R(1), R(1), R(0)}, "draw_background", {R(0), R(11), R(21)}},
      {"action_draw_sprite", {R(0), R(1), R(1), R(-1)}, "draw_sprite", {R(0), R(-1), R(11), R(21)}},
  };
  w.Relative(true);
  for (const Pair& p : pairs) {
    SCOPED_TRACE(p.action);
    const std::vector<uint8_t> action = w.Drawn(p.action, p.args);
    EXPECT_EQ(action, w.Drawn(p.function, p.same));
    if (std::string(p.action).find("background") == std::string::npos &&
        std::string(p.action).find("sprite") == std::string::npos) {
      EXPECT_FALSE(action.empty());
    }
  }
  // Absolute: the positions as given.
  w.Relative(false);
  EXPECT_EQ(w.Drawn("action_draw_line", {R(1), R(2), R(3), R(4)}), w.Drawn("draw_line", {R(1), R(2), R(3), R(4)}));

  // Score, lives and health with their captions.
  w.Do("action_set_score", {R(120)});
  w.Do("action_set_life", {R(3)});
  EXPECT_EQ(w.Drawn("action_draw_score", {R(5), R(6), S("Score: ")}), w.Drawn("draw_text", {R(5), R(6), S("Score: 120")}));
  EXPECT_EQ(w.Drawn("action_draw_life", {R(5), R(6), S("Lives ")}), w.Drawn("draw_text", {R(5), R(6), S("Lives 3")}));
  w.Do("action_set_health", {R(40)});
  // Back 4 (white), bar 0 (red when empty, green when full): health 40 of 100.
  EXPECT_EQ(w.Drawn("action_draw_health", {R(0), R(0), R(100), R(10), R(4), R(0)}),
            w.Drawn("draw_healthbar", {R(0), R(0), R(100), R(10), R(40), R(0xFFFFFF), R(0x0000FF), R(0x00FF00), R(0),
                                       R(1), R(1)}));
  // Bar 12 is red from the list (black is bar 2).
  EXPECT_EQ(w.Drawn("action_draw_health", {R(0), R(0), R(100), R(10), R(0), R(12)}),
            w.Drawn("draw_healthbar", {R(0), R(0), R(100), R(10), R(40), R(0), R(0x0000FF), R(0x0000FF), R(0), R(0),
                                       R(1)}));
  EXPECT_TRUE(w.Drawn("action_draw_life_images", {R(0), R(0), R(99)}).empty());  // no such sprite

  // Settings.
  w.Do("action_color", {R(0x123456)});
  EXPECT_EQ(w.Do("draw_get_color").real, 0x123456);
  w.Do("action_fill_color", {R(0x0000FF)});
  EXPECT_EQ(w.Do("draw_get_color").real, 0x0000FF);
  w.Do("action_line_color", {R(0x00FF00)});
  EXPECT_EQ(w.Do("draw_get_color").real, 0x00FF00);
  w.Do("action_font", {R(-1), R(2)});
  EXPECT_EQ(Text_HAlign(), 2);
  Text_SetAlign(0, 0);
  w.Do("action_draw_font", {R(-1)});
  w.Do("action_draw_font_old", {S("Sans"), R(12), R(0xFF0000), R(0), R(0), R(0)});
  EXPECT_EQ(w.Do("draw_get_color").real, 0xFF0000);
}

// ---- Particles -----------------------------------------------------------------------------------

CParticleSystem* ActionSystem() {
  for (int32_t i = 0; i < ParticleSystem_Count(); ++i) {
    if (ParticleSystem_Get(i) != nullptr) return ParticleSystem_Get(i);
  }
  return nullptr;
}

void ExParticles() {
  ParticleSystem_DestroyAll();
  ParticleType_DestroyAll();
  Effect_Forget();
  ActionWorld w;  // self at (10, 20)
  w.Do("action_partsyst_create", {R(-5)});
  CParticleSystem* ps = ActionSystem();
  ASSERT_NE(ps, nullptr);
  EXPECT_EQ(ps->depth, -5);

  w.Do("action_parttype_create", {R(0), R(2), R(-1), R(0.5), R(1.5), R(0.1)});
  w.Do("action_parttype_life", {R(0), R(5), R(9)});
  w.Do("action_parttype_speed", {R(0), R(1), R(2), R(90), R(180), R(0.5)});
  w.Do("action_parttype_gravity", {R(0), R(0.2), R(270)});
  w.Do("action_parttype_color", {R(0), R(1), R(255), R(65280), R(1), R(0)});
  w.Do("action_parttype_create_old", {R(1), R(4), R(2), R(3), R(255), R(0)});
  w.Do("action_parttype_secondary", {R(0), R(1), R(2), R(1), R(-4)});
  // Type 0 is the first particle type made, type 1 the second.
  const CParticleType* t = ParticleType_Get(0);
  const CParticleType* old = ParticleType_Get(1);
  ASSERT_TRUE(t != nullptr && old != nullptr);
  // The friction is a speed decrease; the alpha runs 1 to 0 through 0.5; steps and deaths name
  // the game's types.
  EXPECT_EQ(t->shape, 2);
  EXPECT_EQ(t->lifeMax, 9);
  EXPECT_EQ(t->speedIncr, -0.5f);
  EXPECT_EQ(t->dirMax, 180);
  EXPECT_EQ(t->colourMode, kColourTwo);
  EXPECT_EQ(t->alphaMiddle, 0.5f);
  EXPECT_EQ(t->stepType, 1);
  EXPECT_EQ(t->stepNumber, 2);
  EXPECT_EQ(t->deathNumber, -4);
  EXPECT_EQ(old->sizeMax, 3);
  EXPECT_EQ(old->colourMode, kColourTwo);
  w.Do("action_parttype_color", {R(0), R(0), R(255), R(65280), R(1), R(1)});
  EXPECT_EQ(t->colourMode, kColourMix);

  // The region relative to self.
  w.Relative(true);
  w.Do("action_partemit_create", {R(3), R(1), R(0), R(4), R(0), R(6)});
  w.Relative(false);
  ASSERT_EQ(ps->emitters.size(), 1u);
  const ParticleRegion& region = ps->emitters[0].region;
  EXPECT_EQ(region.xmin, 10);
  EXPECT_EQ(region.xmax, 14);
  EXPECT_EQ(region.ymin, 20);
  EXPECT_EQ(region.ymax, 26);
  EXPECT_EQ(region.shape, 1);
  w.Do("action_partemit_burst", {R(3), R(1), R(7)});
  EXPECT_EQ(w.Do("part_particles_count", {R(0)}).real, 7);
  w.Do("action_partemit_stream", {R(3), R(0), R(2)});
  EXPECT_EQ(ps->emitters[0].number, 2);
  EXPECT_EQ(ps->emitters[0].type, 0);
  w.Do("action_partsyst_clear");
  EXPECT_EQ(w.Do("part_particles_count", {R(0)}).real, 0);
  w.Do("action_partemit_destroy", {R(3)});
  w.Do("action_partemit_burst", {R(3), R(1), R(7)});
  EXPECT_EQ(WorldTest::LastMessage(), "action_partemit_burst: particle emitter 3 has not been created");
  w.Do("action_partsyst_destroy");
  EXPECT_EQ(w.Do("part_system_exists", {R(0)}).real, 0);
  w.Do("action_parttype_life", {R(-1), R(1), R(2)});
  EXPECT_EQ(WorldTest::LastMessage(), "action_parttype_life: particle type -1 does not exist (types are numbered from 0)");

  w.Do("action_effect", {R(0), R(0), R(0), R(1), R(255), R(1)});  // above
  EXPECT_GT(w.Do("part_particles_count", {R(Effect_System(true))}).real, 0);
  EXPECT_LT(Effect_System(false), 0);  // nothing below yet
  // Entering another room empties the effect systems.
  Room_ChangeTo(1);  // self is gone with the first room
  EXPECT_EQ(WorldTest::Call("part_particles_count", nullptr, {R(Effect_System(true))}).real, 0);
  Effect_Forget();
  ParticleSystem_DestroyAll();
  ParticleType_DestroyAll();
}

// ---- The window and the outside world ------------------------------------------------------------

void ExOutside() {
  ActionWorld w;
  auto printed = [](const std::function<void()>& f) {
    Console::Flush();
    ::testing::internal::CaptureStdout();
    f();
    Console::Flush();
    return ::testing::internal::GetCapturedStdout();
  };
  EXPECT_EQ(printed([&] { w.Do("action_message", {S("Hello")}); }), "Hello\n");
  RValue answer;
  EXPECT_EQ(printed([&] { answer = w.Do("action_if_question", {S("Sure?")}); }), "Sure?\n-> No\n");
  EXPECT_EQ(answer.real, 0);
  w.Do("action_set_cursor", {R(-1), R(0)});
  EXPECT_EQ(w.Do("window_get_cursor").real, -1);  // cr_none
  w.Do("action_set_cursor", {R(-1), R(1)});
  EXPECT_EQ(w.Do("window_get_cursor").real, 0);
  w.Do("action_fullscreen", {R(2)});  // no window: the runner stays windowed
  EXPECT_EQ(w.Do("window_get_fullscreen").real, 0);
  w.Do("action_fullscreen", {R(0)});
  w.Do("action_sleep", {R(0), R(0)});
  w.Do("action_snapshot", {S("")});
  w.Do("action_highscore_clear");
  EXPECT_EQ(w.Do("highscore_value", {R(1)}).real, 0);
  printed([&] {
    w.Do("action_highscore");
    w.Do("action_highscore_show", {R(-1), R(0), R(0), R(0), R(-1)});
  });

  // Replacing from a file that is not there says so.
  w.Do("action_replace_sprite", {R(0), S("no-such.png"), R(1)});
  EXPECT_EQ(WorldTest::LastMessage(), "action_replace_sprite: cannot replace sprite 0 from no-such.png");
  w.Do("action_replace_background", {R(0), S("no-such.png")});
  EXPECT_EQ(WorldTest::LastMessage(), "action_replace_background: cannot replace background 0 from no-such.png");
  w.Do("action_replace_sound", {R(0), S("no-such.wav")});
  EXPECT_EQ(WorldTest::LastMessage(), "action_replace_sound: cannot replace sound 0 from no-such.wav");
  w.Do("action_sound", {R(0), R(1)});
  w.Do("action_end_sound", {R(0)});
}

// action_webpage hands the address to xdg-open (a stand-in here that writes it to a file) and does
// not wait; without a desktop or an opener it says why.
void ExWebpage() {
  ActionWorld w;
  const std::string path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
  const char* display = std::getenv("DISPLAY");
  const std::string savedDisplay = display != nullptr ? display : "";
  const auto folder = std::filesystem::temp_directory_path() / ("tessera-open-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const auto opened = folder / "opened.txt";
  {
    std::ofstream script(folder / "xdg-open");
    script << "#!/bin/sh\nprintf '%s' \"$1\" > '" << opened.string() << ".part' && mv '" << opened.string() << ".part' '"
           << opened.string() << "'\n";
  }
  std::filesystem::permissions(folder / "xdg-open", std::filesystem::perms::owner_all);

  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  w.Do("action_webpage", {S("https://example.org/")});
  EXPECT_EQ(WorldTest::LastMessage(),
            "action_webpage: cannot open https://example.org/: there is no desktop session to open it in (DISPLAY is not set)");
  setenv("DISPLAY", ":99", 1);
  setenv("PATH", "/nonexistent-folder", 1);
  w.Do("action_webpage", {S("https://example.org/")});
  EXPECT_EQ(WorldTest::LastMessage(), "action_webpage: cannot open https://example.org/: xdg-open is not installed");
  setenv("PATH", (folder.string() + ":" + path).c_str(), 1);
  SetLastErrorText("");
  // A quote and a semicolon reach the opener as they are, not as shell text.
  w.Do("action_webpage", {S("https://example.org/a?b='1';c")});
  EXPECT_STREQ(LastErrorText(), "");
  for (int i = 0; i < 200 && !std::filesystem::exists(opened); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::ifstream in(opened);
  std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(got, "https://example.org/a?b='1';c");
  setenv("PATH", path.c_str(), 1);
  if (display != nullptr) {
    setenv("DISPLAY", savedDisplay.c_str(), 1);
  } else {
    unsetenv("DISPLAY");
  }
  std::filesystem::remove_all(folder);
}

const RegisterExercise kScore({"action_set_score", "action_if_score", "action_set_life", "action_if_life",
                               "action_set_health", "action_if_health", "action_set_caption"},
                              ExScoreLivesHealth);
const RegisterExercise kAlarms({"action_set_alarm", "action_set_sprite", "action_sprite_set", "action_sprite_transform",
                                "action_sprite_color"},
                               ExAlarmsAndSprites);
const RegisterExercise kQuestions({"action_if_variable", "action_if", "action_if_dice", "action_if_mouse",
                                   "action_if_previous_room", "action_if_next_room", "action_if_sound",
                                   "action_cd_present", "action_cd_playing", "action_cd_play", "action_cd_stop",
                                   "action_cd_pause", "action_cd_resume"},
                                  ExQuestions);
const RegisterExercise kScript({"action_execute_script"}, ExScript);
const RegisterExercise kPathOld({"action_path_old"}, ExPathOld);
const RegisterExercise kDrawing({"action_draw_rectangle", "action_draw_ellipse", "action_draw_gradient_hor",
                                 "action_draw_gradient_vert", "action_draw_ellipse_gradient", "action_draw_line",
                                 "action_draw_arrow", "action_draw_text", "action_draw_text_transformed",
                                 "action_draw_variable", "action_draw_background", "action_draw_sprite",
                                 "action_draw_score", "action_draw_life", "action_draw_health",
                                 "action_draw_life_images", "action_color", "action_fill_color", "action_line_color",
                                 "action_font", "action_draw_font", "action_draw_font_old"},
                                ExDrawing);
const RegisterExercise kParticles({"action_partsyst_create", "action_partsyst_destroy", "action_partsyst_clear",
                                   "action_parttype_create", "action_parttype_create_old", "action_parttype_color",
                                   "action_parttype_life", "action_parttype_speed", "action_parttype_gravity",
                                   "action_parttype_secondary", "action_partemit_create", "action_partemit_destroy",
                                   "action_partemit_burst", "action_partemit_stream", "action_effect"},
                                  ExParticles);
const RegisterExercise kOutside({"action_message", "action_if_question", "action_set_cursor", "action_fullscreen",
                                 "action_sleep", "action_snapshot", "action_highscore", "action_highscore_show",
                                 "action_highscore_clear", "action_replace_sprite", "action_replace_background",
                                 "action_replace_sound", "action_sound", "action_end_sound"},
                                ExOutside);
const RegisterExercise kWebpage({"action_webpage"}, ExWebpage);

}  // namespace

namespace {

// ---- Motion and creation: absolute and relative forms ----------------------------------------------

TEST(Actions, MotionAbsoluteAndRelative) {
  ActionWorld w;  // self at (10, 20), at rest
  CInstance* s = w.self;
  w.Do("action_set_motion", {R(90), R(3)});
  EXPECT_NEAR(s->hspeed, 0, 1e-5);
  EXPECT_NEAR(s->vspeed, -3, 1e-5);
  // Relative: the vector (4, 0) is added to (0, -3): speed 5 at atan(3/4) = 36.87 degrees.
  w.Relative(true);
  w.Do("action_set_motion", {R(0), R(4)});
  EXPECT_NEAR(s->speed, 5, 1e-4);
  EXPECT_NEAR(s->direction, 36.8699, 1e-3);
  w.Do("action_set_vspeed", {R(3)});
  EXPECT_NEAR(s->vspeed, 0, 1e-5);
  EXPECT_NEAR(s->speed, 4, 1e-5);
  w.Relative(false);
  w.Do("action_set_hspeed", {R(-2)});
  EXPECT_EQ(s->hspeed, -2);
  EXPECT_EQ(s->direction, 180);

  w.Do("action_set_gravity", {R(270), R(0.5)});
  w.Do("action_set_friction", {R(0.125)});
  w.Relative(true);
  w.Do("action_set_gravity", {R(10), R(0.25)});
  w.Do("action_set_friction", {R(0.125)});
  EXPECT_EQ(s->gravity_direction, 280);
  EXPECT_EQ(s->gravity, 0.75f);
  EXPECT_EQ(s->friction, 0.25f);

  // Positions: relative adds self's place.
  w.Do("action_move_to", {R(1), R(-2)});
  EXPECT_EQ(s->x, 11);
  EXPECT_EQ(s->y, 18);
  w.Do("action_move_point", {R(0), R(10), R(2)});  // towards (11, 28): straight down
  EXPECT_NEAR(s->direction, 270, 1e-4);
  EXPECT_NEAR(s->speed, 2, 1e-5);
  w.Relative(false);
  w.Do("action_move_to", {R(1), R(-2)});
  EXPECT_EQ(s->x, 1);
  EXPECT_EQ(s->y, -2);
  w.Do("action_move_start");
  EXPECT_EQ(s->x, 10);
  EXPECT_EQ(s->y, 20);
}

TEST(Actions, MoveDirections) {
  ActionWorld w;
  CInstance* s = w.self;
  // The nine places run from down-left (225) to up-right (45); index 2 is down-right.
  w.Do("action_move", {S("001000000"), R(3)});
  EXPECT_EQ(s->direction, 315);
  EXPECT_NEAR(s->speed, 3, 1e-5);
  w.Do("action_move", {S("000000001"), R(3)});
  EXPECT_EQ(s->direction, 45);
  w.Relative(true);
  w.Do("action_move", {S("000000010"), R(1)});  // speed 3 + 1, straight up
  EXPECT_EQ(s->direction, 90);
  EXPECT_NEAR(s->speed, 4, 1e-5);
  w.Relative(false);
  w.Do("action_move", {S("000010000"), R(5)});  // the centre stops
  EXPECT_EQ(s->speed, 0);
  w.Do("action_move", {S("0000"), R(5)});
  EXPECT_EQ(WorldTest::LastMessage(), "Wrong argument to action_move().");
  w.Do("action_move", {S("000000000"), R(5)});  // nothing chosen: nothing happens
  EXPECT_EQ(s->speed, 0);
}

TEST(Actions, CreateRelativeToSelf) {
  ActionWorld w;
  w.Relative(true);
  w.Do("action_create_object_motion", {R(0), R(5), R(-5), R(2), R(180)});
  CInstance* made = World_Find(World_LastId());
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->x, 15);
  EXPECT_EQ(made->y, 15);
  EXPECT_EQ(made->hspeed, -2);
  w.Relative(false);
  w.Do("action_create_object", {R(0), R(5), R(-5)});
  made = World_Find(World_LastId());
  EXPECT_EQ(made->x, 5);
  EXPECT_EQ(made->y, -5);
  w.Do("action_create_object", {R(7), R(0), R(0)});
  EXPECT_EQ(WorldTest::LastMessage(), "Creating instance for non-existing object: 7");
}

// Wrapping moves by the room size plus the scaled sprite's size.
TEST(Actions, WrapBySpriteSize) {
  ActionWorld w;  // room 640 x 480
  auto* sprite = new CSprite();
  sprite->frameCount = 1;
  sprite->width = 16;
  sprite->height = 8;
  const int32_t index = Sprite_Add(sprite, "spr_wrap");
  CInstance* s = w.self;
  s->sprite_index = index;
  s->image_xscale = 2;
  s->SetPosition(-3, 490);
  s->SetHspeed(-1);
  s->SetVspeed(1);
  w.Do("action_wrap", {R(2)});
  EXPECT_EQ(s->x, 640 - 3 + 32);  // w = 16 x 2
  EXPECT_EQ(s->y, 490 - 480 - 8);
  s->sprite_index = -1;
  Sprite_FreeAll();
}

}  // namespace
