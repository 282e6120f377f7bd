// Reading and writing the player's display settings (display_settings.h).
#include "display_settings.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vsk::platform {

namespace {

std::string Trim(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return std::string();
  size_t end = text.find_last_not_of(" \t\r");
  return text.substr(begin, end - begin + 1);
}

bool ParseSide(const std::string& value, int* side) {
  int number = 0;
  const char* end = value.data() + value.size();
  auto [at, error] = std::from_chars(value.data(), end, number);
  if (error != std::errc() || at != end || value.empty()) return false;
  *side = number;
  return true;
}

}  // namespace

std::string DisplaySettingsPath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  // XDG directories must be absolute; a relative one is ignored, as desktops do.
  if (config && config[0] == '/') return std::string(config) + "/veskaria/display.ini";
  const char* home = std::getenv("HOME");
  if (home && home[0]) return std::string(home) + "/.config/veskaria/display.ini";
  return std::string();
}

bool ParseDisplaySettings(const std::string& text, DisplaySettings* settings, std::string* reason) {
  DisplaySettings read;
  bool inDisplay = false;
  bool hasWidth = false, hasHeight = false;
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    line = Trim(line);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line.front() == '[') {
      if (line.back() != ']') {
        *reason = "line " + std::to_string(number) + " is not a section";
        return false;
      }
      inDisplay = Trim(line.substr(1, line.size() - 2)) == "display";
      continue;
    }
    size_t equals = line.find('=');
    if (equals == std::string::npos) {
      *reason = "line " + std::to_string(number) + " is not key=value";
      return false;
    }
    if (!inDisplay) continue;
    const std::string key = Trim(line.substr(0, equals));
    const std::string value = Trim(line.substr(equals + 1));
    if (key == "mode") {
      if (value == "fullscreen") read.fullScreen = true;
      else if (value == "window") read.fullScreen = false;
      else {
        *reason = "mode \"" + value + "\" is neither fullscreen nor window";
        return false;
      }
    } else if (key == "scaling") {
      if (value == "integer") read.scaling = Scaling::Integer;
      else if (value == "sharp") read.scaling = Scaling::Sharp;
      else if (value == "smooth") read.scaling = Scaling::Smooth;
      else {
        *reason = "scaling \"" + value + "\" is none of integer, sharp, smooth";
        return false;
      }
    } else if (key == "width" || key == "height") {
      const bool isWidth = key == "width";
      int side = 0;
      if (!ParseSide(value, &side)) {
        *reason = key + " \"" + value + "\" is not a number";
        return false;
      }
      if (side < (isWidth ? kSmallestWindowWidth : kSmallestWindowHeight) || side > kLargestWindowSide) {
        *reason = key + " " + value + " is no window size";
        return false;
      }
      (isWidth ? read.width : read.height) = side;
      (isWidth ? hasWidth : hasHeight) = true;
    }
  }
  if (hasWidth != hasHeight) {
    *reason = "a width needs a height and a height a width";
    return false;
  }
  *settings = read;
  return true;
}

std::string FormatDisplaySettings(const DisplaySettings& settings) {
  std::string text = "[display]\n";
  text += settings.fullScreen ? "mode=fullscreen\n" : "mode=window\n";
  if (settings.width > 0 && settings.height > 0) {
    text += "width=" + std::to_string(settings.width) + "\n";
    text += "height=" + std::to_string(settings.height) + "\n";
  }
  switch (settings.scaling) {
    case Scaling::Integer: text += "scaling=integer\n"; break;
    case Scaling::Sharp: text += "scaling=sharp\n"; break;
    case Scaling::Smooth: text += "scaling=smooth\n"; break;
  }
  return text;
}

DisplaySettings LoadDisplaySettings() {
  DisplaySettings settings;
  const std::string path = DisplaySettingsPath();
  if (path.empty()) return settings;
  std::ifstream file(path, std::ios::binary);
  if (!file) return settings;  // none yet: the defaults
  std::ostringstream text;
  text << file.rdbuf();
  std::string reason;
  // A file larger than any settings file is not one.
  if (text.str().size() > 4096) reason = "the file is too large";
  else if (ParseDisplaySettings(text.str(), &settings, &reason)) return settings;
  std::fprintf(stderr, "vsk-client: ignoring damaged display settings in %s: %s\n", path.c_str(), reason.c_str());
  return DisplaySettings{};
}

bool SaveDisplaySettings(const DisplaySettings& settings) {
  const std::string path = DisplaySettingsPath();
  if (path.empty()) return false;
  std::error_code error;
  const std::filesystem::path target(path);
  std::filesystem::create_directories(target.parent_path(), error);
  const std::string temp = path + ".tmp" + std::to_string(getpid());
  const std::string text = FormatDisplaySettings(settings);
  FILE* file = std::fopen(temp.c_str(), "wb");
  bool written = file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (file) written = std::fclose(file) == 0 && written;
  if (written && std::rename(temp.c_str(), path.c_str()) == 0) return true;
  std::fprintf(stderr, "vsk-client: cannot write the display settings to %s: %s\n", path.c_str(),
               std::strerror(errno));
  std::remove(temp.c_str());
  return false;
}

}  // namespace vsk::platform
