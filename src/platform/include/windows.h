// The subset of the Win32 API that the game calls, declared with the names,
// types and values Windows gives them. Only compiled where the real SDK is
// absent; src/platform/sdl/ implements every function declared here.
#pragma once

#include <cstddef>
#include <cstdint>

// ---- basic types (LLP64: LONG and DWORD stay 32 bits wide) ------------------
typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef unsigned int UINT;
typedef int INT;
typedef char CHAR;
typedef size_t SIZE_T;
typedef uintptr_t UINT_PTR;
typedef intptr_t INT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t DWORD_PTR;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef DWORD* LPDWORD;
typedef void* HANDLE;
typedef HANDLE* LPHANDLE;
typedef DWORD LCID;
typedef DWORD LCTYPE;

#define WINAPI
#define CALLBACK
#ifndef APIENTRY
#define APIENTRY
#endif
// Calling conventions matter only to 32-bit x86 Windows; the names stay so
// that declarations written for Windows compile unchanged.
#ifndef __stdcall
#define __stdcall
#endif
#ifndef __cdecl
#define __cdecl
#endif

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define MAX_PATH 260
#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)

// ---- errors -----------------------------------------------------------------
#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_SHARING_VIOLATION 32L
#define ERROR_FILE_EXISTS 80L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_ALREADY_EXISTS 183L

DWORD GetLastError(void);
void SetLastError(DWORD dwErrCode);

// ---- memory and time --------------------------------------------------------
typedef struct _MEMORYSTATUS {
  DWORD dwLength;
  DWORD dwMemoryLoad;
  SIZE_T dwTotalPhys;
  SIZE_T dwAvailPhys;
  SIZE_T dwTotalPageFile;
  SIZE_T dwAvailPageFile;
  SIZE_T dwTotalVirtual;
  SIZE_T dwAvailVirtual;
} MEMORYSTATUS, *LPMEMORYSTATUS;

void GlobalMemoryStatus(LPMEMORYSTATUS lpBuffer);
void Sleep(DWORD dwMilliseconds);

// ---- locale -----------------------------------------------------------------
#define LOCALE_NEUTRAL 0x0000
#define LOCALE_USER_DEFAULT 0x0400
#define LOCALE_SYSTEM_DEFAULT 0x0800
#define LOCALE_SENGLANGUAGE 0x00001001

int GetLocaleInfoA(LCID Locale, LCTYPE LCType, LPSTR lpLCData, int cchData);

// ---- files and directories --------------------------------------------------
#define GENERIC_READ 0x80000000UL
#define GENERIC_WRITE 0x40000000UL

#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004

#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5

#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)

typedef struct _SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *PSECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

DWORD GetFullPathNameA(LPCSTR lpFileName, DWORD nBufferLength, LPSTR lpBuffer, LPSTR* lpFilePart);
DWORD GetFileAttributesA(LPCSTR lpFileName);
HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                   DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
BOOL CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes);
BOOL CloseHandle(HANDLE hObject);

// ---- handles, messages' parameter types, geometry --------------------------
// Opaque handle types, distinct from each other as with the SDK's STRICT.
#define VSK_DECLARE_HANDLE(name) \
  struct name##__ {              \
    int unused;                  \
  };                             \
  typedef struct name##__* name
VSK_DECLARE_HANDLE(HINSTANCE);
VSK_DECLARE_HANDLE(HWND);
VSK_DECLARE_HANDLE(HDC);
VSK_DECLARE_HANDLE(HGLRC);
VSK_DECLARE_HANDLE(HICON);
VSK_DECLARE_HANDLE(HBRUSH);
VSK_DECLARE_HANDLE(HMENU);
#undef VSK_DECLARE_HANDLE
typedef HINSTANCE HMODULE;
typedef HICON HCURSOR;

typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;
typedef short SHORT;
typedef unsigned short USHORT;
typedef WORD ATOM;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef BOOL* LPBOOL;
typedef LONG* LPLONG;

typedef union _LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  };
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
} LARGE_INTEGER, *PLARGE_INTEGER;

typedef struct tagRECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
} RECT, *PRECT, *LPRECT;
typedef const RECT* LPCRECT;

typedef struct tagPOINT {
  LONG x;
  LONG y;
} POINT, *PPOINT, *LPPOINT;

typedef struct _POINTL {
  LONG x;
  LONG y;
} POINTL, *PPOINTL;

#define LOWORD(l) ((WORD)(((DWORD_PTR)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((DWORD_PTR)(l)) >> 16) & 0xffff))
#define LOBYTE(w) ((BYTE)(((DWORD_PTR)(w)) & 0xff))
#define HIBYTE(w) ((BYTE)((((DWORD_PTR)(w)) >> 8) & 0xff))
#define MAKEWORD(a, b) ((WORD)(((BYTE)(((DWORD_PTR)(a)) & 0xff)) | ((WORD)((BYTE)(((DWORD_PTR)(b)) & 0xff))) << 8))
#define MAKELONG(a, b) ((LONG)(((WORD)(((DWORD_PTR)(a)) & 0xffff)) | ((DWORD)((WORD)(((DWORD_PTR)(b)) & 0xffff))) << 16))

// Resource names that are numbers.
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)
#define MAKEINTRESOURCEA(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))
#define MAKEINTRESOURCE MAKEINTRESOURCEA
#define MAKEINTATOM(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))

// ---- more error codes ------------------------------------------------------
#define ERROR_INVALID_ACCESS 12L
#define ERROR_NOT_SUPPORTED 50L
#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_SIGNAL_REFUSED 156L
#define ERROR_BUSY 170L
#define ERROR_INVALID_FLAGS 1004L
#define ERROR_INVALID_WINDOW_HANDLE 1400L
#define ERROR_CANNOT_FIND_WND_CLASS 1407L
#define ERROR_WINDOW_OF_OTHER_THREAD 1408L
#define ERROR_CLASS_ALREADY_EXISTS 1410L
#define ERROR_CLASS_DOES_NOT_EXIST 1411L
#define ERROR_CLASS_HAS_WINDOWS 1412L
#define ERROR_INVALID_THREAD_ID 1444L
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L
#define ERROR_NOT_ENOUGH_QUOTA 1816L
#define ERROR_INVALID_PIXEL_FORMAT 2000L

// ---- threads and waits ------------------------------------------------------
#define INFINITE 0xFFFFFFFFUL
#define WAIT_OBJECT_0 0x00000000UL
#define WAIT_ABANDONED 0x00000080UL
#define WAIT_TIMEOUT 258UL
#define WAIT_FAILED ((DWORD)0xFFFFFFFF)
#define STILL_ACTIVE 259UL
#define CREATE_SUSPENDED 0x00000004UL
#define STACK_SIZE_PARAM_IS_A_RESERVATION 0x00010000UL
#define MAXIMUM_SUSPEND_COUNT 127

typedef DWORD(WINAPI* PTHREAD_START_ROUTINE)(LPVOID lpThreadParameter);
typedef PTHREAD_START_ROUTINE LPTHREAD_START_ROUTINE;
// A function looked up by name, cast to its real type by the caller.
typedef INT_PTR(WINAPI* PROC)(void);

HANDLE CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, SIZE_T dwStackSize,
                    LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                    DWORD dwCreationFlags, LPDWORD lpThreadId);
DWORD SuspendThread(HANDLE hThread);
DWORD ResumeThread(HANDLE hThread);
BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode);
HANDLE GetCurrentThread(void);
DWORD GetCurrentThreadId(void);
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
HMODULE GetModuleHandleA(LPCSTR lpModuleName);

// ---- clocks -----------------------------------------------------------------
BOOL QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency);
DWORD GetTickCount(void);

// The names without A, as the SDK maps them for programs built without UNICODE.
#define GetModuleHandle GetModuleHandleA

// ---- version ----------------------------------------------------------------
#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

#define VER_NT_WORKSTATION 0x0000001
#define VER_NT_DOMAIN_CONTROLLER 0x0000002
#define VER_NT_SERVER 0x0000003

typedef struct _OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  CHAR szCSDVersion[128];
} OSVERSIONINFOA, *POSVERSIONINFOA, *LPOSVERSIONINFOA;

typedef struct _OSVERSIONINFOEXA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  CHAR szCSDVersion[128];
  WORD wServicePackMajor;
  WORD wServicePackMinor;
  WORD wSuiteMask;
  BYTE wProductType;
  BYTE wReserved;
} OSVERSIONINFOEXA, *POSVERSIONINFOEXA, *LPOSVERSIONINFOEXA;

BOOL GetVersionExA(LPOSVERSIONINFOA lpVersionInformation);

// The rest of the subset, in the headers Windows keeps it in.
#include <winuser.h>
#include <wingdi.h>
#include <winreg.h>
