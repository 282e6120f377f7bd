// Recording the input the game thread takes, and replaying it, so that a bug
// report can carry what a player did.
//
// A recording is a text file: a header line, one "seed N" line for every
// seeding of the random numbers, and one "input TICK MESSAGE WPARAM LPARAM
// SCREEN" line for every message the game thread takes from its queue
// (TICK: milliseconds of the game thread's tick count since the recording
// began; SCREEN: a hash of the game's 8-bit screen at that moment). Every
// line is flushed when written, so a crash keeps everything up to it.
//
// A replay hands the game thread the recorded messages instead of its queue,
// each not before its tick, and the recorded seeds instead of fresh ones.
// Where the screen at an input differs from the recorded one it says so on
// standard error. After the last recorded input, or when the player closes
// the window, the game takes its live input again.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace vsk {

// False, with the reason in *error, when the file cannot be written or read
// (a replay file also when it is no recording).
bool StartInputRecording(const char* path, std::string* error);
bool StartInputReplay(const char* path, std::string* error);
// Ends either; a replay says how it went. Called at the end of the process.
void StopInputRecordingOrReplay();

// The seed for the random numbers: the recorded one in a replay, else
// `fresh` (written down when recording).
uint32_t InputSeed(uint32_t fresh);

// The game thread's next message: from the recording in a replay, else from
// its queue (waiting for one), written down when recording.
void TakeGameInput(MSG* msg);

}  // namespace vsk
