#include "pictures/bank.h"
#include "pictures/events.h"
#include "pictures/update.h"
#include "screens/screens.h"
#include "startup/entry.h"

namespace vsk {

int32_t TitleScreen() {
  GetMouse("./pics/cursor01.chk");
  OpenKadunPic("./data/path", 1, 0);
  while (WaitEvent(0) != kEventQuit) {
  }
  CloseKadunPic(1, 1);
  return kScreenResidence;
}

}  // namespace vsk
