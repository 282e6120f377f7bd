// The player's display settings, which the layer keeps for itself (the game
// knows nothing of them): whether the exclusive display is shown full
// screen or in a window, the window's size, and how the picture is scaled.
// They live in $XDG_CONFIG_HOME/veskaria/display.ini (~/.config when the
// variable is unset), a small text file:
//
//   [display]
//   mode=window
//   width=1280
//   height=960
//   scaling=integer
#pragma once

#include <string>

namespace vsk::platform {

enum class Scaling {
  Integer,  // the largest whole multiple that fits, centred; sharp below 1x
  Sharp,    // as large as fits, aspect kept, nearest pixel
  Smooth,   // as large as fits, aspect kept, linear between pixels
};

struct DisplaySettings {
  bool fullScreen = true;  // the desktop-sized look the display always had
  int width = 0;           // the window's client size; 0: the largest whole
  int height = 0;          //   multiple of the display that fits the desktop
  Scaling scaling = Scaling::Sharp;
  bool operator==(const DisplaySettings&) const = default;
};

// Sizes outside these bounds are not a window anyone made.
constexpr int kSmallestWindowWidth = 160, kSmallestWindowHeight = 120;
constexpr int kLargestWindowSide = 16384;

// The file's path; empty when neither XDG_CONFIG_HOME nor HOME gives one.
std::string DisplaySettingsPath();

// Reads settings from the file's text. False, with the reason, for a text
// that is damaged: a line that is neither a section, a key=value pair nor a
// comment, an unknown value, a number that does not parse, an absurd size.
// Keys the layer does not know are skipped (a later version may add some).
bool ParseDisplaySettings(const std::string& text, DisplaySettings* settings, std::string* reason);
std::string FormatDisplaySettings(const DisplaySettings& settings);

// The settings in the file, or the defaults when there is none or it is
// damaged (said in one line on standard error).
DisplaySettings LoadDisplaySettings();
// Writes the file whole through a temporary file that is renamed over it,
// making the directory when missing. False (said on standard error) when it
// cannot be written.
bool SaveDisplaySettings(const DisplaySettings& settings);

}  // namespace vsk::platform
