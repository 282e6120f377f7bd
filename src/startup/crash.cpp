// The fatal-exception reporter of the game thread.
#include <cstdio>

#include "platform/guard.h"
#include "startup/entry.h"

namespace vsk {

const char* const CrashNote =
    "\nThis program has hit a critical error. Please send a report to support@veskaria.example"
    "\nwith a debug output and the whole map and data directory! To create a debug report\n"
    "use a shell and enter vsk-client.exe >debug.txt.";

int IsReportedException(DWORD code) {
  switch (code) {
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_INT_OVERFLOW:
      return EXCEPTION_CONTINUE_SEARCH;
    default:
      return EXCEPTION_EXECUTE_HANDLER;
  }
}

void ReportFatalException(DWORD code) {
  struct Name {
    DWORD code;
    const char* text;
  };
  static const Name kNames[] = {
      {EXCEPTION_DATATYPE_MISALIGNMENT, "Datatype Misalignment"},
      {EXCEPTION_BREAKPOINT, "Breakpoint"},
      {EXCEPTION_SINGLE_STEP, "Single-step"},
      {EXCEPTION_ACCESS_VIOLATION, "Access Violation"},
      {EXCEPTION_IN_PAGE_ERROR, "In-page Error"},
      {EXCEPTION_ILLEGAL_INSTRUCTION, "Illegal Instruction"},
      {EXCEPTION_NONCONTINUABLE_EXCEPTION, "Noncontinuable Exception"},
      {EXCEPTION_INVALID_DISPOSITION, "Invalid Disposition"},
      {EXCEPTION_ARRAY_BOUNDS_EXCEEDED, "Array Bounds Exceeded"},
      {EXCEPTION_FLT_DENORMAL_OPERAND, "Float Denormal Operand"},
      {EXCEPTION_FLT_DIVIDE_BY_ZERO, "Float Divide By Zero"},
      {EXCEPTION_FLT_INEXACT_RESULT, "Float Inexact Result"},
      {EXCEPTION_FLT_INVALID_OPERATION, "Float Invalid Operation"},
      {EXCEPTION_FLT_OVERFLOW, "Float Overflow"},
      {EXCEPTION_FLT_STACK_CHECK, "Float Stack Check"},
      {EXCEPTION_FLT_UNDERFLOW, "Float Underflow"},
      {EXCEPTION_INT_DIVIDE_BY_ZERO, "Integer Divide By Zero"},
      {EXCEPTION_INT_OVERFLOW, "Integer Overflow"},
      {EXCEPTION_PRIV_INSTRUCTION, "Private Instruction"},
      {EXCEPTION_STACK_OVERFLOW, "Stack Overflow"},
  };
  for (const Name& name : kNames) {
    if (name.code == code) {
      std::printf("Fatal Exception: %s\n%s\n", name.text, CrashNote);
      return;
    }
  }
  std::printf("Fatal Exception: Unknown: %x\n%s\n", static_cast<unsigned>(code), CrashNote);
}

}  // namespace vsk
