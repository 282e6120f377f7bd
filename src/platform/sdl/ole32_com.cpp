// COM initialisation. COM is per thread: CoInitialize counts on the calling
// thread, and only the first call of a thread (or the first after it was
// uninitialised again) reports S_OK.
#include <objbase.h>

namespace {

thread_local int tComInitialisations = 0;

}  // namespace

HRESULT CoInitialize(LPVOID pvReserved) {
  if (pvReserved) return E_INVALIDARG;
  return tComInitialisations++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize(void) {
  // Without a matching CoInitialize there is nothing to undo.
  if (tComInitialisations > 0) --tComInitialisations;
}
