// The crash guard: __try/__except for a compiler and a system without them.
//
// RunGuarded (function, filter, handler, context) runs function (context).
// When a hardware exception (access violation, division by zero, stack
// overflow, ...) is raised on the calling thread while it runs, filter (code)
// is asked with the Windows exception code:
//   EXCEPTION_EXECUTE_HANDLER     the stack is abandoned back to RunGuarded,
//                                 handler (code) runs on the same thread and
//                                 RunGuarded returns the code;
//   EXCEPTION_CONTINUE_SEARCH     the next enclosing guard of the thread is
//                                 asked; when none accepts, the process ends
//                                 as it would without any guard;
//   EXCEPTION_CONTINUE_EXECUTION  the faulting instruction is retried.
// Guards nest; the innermost is asked first. A guard is usable again at once
// after it caught something, on any thread, any number of times.
//
// Nothing between the fault and the guard is unwound: no destructor of the
// abandoned frames runs, and locks they held stay held. The floating-point
// modes are those of the guard's entry again.
//
// On Windows this is a vectored exception handler; elsewhere signal handlers
// for SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGTRAP, running on an alternate
// stack so that a stack overflow can be caught too.
#pragma once

#include <windows.h>

#ifndef _WIN32
// The filter results and exception codes, as Windows' own headers name them.
#ifndef EXCEPTION_EXECUTE_HANDLER
#define EXCEPTION_EXECUTE_HANDLER 1
#endif
#ifndef EXCEPTION_CONTINUE_SEARCH
#define EXCEPTION_CONTINUE_SEARCH 0
#endif
#ifndef EXCEPTION_CONTINUE_EXECUTION
#define EXCEPTION_CONTINUE_EXECUTION -1
#endif

#ifndef EXCEPTION_ACCESS_VIOLATION
#define EXCEPTION_DATATYPE_MISALIGNMENT ((DWORD)0x80000002)
#define EXCEPTION_BREAKPOINT ((DWORD)0x80000003)
#define EXCEPTION_SINGLE_STEP ((DWORD)0x80000004)
#define EXCEPTION_ACCESS_VIOLATION ((DWORD)0xC0000005)
#define EXCEPTION_IN_PAGE_ERROR ((DWORD)0xC0000006)
#define EXCEPTION_ILLEGAL_INSTRUCTION ((DWORD)0xC000001D)
#define EXCEPTION_NONCONTINUABLE_EXCEPTION ((DWORD)0xC0000025)
#define EXCEPTION_INVALID_DISPOSITION ((DWORD)0xC0000026)
#define EXCEPTION_ARRAY_BOUNDS_EXCEEDED ((DWORD)0xC000008C)
#define EXCEPTION_FLT_DENORMAL_OPERAND ((DWORD)0xC000008D)
#define EXCEPTION_FLT_DIVIDE_BY_ZERO ((DWORD)0xC000008E)
#define EXCEPTION_FLT_INEXACT_RESULT ((DWORD)0xC000008F)
#define EXCEPTION_FLT_INVALID_OPERATION ((DWORD)0xC0000090)
#define EXCEPTION_FLT_OVERFLOW ((DWORD)0xC0000091)
#define EXCEPTION_FLT_STACK_CHECK ((DWORD)0xC0000092)
#define EXCEPTION_FLT_UNDERFLOW ((DWORD)0xC0000093)
#define EXCEPTION_INT_DIVIDE_BY_ZERO ((DWORD)0xC0000094)
#define EXCEPTION_INT_OVERFLOW ((DWORD)0xC0000095)
#define EXCEPTION_PRIV_INSTRUCTION ((DWORD)0xC0000096)
#define EXCEPTION_STACK_OVERFLOW ((DWORD)0xC00000FD)
#endif
#endif  // !_WIN32

namespace vsk::platform {

typedef void (*GuardedFunction)(void* context);
// Returns EXCEPTION_EXECUTE_HANDLER, EXCEPTION_CONTINUE_SEARCH or
// EXCEPTION_CONTINUE_EXECUTION for an exception code. It runs while the
// exception is being dispatched (on Linux inside the signal handler), so it
// should decide from the code alone and do nothing else.
typedef int (*GuardFilter)(DWORD code);
// Runs on the guarded thread after its stack was abandoned back to RunGuarded.
typedef void (*GuardHandler)(DWORD code);

// Runs function (context) under a guard. Returns 0 when the function returned
// normally, else the code of the exception that handler was run for. A null
// filter accepts every exception; a null handler does nothing.
DWORD RunGuarded(GuardedFunction function, GuardFilter filter, GuardHandler handler,
                 void* context);

}  // namespace vsk::platform
