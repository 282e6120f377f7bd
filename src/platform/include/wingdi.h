// Part of our windows.h: see there.
#pragma once

#include <windows.h>
