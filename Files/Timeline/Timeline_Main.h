// Timelines: lists of moments, each a step number with a handler, that an instance runs as its
// timeline position advances.
//
// The timeline table is indexed by timeline index; a slot may be empty (never loaded, or deleted:
// deleting leaves the slot empty so that every other timeline keeps its index). Timelines come from
// the TMLN chunk and cannot be created at run time.
//
// Moments run in step stage 5 (after the begin-step events, before the alarms) with the instance as
// self and other and the event context set to (timeline, type 100000, the moment's time). Changes a
// moment makes to the timeline table (deleting a timeline, clearing a moment) never free a handler
// while code is running: what they remove is freed once the advance is over.
#pragma once
#include <cstdint>
#include <vector>

#include "DataFile/DataFile_Container.h"
#include "DataFile/DataFile_View.h"

class CEvent;
class CInstance;

// The event type the event context holds while a moment runs.
inline constexpr int kTimelineEventType = 100000;

class CTimeLine {
 public:
  CTimeLine() = default;
  virtual ~CTimeLine();
  CTimeLine(const CTimeLine&) = delete;
  CTimeLine& operator=(const CTimeLine&) = delete;

  // Frees every moment.
  void Clear();
  // Appends a moment (the loader keeps the file order, which is ascending by time). Takes ownership.
  void AddMoment(int32_t time, CEvent* event);
  // Removes the moment at exactly `time` (the first one there); later moments move down. The
  // removed handler is handed to `removed` when given (freed by the caller), else freed. False when
  // there is no moment at that time.
  bool ClearMoment(int32_t time, std::vector<CEvent*>* removed = nullptr);

  int32_t MomentCount() const { return static_cast<int32_t>(m_events.size()); }
  int32_t Time(int32_t i) const { return m_times[static_cast<size_t>(i)]; }
  CEvent* Event(int32_t i) const { return m_events[static_cast<size_t>(i)]; }

  // F(p): 0 without moments; the moment count when p is beyond the last time; otherwise the first
  // moment whose time is at least p.
  int32_t Forward(double position) const;
  // B(p): -1 without moments or when p is before the first time; otherwise the last moment whose
  // time is at most p.
  int32_t Backward(double position) const;

  // Changes whenever moments are removed (lets a running advance notice).
  uint32_t Generation() const { return m_generation; }

 private:
  std::vector<int32_t> m_times;
  std::vector<CEvent*> m_events;
  uint32_t m_generation = 0;
};

// ---- The table ------------------------------------------------------------------------------------

// Main pass: the TMLN chunk. Replaces the table. Throws FileFormatError for a malformed body.
void TimeLine_LoadTMLN(const DataView& view, const ChunkInfo& chunk);
// Preparation for games that carry source text: compiles every moment's handler as the code unit
// "Timeline.<name>.<time>", with the event context set to the moment. The first failure reports
// "COMPILATION ERROR in code action\n<message>" and gives false. With bytecode nothing is compiled.
bool TimeLine_Prepare();
// Frees every timeline and name (a new game; shutdown; tests).
void TimeLine_Reset();

// Number of slots (one more than the highest index loaded).
int32_t TimeLine_Count();
bool TimeLine_Exists(int32_t index);
CTimeLine* TimeLine_Get(int32_t index);
// The name of an existing timeline, or null.
const char* TimeLine_Name(int32_t index);
// The index of the timeline named `name` (exact, case-sensitive), or -1. Code that names a
// timeline resolves through it.
int32_t TimeLine_Find(const char* name);
// Puts `timeline` named `name` at `index` (the table grows; a timeline already there is freed).
// Takes ownership. Used by the loader and by tests.
void TimeLine_Set(int32_t index, CTimeLine* timeline, const char* name);
// Frees the timeline and its name; the slot stays empty. False when it does not exist.
bool TimeLine_Delete(int32_t index);
// timeline_moment_clear: removes the moment at exactly `time` when the timeline has one.
void TimeLine_ClearMoment(int32_t index, int32_t time);

// ---- Running ---------------------------------------------------------------------------------------

// Advances one instance's timeline by its speed and runs the moments passed over (forwards or
// backwards, with looping). Does nothing unless the instance is running a timeline that exists and
// has moments, with a speed other than 0.
void TimeLine_AdvanceInstance(CInstance* instance);
// Step stage 5: one event pass over the active list; every instance that existed when the pass
// began and is not destroyed advances its timeline.
void TimeLine_Step();
