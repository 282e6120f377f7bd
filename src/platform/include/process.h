// The C runtime's thread start as the game uses it (MSVCRT's <process.h>).
// Threads started here are the same kernel threads as CreateThread's.
#pragma once

#include <windows.h>

// Starts a thread running start_address(arglist). Returns the thread handle
// (0 on failure, with errno set); *thrdaddr receives the thread id. initflag
// may be CREATE_SUSPENDED. The handle stays valid until CloseHandle, also
// after the thread has ended, so it can be waited on.
uintptr_t _beginthreadex(void* security, unsigned stack_size,
                         unsigned(__stdcall* start_address)(void*), void* arglist,
                         unsigned initflag, unsigned* thrdaddr);
