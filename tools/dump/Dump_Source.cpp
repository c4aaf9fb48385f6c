#include "Dump_Source.h"

#include <string>

#include "Code/Code_Error.h"
#include "Code/Code_Load.h"
#include "Code/Code_Script.h"
#include "Object/Object_Class.h"
#include "Object/Object_Event.h"
#include "Room/Room_Class.h"
#include "Run/Run_Hooks.h"
#include "Runner/Runner_Prepare.h"
#include "Timeline/Timeline_Main.h"

namespace {

class Lister {
 public:
  Lister(CTextOutput& out, bool prepared) : m_out(out), m_prepared(prepared) {}

  void Entry(const std::string& name, const std::string& source, const CCode* code) {
    m_out.Printf("Code %d: %s\n", m_count++, code != nullptr && *code->Name() ? code->Name() : name.c_str());
    m_out.Write("--- source\n");
    m_out.Write(source.c_str(), source.size());
    if (source.empty() || source.back() != '\n') m_out.Write("\n");
    if (!m_prepared) return;
    m_out.Write("--- listing\n");
    if (code != nullptr && code->hasConstant) m_out.Write("(a constant)\n");
    if (code != nullptr && code->code != nullptr) Code_List(code->code->data, uint32_t(code->code->size), m_out);
  }

 private:
  CTextOutput& m_out;
  bool m_prepared;
  int m_count = 0;
};

}  // namespace

void Dump_ListSourceCode(CTextOutput& out) {
  if (g_RunHooks.createGlobals) g_RunHooks.createGlobals();
  Prepare_SetStep(kPrepareIncludedFiles, nullptr);  // a dump writes nothing
  const bool prepared = Prepare_Run();
  if (!prepared) out.Printf("The game does not prepare, so there are no listings: %s\n", LastErrorText());
  Lister list(out, prepared);

  for (int32_t i = 0; i < Script_Count(); ++i) {
    if (const CScript* s = Script_Get(i)) list.Entry(s->Name(), s->Source(), s->Code());
  }
  for (int32_t t = 0; t < TimeLine_Count(); ++t) {
    const CTimeLine* timeline = TimeLine_Get(t);
    if (timeline == nullptr) continue;
    for (int32_t m = 0; m < timeline->MomentCount(); ++m) {
      const CEvent* e = timeline->Event(m);
      list.Entry(std::string("Timeline.") + TimeLine_Name(t) + "." + std::to_string(timeline->Time(m)), e->Source(),
                 e->code);
    }
  }
  for (int32_t o = 0; o < Object_Count(); ++o) {
    const CObject* object = Object_Find(o);
    if (object == nullptr) continue;
    for (int type = 0; type < kEventTypeCount; ++type) {
      for (size_t sub = 0; sub < object->events[type].size(); ++sub) {
        const CEvent* e = object->events[type][sub];
        if (e == nullptr || !e->HasHandler()) continue;
        char eventName[128];
        Event_Name(type, int(sub), eventName, sizeof eventName);
        list.Entry("Object." + object->name + "." + eventName + "." + std::to_string(sub), e->Source(), e->code);
      }
    }
  }
  for (int32_t r = 0; r < Room_Count(); ++r) {
    const CRoom* room = Room_Definition(r);
    if (room == nullptr) continue;
    const std::string name = Room_Name(r);
    if (!room->codeText.empty()) list.Entry("Room." + name, room->codeText, room->code.get());
    for (size_t i = 0; i < room->instances.size(); ++i) {
      const CRoomInstance& inst = room->instances[i];
      if (!inst.source.empty()) list.Entry("Instance." + name + "." + std::to_string(i), inst.source, inst.code.get());
    }
  }
}
