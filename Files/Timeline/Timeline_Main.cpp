#include "Timeline/Timeline_Main.h"

#include <algorithm>
#include <memory>
#include <string>

#include "Code/Code_Compile.h"
#include "Code/Code_Error.h"
#include "Code/Code_Load.h"
#include "Code/Code_VM.h"
#include "DataFile/DataFile_Load.h"
#include "Object/Object_Class.h"
#include "Object/Object_Event.h"
#include "Run/Run_Instance.h"
#include "Run/Run_State.h"
#include "Run/Run_World.h"

namespace {

struct TimelineSlot {
  CTimeLine* timeline = nullptr;
  std::string name;
};

std::vector<TimelineSlot> g_table;

// While moments run, removed timelines and handlers wait here and are freed when the outermost
// advance is over (the code being run may belong to them).
int g_runningDepth = 0;
std::vector<CTimeLine*> g_deadTimelines;
std::vector<CEvent*> g_deadEvents;

void FreeDead() {
  for (CTimeLine* t : g_deadTimelines) delete t;
  for (CEvent* e : g_deadEvents) delete e;
  g_deadTimelines.clear();
  g_deadEvents.clear();
}

bool GameHasBytecode() { return DataFile_HasBytecode() || Code_HasBytecode(); }

// A moment's handler from its action list: u32 action count, then the action offsets; only the first
// action is read. Bytecode games keep the code entry index at word 32 of the action record, source
// games the offset of the source text at word 60.
CEvent* LoadMoment(const DataView& view, uint32_t listAt, bool bytecode) {
  auto event = std::make_unique<CEvent>();
  const uint32_t actionCount = view.u32(listAt, "moment action count");
  if (actionCount == 0) {
    event->SetSource("");
    return event.release();
  }
  const uint32_t actionAt = view.u32(uint64_t(listAt) + 4, "moment action offset");
  if (actionAt == 0) ThrowFormatError("a timeline moment has an action at offset 0");
  if (bytecode) {
    event->codeIndex = view.i32(uint64_t(actionAt) + 32, "moment code index");
    event->SetSource("");
    event->code = Code_CreateFromIndex(event->codeIndex);
  } else {
    const char* text = view.string(view.u32(uint64_t(actionAt) + 60, "moment source offset"), "moment source");
    event->SetSource(text != nullptr ? text : "");
  }
  return event.release();
}

// Sets the event context to a moment of timeline `index` and restores it when it goes out of scope.
class MomentContext {
 public:
  MomentContext(int32_t index, int32_t time) : m_saved(CurrentActionContext()) {
    CActionContext& context = CurrentActionContext();
    context.objectIndex = kTimelineObjectIndex;
    context.eventType = kTimelineEventType;
    context.eventNumber = time;
    context.actionNumber = 0;
    context.timelineIndex = index;
  }
  ~MomentContext() { CurrentActionContext() = m_saved; }
  MomentContext(const MomentContext&) = delete;
  MomentContext& operator=(const MomentContext&) = delete;

 private:
  CActionContext m_saved;
};

// Runs moment `i` of timeline `index` for `instance`; nothing while a new-room request is pending.
void RunMoment(CInstance* instance, int32_t index, const CTimeLine* timeline, int32_t i) {
  if (g_RunState.newRoom != kNoRequest) return;
  CEvent* event = timeline->Event(i);
  if (event == nullptr || event->code == nullptr) return;
  MomentContext context(index, timeline->Time(i));
  VM_Execute(instance, instance, event->code, nullptr);
}

// The timeline still at `index` and unchanged since `generation`, or null.
CTimeLine* Unchanged(int32_t index, const CTimeLine* timeline, uint32_t generation) {
  CTimeLine* now = TimeLine_Get(index);
  return (now == timeline && now->Generation() == generation) ? now : nullptr;
}

}  // namespace

// ---- CTimeLine ------------------------------------------------------------------------------------

CTimeLine::~CTimeLine() { Clear(); }

void CTimeLine::Clear() {
  for (CEvent* event : m_events) delete event;
  m_events.clear();
  m_times.clear();
  ++m_generation;
}

void CTimeLine::AddMoment(int32_t time, CEvent* event) {
  m_times.push_back(time);
  m_events.push_back(event);
}

bool CTimeLine::ClearMoment(int32_t time, std::vector<CEvent*>* removed) {
  auto at = std::find(m_times.begin(), m_times.end(), time);
  if (at == m_times.end()) return false;
  const auto i = at - m_times.begin();
  CEvent* event = m_events[static_cast<size_t>(i)];
  if (removed != nullptr) {
    removed->push_back(event);
  } else {
    delete event;
  }
  m_times.erase(at);
  m_events.erase(m_events.begin() + i);
  ++m_generation;
  return true;
}

int32_t CTimeLine::Forward(double position) const {
  // The first moment whose time is not less than the position (the count when there is none).
  const auto at = std::lower_bound(m_times.begin(), m_times.end(), position,
                                   [](int32_t time, double p) { return double(time) < p; });
  return static_cast<int32_t>(at - m_times.begin());
}

int32_t CTimeLine::Backward(double position) const {
  // One before the first moment whose time is greater than the position.
  const auto at = std::upper_bound(m_times.begin(), m_times.end(), position,
                                   [](double p, int32_t time) { return p < double(time); });
  return static_cast<int32_t>(at - m_times.begin()) - 1;
}

// ---- The table ------------------------------------------------------------------------------------

void TimeLine_Reset() {
  for (TimelineSlot& slot : g_table) delete slot.timeline;
  g_table.clear();
  if (g_runningDepth == 0) FreeDead();
}

int32_t TimeLine_Count() { return static_cast<int32_t>(g_table.size()); }

CTimeLine* TimeLine_Get(int32_t index) {
  if (index < 0 || index >= TimeLine_Count()) return nullptr;
  return g_table[static_cast<size_t>(index)].timeline;
}

bool TimeLine_Exists(int32_t index) { return TimeLine_Get(index) != nullptr; }

const char* TimeLine_Name(int32_t index) {
  if (!TimeLine_Exists(index)) return nullptr;
  return g_table[static_cast<size_t>(index)].name.c_str();
}

int32_t TimeLine_Find(const char* name) {
  if (name == nullptr) return -1;
  for (int32_t i = 0; i < TimeLine_Count(); ++i) {
    const TimelineSlot& slot = g_table[static_cast<size_t>(i)];
    if (slot.timeline != nullptr && slot.name == name) return i;
  }
  return -1;
}

void TimeLine_Set(int32_t index, CTimeLine* timeline, const char* name) {
  if (index < 0) {
    delete timeline;
    return;
  }
  if (index >= TimeLine_Count()) g_table.resize(static_cast<size_t>(index) + 1);
  TimelineSlot& slot = g_table[static_cast<size_t>(index)];
  if (slot.timeline != nullptr && slot.timeline != timeline) {
    if (g_runningDepth > 0) {
      g_deadTimelines.push_back(slot.timeline);
    } else {
      delete slot.timeline;
    }
  }
  slot.timeline = timeline;
  slot.name = name != nullptr ? name : "";
}

bool TimeLine_Delete(int32_t index) {
  CTimeLine* timeline = TimeLine_Get(index);
  if (timeline == nullptr) return false;
  TimelineSlot& slot = g_table[static_cast<size_t>(index)];
  slot.timeline = nullptr;
  slot.name.clear();
  slot.name.shrink_to_fit();
  if (g_runningDepth > 0) {
    g_deadTimelines.push_back(timeline);
  } else {
    delete timeline;
  }
  return true;
}

void TimeLine_ClearMoment(int32_t index, int32_t time) {
  CTimeLine* timeline = TimeLine_Get(index);
  if (timeline == nullptr) return;
  timeline->ClearMoment(time, g_runningDepth > 0 ? &g_deadEvents : nullptr);
}

void TimeLine_LoadTMLN(const DataView& view, const ChunkInfo& chunk) {
  TimeLine_Reset();
  const ListView list = view.list(chunk.body, "TMLN list");
  const bool bytecode = GameHasBytecode();
  g_table.resize(list.count());
  for (uint32_t i = 0; i < list.count(); ++i) {
    const uint32_t at = list.entry(i);
    if (at == 0) continue;
    const char* name = view.stringAt(at, "timeline name");
    const uint32_t moments = view.u32(uint64_t(at) + 4, "timeline moment count");
    view.require(uint64_t(at) + 8, uint64_t(moments) * 8, "timeline moments");
    auto timeline = std::make_unique<CTimeLine>();
    for (uint32_t m = 0; m < moments; ++m) {
      const uint64_t pair = uint64_t(at) + 8 + uint64_t(m) * 8;
      const int32_t time = view.i32(pair, "moment time");
      const uint32_t listAt = view.u32(pair + 4, "moment action list");
      if (listAt == 0) ThrowFormatError("timeline %u has a moment without an action list", i);
      timeline->AddMoment(time, LoadMoment(view, listAt, bytecode));
    }
    TimeLine_Set(int32_t(i), timeline.release(), name);
  }
}

bool TimeLine_Prepare() {
  if (GameHasBytecode()) return true;
  for (int32_t index = 0; index < TimeLine_Count(); ++index) {
    CTimeLine* timeline = TimeLine_Get(index);
    if (timeline == nullptr) continue;
    for (int32_t m = 0; m < timeline->MomentCount(); ++m) {
      CEvent* event = timeline->Event(m);
      if (event == nullptr || !event->HasHandler() || event->code != nullptr) continue;
      MomentContext context(index, timeline->Time(m));
      const std::string unit =
          "Timeline." + std::string(TimeLine_Name(index)) + "." + std::to_string(timeline->Time(m));
      event->code = Code_CompileText(unit.c_str(), event->Source());
      if (event->code == nullptr) {
        ReportErrorF(false, "COMPILATION ERROR in code action\n%s", CompileErrorText());
        return false;
      }
    }
  }
  return true;
}

// ---- Running ---------------------------------------------------------------------------------------

void TimeLine_AdvanceInstance(CInstance* instance) {
  if (instance == nullptr || !instance->timeline_running || instance->timeline_speed == 0) return;
  const int32_t index = instance->timeline_index;
  const CTimeLine* timeline = TimeLine_Get(index);
  if (timeline == nullptr || timeline->MomentCount() == 0) return;

  ++g_runningDepth;
  const uint32_t generation = timeline->Generation();
  const float speed = instance->timeline_speed;
  const float oldPosition = instance->timeline_position;
  const float newPosition = oldPosition + speed;
  instance->timeline_position = newPosition;
  if (speed > 0) {
    // Every moment with old position <= time < new position, in ascending order.
    const int32_t first = timeline->Forward(oldPosition);
    const int32_t end = timeline->Forward(newPosition);
    for (int32_t i = first; i < end; ++i) {
      RunMoment(instance, index, timeline, i);
      if (Unchanged(index, timeline, generation) == nullptr) break;
    }
  } else {
    // Every moment with new position < time <= old position, in descending order.
    const int32_t first = timeline->Backward(oldPosition);
    const int32_t end = timeline->Backward(newPosition);
    for (int32_t i = first; i > end; --i) {
      RunMoment(instance, index, timeline, i);
      if (Unchanged(index, timeline, generation) == nullptr) break;
    }
  }
  // Looping goes by the timeline as it is now (a moment may have changed or deleted it).
  const CTimeLine* now = TimeLine_Get(index);
  if (now != nullptr && now->MomentCount() > 0 && instance->timeline_loop) {
    const float last = float(now->Time(now->MomentCount() - 1));
    if (speed > 0 && instance->timeline_position > last) {
      instance->timeline_position = 0;
    } else if (speed < 0 && instance->timeline_position < 0) {
      instance->timeline_position = last;
    }
  }
  if (--g_runningDepth == 0) FreeDead();
}

void TimeLine_Step() {
  const uint64_t pass = Event_BeginPass();
  InstanceSnapshot snapshot(World_Active());
  for (CInstance* instance : snapshot) {
    if (instance->marked || instance->deactivated || instance->creation_stamp > pass) continue;
    TimeLine_AdvanceInstance(instance);
  }
}
