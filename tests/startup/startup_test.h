// What the start tests share: the headers they need and the layer's test hooks.
#pragma once

#include <windows.h>
#include <ddraw.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/mman.h>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <vector>

#include "catalog/strings.h"
#include "core/context.h"
#include "core/dd_objects.h"
#include "core/presenter_state.h"
#include "gfx/screen_update.h"
#include "pictures/bank.h"
#include "pictures/events.h"
#include "platform/guard.h"
#include "platform/testing.h"
#include "services/memory.h"
#include "services/memory_faults.h"
#include "sound/sfx.h"
#include "startup/command_line.h"
#include "startup/entry.h"
#include "startup/outcome.h"
#include "startup/report.h"
#include "startup/setup.h"
#include "startup/story.h"
#include "support/client_run.h"
#include "support/contains.h"
#include "support/eventually.h"
#include "support/gamedir.h"
#include "support/log.h"
#include "support/plain_window.h"
#include "support/scoped_env.h"
#include "towns/town.h"
#include "vsk-data/demo.h"
#include "vsk-data/write_sound.h"

namespace vsk {
namespace hooks = platform::testing;
using namespace std::chrono_literals;
}  // namespace vsk
