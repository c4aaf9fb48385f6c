#include "Code/Code_Error.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "Platform/Platform_Console.h"
#include "Platform/Platform_Memory.h"

namespace {

struct ReporterState {
  bool displayErrors = true;
  bool abortOnAllErrors = false;
  bool errorOccurred = false;
  bool aborting = false;
  bool suppressed = false;
  bool compileFailed = false;
  char* lastText = nullptr;     // owned
  char* compileText = nullptr;  // owned
  int64_t reportCount = 0;

  ErrorDialogHook dialog = nullptr;
  ErrorVoidHook debugger = nullptr;
  ErrorVoidHook clearInput = nullptr;
  ErrorNewRoomHook newRoom = nullptr;
  ErrorVoidHook quit = nullptr;

  CActionContext context;
  CErrorNames names;
};

ReporterState g_State;

void ReplaceOwned(char*& slot, const char* text) {
  char* copy = text != nullptr ? MemDupString(text) : nullptr;
  if (slot != nullptr) MemFree(slot);
  slot = copy;
}

// A memory-manager string from a printf format.
char* FormatV(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (length < 0) length = 0;
  char* text = static_cast<char*>(MemAlloc(static_cast<size_t>(length) + 1));
  std::vsnprintf(text, static_cast<size_t>(length) + 1, format, args);
  return text;
}

char* Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
char* Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  char* text = FormatV(format, args);
  va_end(args);
  return text;
}

const char* OrUndefined(const char* name) { return name != nullptr ? name : "<undefined>"; }

}  // namespace

// ---- Options ---------------------------------------------------------------------------------

void SetDisplayErrors(bool on) { g_State.displayErrors = on; }
bool DisplayErrors() { return g_State.displayErrors; }
void SetAbortOnAllErrors(bool on) { g_State.abortOnAllErrors = on; }
bool AbortOnAllErrors() { return g_State.abortOnAllErrors; }

// ---- Reporting -------------------------------------------------------------------------------

void ReportError(const char* text, bool fatal) {
  if (g_State.aborting) return;
  if (g_State.abortOnAllErrors) fatal = true;
  ++g_State.reportCount;

  if (g_State.debugger != nullptr) g_State.debugger();

  if (g_State.displayErrors) {
    ErrorDialogHook dialog = g_State.dialog != nullptr ? g_State.dialog : HeadlessErrorDialog;
    if (dialog(text != nullptr ? text : "", fatal) == ErrorDialogResult::Abort) fatal = true;
  }

  if (g_State.clearInput != nullptr) g_State.clearInput();

  ReplaceOwned(g_State.lastText, text);

  if (!g_State.suppressed) Console::Output("ERROR!!! :: %s\n", text != nullptr ? text : "");

  g_State.errorOccurred = true;

  if (fatal) {
    g_State.aborting = true;
    if (g_State.newRoom != nullptr) g_State.newRoom(kNewRoomEndAfterError);
    if (g_State.quit != nullptr) g_State.quit();
  }
}

void ReportErrorF(bool fatal, const char* format, ...) {
  va_list args;
  va_start(args, format);
  char* text = FormatV(format, args);
  va_end(args);
  ReportError(text, fatal);
  MemFree(text);
}

char* FrameActionError(const char* text, bool fatal) {
  const CActionContext& ctx = g_State.context;
  const char* prefix = fatal ? "FATAL " : "";
  const char* message = text != nullptr ? text : "";
  if (ctx.objectIndex == kTimelineObjectIndex) {
    const char* timeline = g_State.names.timelineName != nullptr
                               ? g_State.names.timelineName(ctx.timelineIndex)
                               : nullptr;
    return Format("%sERROR in\naction number %d\nat time step%d\nof time line %s:\n\n\n%s", prefix,
                  ctx.actionNumber + 1, ctx.eventNumber, OrUndefined(timeline), message);
  }
  char eventName[256] = "<Unknown Event>";
  if (g_State.names.eventName != nullptr) {
    eventName[0] = '\0';
    g_State.names.eventName(ctx.objectIndex, ctx.eventType, ctx.eventNumber, eventName,
                            sizeof eventName);
    eventName[sizeof eventName - 1] = '\0';
  }
  const char* object =
      g_State.names.objectName != nullptr ? g_State.names.objectName(ctx.objectIndex) : nullptr;
  return Format("%sERROR in\naction number %d\nof %s\nfor object %s:\n\n\n%s", prefix,
                ctx.actionNumber + 1, eventName, OrUndefined(object), message);
}

void ReportActionError(const char* text, bool fatal) {
  if (g_State.aborting) return;
  char* framed = FrameActionError(text, fatal);
  ReportError(framed, fatal);
  MemFree(framed);
}

void ReportActionErrorF(bool fatal, const char* format, ...) {
  va_list args;
  va_start(args, format);
  char* text = FormatV(format, args);
  va_end(args);
  ReportActionError(text, fatal);
  MemFree(text);
}

// ---- State -----------------------------------------------------------------------------------

bool ErrorOccurred() { return g_State.errorOccurred; }
void SetErrorOccurred(bool on) { g_State.errorOccurred = on; }
const char* LastErrorText() { return g_State.lastText != nullptr ? g_State.lastText : ""; }
void SetLastErrorText(const char* text) { ReplaceOwned(g_State.lastText, text); }
bool ErrorAborting() { return g_State.aborting; }
int64_t ErrorReportCount() { return g_State.reportCount; }
void SetErrorSuppressed(bool on) { g_State.suppressed = on; }
bool ErrorSuppressed() { return g_State.suppressed; }

// ---- Compile errors --------------------------------------------------------------------------

char* BuildCompileErrorText(const char* code, int position, const char* message, CompileKind kind) {
  if (code == nullptr) code = "";
  if (message == nullptr) message = "";
  size_t length = std::strlen(code);
  size_t pos = position < 0 ? 0 : static_cast<size_t>(position);
  if (pos > length) pos = length;

  // Line: 1 + the line feeds before the position. Column: 1 + the characters since the last line
  // feed, carriage returns not counted.
  int line = 1;
  size_t lineStart = 0;
  for (size_t i = 0; i < pos; ++i) {
    if (code[i] == '\n') {
      ++line;
      lineStart = i + 1;
    }
  }
  int column = 1;
  for (size_t i = lineStart; i < pos; ++i) {
    if (code[i] != '\r') ++column;
  }

  if (kind == CompileKind::Expression) {
    return Format("Error in expression: %s\n position %d: %s", code, column, message);
  }
  const char* lineEnd = std::strchr(code + lineStart, '\n');
  int lineLength = static_cast<int>(lineEnd != nullptr ? static_cast<size_t>(lineEnd - (code + lineStart))
                                                       : length - lineStart);
  return Format("Error in code at line %d:\n   %.*s\n\nat position %d: %s", line, lineLength,
                code + lineStart, column, message);
}

void CompileError(const char* code, int position, const char* message, CompileKind kind) {
  if (g_State.compileFailed) return;
  char* text = BuildCompileErrorText(code, position, message, kind);
  if (g_State.compileText != nullptr) MemFree(g_State.compileText);
  g_State.compileText = text;
  g_State.compileFailed = true;
}

const char* CompileErrorText() { return g_State.compileText != nullptr ? g_State.compileText : ""; }
bool CompileFailed() { return g_State.compileFailed; }
void ClearCompileFailure() { g_State.compileFailed = false; }
void SetCompileFailure() { g_State.compileFailed = true; }

// ---- Dialog ----------------------------------------------------------------------------------

void SetErrorDialogHook(ErrorDialogHook hook) { g_State.dialog = hook; }

ErrorDialogResult HeadlessErrorDialog(const char* /*text*/, bool fatal) {
  return fatal ? ErrorDialogResult::Abort : ErrorDialogResult::Ignore;
}

char* ErrorDialogText(const char* message) {
  static const char kHeader[] = "\r\n___________________________________________\r\n";
  static_assert(sizeof kHeader - 1 == 2 + 43 + 2, "CR LF, 43 underscores, CR LF");
  if (message == nullptr) message = "";

  // Worst case per byte: a tab becomes seven blanks.
  size_t length = std::strlen(message);
  char* out = static_cast<char*>(MemAlloc(sizeof kHeader + length * 7 + 1));
  std::memcpy(out, kHeader, sizeof kHeader - 1);
  size_t o = sizeof kHeader - 1;
  for (size_t i = 0; i < length; ++i) {
    char c = message[i];
    if (c == '\t') {
      std::memset(out + o, ' ', 7);
      o += 7;
    } else if (c == '\n' || c == '\r') {
      // LF, CR, CR LF and LF CR are each one line break.
      char next = message[i + 1];
      if ((next == '\n' || next == '\r') && next != c) ++i;
      out[o++] = '\r';
      out[o++] = '\n';
    } else {
      out[o++] = c;
    }
  }
  out[o] = '\0';
  return out;
}

// ---- Hooks -----------------------------------------------------------------------------------

void SetErrorDebuggerHook(ErrorVoidHook hook) { g_State.debugger = hook; }
void SetErrorClearInputHook(ErrorVoidHook hook) { g_State.clearInput = hook; }
void SetErrorNewRoomHook(ErrorNewRoomHook hook) { g_State.newRoom = hook; }
void SetErrorQuitHook(ErrorVoidHook hook) { g_State.quit = hook; }

CActionContext& CurrentActionContext() { return g_State.context; }
void SetErrorNames(const CErrorNames& names) { g_State.names = names; }

void ResetErrorReporter() {
  if (g_State.lastText != nullptr) MemFree(g_State.lastText);
  if (g_State.compileText != nullptr) MemFree(g_State.compileText);
  g_State = ReporterState();
}
