#include <windows.h>

namespace {
thread_local DWORD tLastError = ERROR_SUCCESS;
}

DWORD GetLastError(void) { return tLastError; }

void SetLastError(DWORD dwErrCode) { tLastError = dwErrCode; }
