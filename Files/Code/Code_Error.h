// The runtime error reporter: every error game code can cause ends here.
//
// ReportError shows (through a pluggable dialog), records, echoes and, for fatal reports, ends the
// game by requesting the new room -400 and posting a quit. ReportActionError frames the text with
// the place the game was in (event, object, action, or timeline step) first. CompileError builds the
// compile error text; the first error of a compilation wins.
//
// The reporter reaches the rest of the runner only through the hooks below, so it can be used (and
// tested) before the world, the window or the input layer exist. Every hook has a safe default.
#pragma once
#include <cstddef>
#include <cstdint>

// ---- Options (from the options chunk) ---------------------------------------------------------

// Show the error dialog for each report (default on).
void SetDisplayErrors(bool on);
bool DisplayErrors();
// Treat every report as fatal (default off).
void SetAbortOnAllErrors(bool on);
bool AbortOnAllErrors();

// ---- Reporting -------------------------------------------------------------------------------

// Reports `text` (null is allowed and clears the last error text). A fatal report ends the game.
// Reports arriving once a fatal report was made are dropped.
void ReportError(const char* text, bool fatal);
// printf-style convenience for ReportError.
void ReportErrorF(bool fatal, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Frames `text` with the current action context and reports it. Built-in functions report their
// runtime errors through this call, non-fatal.
void ReportActionError(const char* text, bool fatal);
void ReportActionErrorF(bool fatal, const char* format, ...) __attribute__((format(printf, 2, 3)));
// The framed text ReportActionError would report, as a memory-manager string the caller frees.
char* FrameActionError(const char* text, bool fatal);

// ---- Reporter state --------------------------------------------------------------------------

// The error flag (built-in variable `error_occurred`): set by every report, cleared by game code.
bool ErrorOccurred();
void SetErrorOccurred(bool on);
// The last reported text (built-in variable `error_last`); "" when none.
const char* LastErrorText();
void SetLastErrorText(const char* text);
// Set once a fatal report was made; never cleared while the game runs.
bool ErrorAborting();
// The number of reports that were not dropped (diagnostics and tests).
int64_t ErrorReportCount();

// While suppressed (the debugger evaluating an expression) the console echo is skipped; the
// machine then only raises the failure flag.
void SetErrorSuppressed(bool on);
bool ErrorSuppressed();

// ---- Compile errors --------------------------------------------------------------------------

enum class CompileKind : uint8_t {
  Statements,  // a statement list: "Error in code at line ..."
  Expression,  // a single expression: "Error in expression: ..."
};

// Builds the compile error text for `message` at byte `position` of `code` and sets the failure
// flag. Ignored while the failure flag is set, so the first error of a compilation wins.
void CompileError(const char* code, int position, const char* message,
                  CompileKind kind = CompileKind::Statements);
// The last compile error text ("" when none).
const char* CompileErrorText();
// The failure flag: cleared at the start of each compilation pass and debugger evaluation.
bool CompileFailed();
void ClearCompileFailure();
// Raises the failure flag without a text (suppressed runtime errors).
void SetCompileFailure();
// The compile error text for a position, without touching any state (memory-manager string).
char* BuildCompileErrorText(const char* code, int position, const char* message, CompileKind kind);

// ---- The error dialog ------------------------------------------------------------------------

enum class ErrorDialogResult : uint8_t { Abort, Ignore };

// Shows the dialog for `text` (laid out by ErrorDialogText, caption kErrorDialogCaption) with the
// buttons Copy, Clear, Abort and Ignore; `fatal` hides Ignore. Before it opens the window layer waits
// 100 ms and dispatches pending window messages, twice. Returns the player's choice.
using ErrorDialogHook = ErrorDialogResult (*)(const char* text, bool fatal);
// Installs the dialog (null restores the default). The default, used while there is no window and
// under -headless, shows nothing: a non-fatal report continues as if Ignore was chosen.
void SetErrorDialogHook(ErrorDialogHook hook);
ErrorDialogResult HeadlessErrorDialog(const char* text, bool fatal);

// The dialog's text: CR LF, 43 underscores, CR LF, then the message with each tab as seven blanks
// and each line break (LF, CR, CR LF or LF CR) as CR LF. A memory-manager string the caller frees.
char* ErrorDialogText(const char* message);
// The dialog's caption.
inline constexpr const char* kErrorDialogCaption = "Code Error...";

// ---- Hooks into the rest of the runner -------------------------------------------------------

// The new-room request a fatal report makes: end the game after an error.
inline constexpr int kNewRoomEndAfterError = -400;

using ErrorVoidHook = void (*)();
using ErrorNewRoomHook = void (*)(int request);
// Tells the debugger window, when open, that an error occurred.
void SetErrorDebuggerHook(ErrorVoidHook hook);
// Clears the keyboard and mouse state (all up, no pending characters).
void SetErrorClearInputHook(ErrorVoidHook hook);
// Sets the run state's new-room request (called with kNewRoomEndAfterError on a fatal report).
void SetErrorNewRoomHook(ErrorNewRoomHook hook);
// Posts a quit to the main loop (after a fatal report).
void SetErrorQuitHook(ErrorVoidHook hook);

// ---- Where the game is: the current-action context -------------------------------------------

// The object index the context holds while a timeline moment runs.
inline constexpr int kTimelineObjectIndex = 100000;

// Kept by the event dispatcher around every handler and moment (save, set, restore).
struct CActionContext {
  int objectIndex = -1;    // kTimelineObjectIndex while a timeline moment runs
  int eventType = -1;      // event type
  int eventNumber = -1;    // event number; the moment's time step in a timeline
  int actionNumber = 0;    // 0-based action within the handler
  int timelineIndex = -1;  // the running timeline while objectIndex is kTimelineObjectIndex
};
CActionContext& CurrentActionContext();

// Names for the frame, filled in by the world. Each may be null (a neutral text is used instead).
struct CErrorNames {
  // Writes the display name of an event of the given object into `buffer`.
  void (*eventName)(int objectIndex, int eventType, int eventNumber, char* buffer, size_t size) = nullptr;
  const char* (*objectName)(int objectIndex) = nullptr;
  const char* (*timelineName)(int timelineIndex) = nullptr;
};
void SetErrorNames(const CErrorNames& names);

// Back to the start-up state: no error, not aborting, default options and hooks, empty context.
// Used at process start and by tests.
void ResetErrorReporter();
