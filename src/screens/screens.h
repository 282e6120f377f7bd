// The two screens the game thread shows: the title picture until the player
// right-clicks, then the ruler's residence with its ambience, the text box
// and the animated palette until the player leaves.
#pragma once

#include <cstdint>

namespace vsk {

// Screen codes: what a screen returns names the screen to show next.
constexpr int32_t kScreenResidence = 2;
constexpr int32_t kScreenEnd = -1;
constexpr int32_t kScreenStory = 505;

// The title picture with the pointer, faded in, until event 8. Returns 2
// (the residence next).
int32_t TitleScreen();

// The residence: background, six graphics, sound 48, the text box with text
// 622, five colour-cycling ranges; until event 8. Returns -1 (the end).
int32_t ResidenceScreen();

}  // namespace vsk
