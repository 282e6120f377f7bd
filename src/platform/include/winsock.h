// Windows Sockets 1.1 as far as the game uses it: starting and stopping the
// library (src/platform/sdl/wsock32_startup.cpp).
#pragma once

#include <windows.h>

#define WSADESCRIPTION_LEN 256
#define WSASYS_STATUS_LEN 128

typedef struct WSAData {
  WORD wVersion;
  WORD wHighVersion;
  // 64-bit Windows places the two counts and the vendor pointer first.
  unsigned short iMaxSockets;
  unsigned short iMaxUdpDg;
  char* lpVendorInfo;
  char szDescription[WSADESCRIPTION_LEN + 1];
  char szSystemStatus[WSASYS_STATUS_LEN + 1];
} WSADATA, *LPWSADATA;

#define SOCKET_ERROR (-1)

#define WSABASEERR 10000
#define WSAEFAULT (WSABASEERR + 14)
#define WSAEPROCLIM (WSABASEERR + 67)
#define WSASYSNOTREADY (WSABASEERR + 91)
#define WSAVERNOTSUPPORTED (WSABASEERR + 92)
#define WSANOTINITIALISED (WSABASEERR + 93)

#ifndef MAKEWORD
#define MAKEWORD(low, high) ((WORD)(((BYTE)((DWORD_PTR)(low) & 0xff)) | ((WORD)((BYTE)((DWORD_PTR)(high) & 0xff))) << 8))
#endif

// Grants version 1.1 for a request of 1.1 or later (low byte major, high byte
// minor); every successful call needs its WSACleanup.
int WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData);
// SOCKET_ERROR with WSANOTINITIALISED when there is no start-up left to end.
int WSACleanup(void);
int WSAGetLastError(void);
