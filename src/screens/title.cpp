#include "gfx/screen_update.h"
#include "pictures/bank.h"
#include "pictures/events.h"
#include "screens/screens.h"

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
