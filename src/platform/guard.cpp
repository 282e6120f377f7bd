#include "platform/guard.h"

#include <fenv.h>

#ifdef _WIN32

#include <malloc.h>

namespace vsk::platform {
namespace {

// One guard of a thread, on the stack of its RunGuarded. __builtin_setjmp
// and __builtin_longjmp only save and restore the frame, stack and
// instruction pointers: the jump back unwinds nothing, as __except does not
// run the abandoned frames' handlers either.
struct GuardFrame {
  void* jump[5];
  fenv_t floatingPoint;  // as it was when the guard was entered
  GuardFilter filter;
  GuardFrame* outer;
  volatile DWORD code;
};

// The thread's innermost guard lives in a Win32 TLS slot rather than a
// thread_local: MinGW's thread_local allocates on first use, which must not
// happen inside exception dispatch.
DWORD gGuardSlot = TLS_OUT_OF_INDEXES;

constexpr ULONG kStackGuarantee = 64 * 1024;

GuardFrame* Innermost() { return static_cast<GuardFrame*>(TlsGetValue(gGuardSlot)); }

// The codes the processor raises. Software exceptions (C++ throws, debug
// output, thread names, ...) pass by untouched.
bool IsHardwareException(DWORD code) {
  switch (code) {
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_BREAKPOINT:
    case EXCEPTION_SINGLE_STEP:
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_STACK_OVERFLOW:
      return true;
    default:
      return false;
  }
}

// Where an accepted exception continues: a call made, as it were, by the
// faulting instruction, that jumps back to the accepting guard.
[[noreturn]] __attribute__((noinline)) void ResumeAtGuard() {
  __builtin_longjmp(Innermost()->jump, 1);
}

LONG CALLBACK OnException(EXCEPTION_POINTERS* pointers) {
  DWORD code = pointers->ExceptionRecord->ExceptionCode;
  if (!IsHardwareException(code)) return EXCEPTION_CONTINUE_SEARCH;
  DWORD lastError = GetLastError();
  for (GuardFrame* frame = Innermost(); frame; frame = frame->outer) {
    int verdict = frame->filter ? frame->filter(code) : EXCEPTION_EXECUTE_HANDLER;
    if (verdict == EXCEPTION_CONTINUE_EXECUTION) {
      SetLastError(lastError);
      return EXCEPTION_CONTINUE_EXECUTION;
    }
    if (verdict != EXCEPTION_EXECUTE_HANDLER) continue;
    frame->code = code;
    TlsSetValue(gGuardSlot, frame);
    // Dispatch ends normally and the thread goes on in ResumeAtGuard, on its
    // own stack just below the faulting frame (after a stack overflow the
    // former guard page gives it the room).
    CONTEXT* context = pointers->ContextRecord;
#if defined(__x86_64__)
    DWORD64 sp = ((context->Rsp - 64) & ~DWORD64{15}) - 8;
    *reinterpret_cast<DWORD64*>(sp) = context->Rip;
    context->Rsp = sp;
    context->Rip = reinterpret_cast<DWORD64>(&ResumeAtGuard);
#elif defined(__i386__)
    DWORD sp = ((context->Esp - 64) & ~DWORD{15}) - 4;
    *reinterpret_cast<DWORD*>(sp) = context->Eip;
    context->Esp = sp;
    context->Eip = reinterpret_cast<DWORD>(&ResumeAtGuard);
#elif defined(__aarch64__)
    context->Lr = context->Pc;
    context->Sp = (context->Sp - 64) & ~DWORD64{15};
    context->Pc = reinterpret_cast<DWORD64>(&ResumeAtGuard);
#else
#error "RunGuarded: unknown processor"
#endif
    return EXCEPTION_CONTINUE_EXECUTION;
  }
  SetLastError(lastError);
  return EXCEPTION_CONTINUE_SEARCH;
}

bool InstallHandler() {
  gGuardSlot = TlsAlloc();
  return gGuardSlot != TLS_OUT_OF_INDEXES && AddVectoredExceptionHandler(1, OnException) != nullptr;
}

}  // namespace

DWORD RunGuarded(GuardedFunction function, GuardFilter filter, GuardHandler handler,
                 void* context) {
  static const bool installed = InstallHandler();
  if (!installed) {
    // Without a handler there is nothing to guard with: run unguarded.
    function(context);
    return 0;
  }
  GuardFrame frame;
  frame.filter = filter;
  frame.outer = Innermost();
  frame.code = 0;
  if (!frame.outer) {
    // Keep room below the guard page for dispatching a stack overflow and
    // for ResumeAtGuard (the processor's extended state alone takes pages).
    ULONG guarantee = kStackGuarantee;
    SetThreadStackGuarantee(&guarantee);
  }
  fegetenv(&frame.floatingPoint);
  TlsSetValue(gGuardSlot, &frame);
  if (__builtin_setjmp(frame.jump) == 0) {
    function(context);
    TlsSetValue(gGuardSlot, frame.outer);
    return 0;
  }
  TlsSetValue(gGuardSlot, frame.outer);
  DWORD code = frame.code;
  // The floating-point modes of the guard's entry, not those of the fault.
  fesetenv(&frame.floatingPoint);
  // The overflow used up the stack's guard page; put it back so that the
  // next overflow is caught as well.
  if (code == EXCEPTION_STACK_OVERFLOW) _resetstkoflw();
  if (handler) handler(code);
  return code;
}

}  // namespace vsk::platform

#else  // POSIX

#include <pthread.h>
#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <mutex>

#if defined(__SANITIZE_ADDRESS__)
#define VSK_GUARD_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VSK_GUARD_ASAN 1
#endif
#endif
#ifdef VSK_GUARD_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace vsk::platform {
namespace {

// One guard of a thread, on the stack of its RunGuarded.
struct GuardFrame {
  sigjmp_buf jump;
  fenv_t floatingPoint;  // as it was when the guard was entered
  GuardFilter filter;
  GuardFrame* outer;
  volatile DWORD code;
  volatile uintptr_t faultStack;  // stack pointer at the fault, 0 when unknown
};

// What a thread needs while it is inside at least one RunGuarded. Plain data,
// so that the signal handler reads it without any initialisation code.
struct ThreadGuard {
  GuardFrame* innermost;
  void* altStackMapping;  // our alternate signal stack, with a guard page below
  size_t altStackMappingSize;
  stack_t previousAltStack;
  uintptr_t stackLow;  // the thread's stack, [stackLow, stackHigh); 0 when unknown
  uintptr_t stackHigh;
  uintptr_t stackGuard;  // size of the guard area below stackLow
};

constinit thread_local ThreadGuard tGuard{};

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP};
constexpr size_t kSignalCount = sizeof kSignals / sizeof kSignals[0];
struct sigaction gPrevious[kSignalCount];

// Room for the handler, the filter and whatever handler was there before us
// (a sanitizer's report runs on this stack too when it gets the signal).
constexpr size_t kAltStackSize = 128 * 1024;
// How far from the stack pointer a fault still counts as the stack's: a push
// or call just below it (x86-64 leaf functions also use 128 bytes there), or
// the new frame of a function above it.
constexpr uintptr_t kBelowStackPointer = 256;
constexpr uintptr_t kFrameReach = 64 * 1024;

uintptr_t FaultStackPointer(const void* ucontext) {
  if (!ucontext) return 0;
  const ucontext_t* uc = static_cast<const ucontext_t*>(ucontext);
#if defined(__x86_64__)
  return static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RSP]);
#elif defined(__i386__)
  return static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_ESP]);
#elif defined(__aarch64__)
  return static_cast<uintptr_t>(uc->uc_mcontext.sp);
#else
  (void)uc;
  return 0;
#endif
}

bool IsStackOverflow(uintptr_t address, uintptr_t sp, const ThreadGuard& guard) {
  // Inside the thread's stack or its guard area: mapped stack pages do not
  // fault, so this is the guard page or the end of the stack's growth.
  if (guard.stackLow && address < guard.stackHigh && address + guard.stackGuard >= guard.stackLow) {
    return true;
  }
  // Right at the stack pointer: a push, a call or a new frame that found no
  // stack (also a frame larger than the guard area, and stacks of unknown
  // bounds).
  return sp && address + kBelowStackPointer >= sp && address < sp + kFrameReach;
}

DWORD ExceptionCode(int sig, const siginfo_t* info, uintptr_t sp, const ThreadGuard& guard) {
  switch (sig) {
    case SIGSEGV:
      return IsStackOverflow(reinterpret_cast<uintptr_t>(info->si_addr), sp, guard)
                 ? EXCEPTION_STACK_OVERFLOW
                 : EXCEPTION_ACCESS_VIOLATION;
    case SIGBUS:
      switch (info->si_code) {
        case BUS_ADRALN: return EXCEPTION_DATATYPE_MISALIGNMENT;
        // A mapped page that cannot be brought in (file gone short, memory
        // error): what Windows calls an in-page error.
        case BUS_ADRERR:
        case BUS_OBJERR:
#ifdef BUS_MCEERR_AR
        case BUS_MCEERR_AR:
#endif
          return EXCEPTION_IN_PAGE_ERROR;
        default: return EXCEPTION_ACCESS_VIOLATION;
      }
    case SIGFPE:
      switch (info->si_code) {
        case FPE_INTDIV: return EXCEPTION_INT_DIVIDE_BY_ZERO;
        case FPE_INTOVF: return EXCEPTION_INT_OVERFLOW;
        case FPE_FLTDIV: return EXCEPTION_FLT_DIVIDE_BY_ZERO;
        case FPE_FLTOVF: return EXCEPTION_FLT_OVERFLOW;
        case FPE_FLTUND: return EXCEPTION_FLT_UNDERFLOW;
        case FPE_FLTRES: return EXCEPTION_FLT_INEXACT_RESULT;
        case FPE_FLTSUB: return EXCEPTION_ARRAY_BOUNDS_EXCEEDED;
        default: return EXCEPTION_FLT_INVALID_OPERATION;
      }
    case SIGILL:
      return info->si_code == ILL_PRVOPC || info->si_code == ILL_PRVREG
                 ? EXCEPTION_PRIV_INSTRUCTION
                 : EXCEPTION_ILLEGAL_INSTRUCTION;
    case SIGTRAP:
      return info->si_code == TRAP_TRACE
#ifdef TRAP_HWBKPT
                     || info->si_code == TRAP_HWBKPT
#endif
                 ? EXCEPTION_SINGLE_STEP
                 : EXCEPTION_BREAKPOINT;
    default:
      return EXCEPTION_ACCESS_VIOLATION;
  }
}

const struct sigaction* PreviousAction(int sig) {
  for (size_t i = 0; i < kSignalCount; ++i) {
    if (kSignals[i] == sig) return &gPrevious[i];
  }
  return nullptr;
}

// Not ours: whoever had the signal before us gets it, else the default
// action ends the process with that signal.
void PassOn(int sig, siginfo_t* info, void* ucontext) {
  const struct sigaction* previous = PreviousAction(sig);
  if (previous) {
    if (previous->sa_flags & SA_SIGINFO) {
      if (previous->sa_sigaction) {
        previous->sa_sigaction(sig, info, ucontext);
        return;
      }
    } else if (previous->sa_handler == SIG_IGN) {
      // An ignored signal that someone sent stays ignored; a fault cannot be
      // ignored (the kernel would end the process just the same).
      if (info && info->si_code <= 0) return;
    } else if (previous->sa_handler != SIG_DFL) {
      previous->sa_handler(sig);
      return;
    }
  }
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(sig, &fallback, nullptr);
  // Pending while the handler runs, delivered (and fatal) when it returns,
  // before a faulting instruction could run again.
  raise(sig);
}

void OnSignal(int sig, siginfo_t* info, void* ucontext) {
  int savedErrno = errno;
  ThreadGuard& guard = tGuard;
  // Only what the processor raised on a guarded thread; a signal sent with
  // kill() or raise() (si_code <= 0) is not an exception.
  if (info && info->si_code > 0 && guard.innermost) {
    uintptr_t sp = FaultStackPointer(ucontext);
    DWORD code = ExceptionCode(sig, info, sp, guard);
    for (GuardFrame* frame = guard.innermost; frame; frame = frame->outer) {
      int verdict = frame->filter ? frame->filter(code) : EXCEPTION_EXECUTE_HANDLER;
      if (verdict == EXCEPTION_CONTINUE_EXECUTION) {
        errno = savedErrno;
        return;
      }
      if (verdict == EXCEPTION_EXECUTE_HANDLER) {
        frame->code = code;
        frame->faultStack = sp;
        siglongjmp(frame->jump, 1);
      }
    }
  }
  PassOn(sig, info, ucontext);
  errno = savedErrno;
}

void InstallHandlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (size_t i = 0; i < kSignalCount; ++i) {
      struct sigaction action {};
      action.sa_sigaction = OnSignal;
      action.sa_flags = SA_SIGINFO | SA_ONSTACK;
      sigemptyset(&action.sa_mask);
      sigaction(kSignals[i], &action, &gPrevious[i]);
    }
  });
}

// The outermost RunGuarded of a thread gives it an alternate signal stack
// (so that a stack overflow can still be handled) and notes its stack bounds.
void EnterFirstGuard(ThreadGuard& guard) {
  size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  size_t size = kAltStackSize + page;
  void* mapping = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK,
                       -1, 0);
  if (mapping != MAP_FAILED) {
    mprotect(mapping, page, PROT_NONE);  // an overflow of the handler itself faults, not corrupts
    stack_t stack{};
    stack.ss_sp = static_cast<char*>(mapping) + page;
    stack.ss_size = kAltStackSize;
    stack.ss_flags = 0;
    if (sigaltstack(&stack, &guard.previousAltStack) == 0) {
      guard.altStackMapping = mapping;
      guard.altStackMappingSize = size;
    } else {
      munmap(mapping, size);  // already running on an alternate stack: keep that one
    }
  }

  guard.stackLow = guard.stackHigh = 0;
  guard.stackGuard = page;
  pthread_attr_t attributes;
  if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
    void* address = nullptr;
    size_t stackSize = 0;
    if (pthread_attr_getstack(&attributes, &address, &stackSize) == 0 && address) {
      guard.stackLow = reinterpret_cast<uintptr_t>(address);
      guard.stackHigh = guard.stackLow + stackSize;
    }
    size_t guardSize = 0;
    if (pthread_attr_getguardsize(&attributes, &guardSize) == 0 && guardSize > page) {
      guard.stackGuard = guardSize;
    }
    pthread_attr_destroy(&attributes);
  }
}

void LeaveLastGuard(ThreadGuard& guard) {
  if (!guard.altStackMapping) return;
  sigaltstack(&guard.previousAltStack, nullptr);
  munmap(guard.altStackMapping, guard.altStackMappingSize);
  guard.altStackMapping = nullptr;
  guard.altStackMappingSize = 0;
}

// A thread that ends inside a guard (pthread_exit from the guarded function)
// still gives its alternate stack back.
struct AltStackRelease {
  ~AltStackRelease() { LeaveLastGuard(tGuard); }
};
thread_local AltStackRelease tAltStackRelease;

#ifdef VSK_GUARD_ASAN
// The frames abandoned by the jump never cleared their red zones; clear the
// shadow of the whole dead part of the stack so later frames there are not
// taken for overflows.
__attribute__((noinline)) void ForgetAbandonedFrames(uintptr_t faultStack, const ThreadGuard& guard) {
  uintptr_t here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  uintptr_t low = faultStack;
  if (guard.stackLow && (low < guard.stackLow || low >= guard.stackHigh)) low = guard.stackLow;
  if (low && low < here) __asan_unpoison_memory_region(reinterpret_cast<void*>(low), here - low);
}
#endif

}  // namespace

DWORD RunGuarded(GuardedFunction function, GuardFilter filter, GuardHandler handler,
                 void* context) {
  InstallHandlers();
  ThreadGuard& guard = tGuard;
  const bool outermost = guard.innermost == nullptr;
  if (outermost) {
    EnterFirstGuard(guard);
    (void)&tAltStackRelease;  // constructed on the thread's first guard
  }

  GuardFrame frame;
  frame.filter = filter;
  frame.outer = guard.innermost;
  frame.code = 0;
  frame.faultStack = 0;
  fegetenv(&frame.floatingPoint);
  guard.innermost = &frame;
  if (sigsetjmp(frame.jump, 1) == 0) {
    function(context);
    guard.innermost = frame.outer;
    if (outermost) LeaveLastGuard(guard);
    return 0;
  }

  // Back from the signal handler, with the signal mask of the sigsetjmp and
  // the floating-point modes of the guard's entry (the handler ran with the
  // system's defaults).
  guard.innermost = frame.outer;
  DWORD code = frame.code;
  fesetenv(&frame.floatingPoint);
#ifdef VSK_GUARD_ASAN
  ForgetAbandonedFrames(frame.faultStack, guard);
#endif
  if (outermost) LeaveLastGuard(guard);
  if (handler) handler(code);
  return code;
}

}  // namespace vsk::platform

#endif
