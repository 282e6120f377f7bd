// Test hooks of the compatibility layer. Only tests include this header; the
// program never calls it. On Windows none of these exist.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vsk::platform::testing {

// ---- registry -------------------------------------------------------------
// Keys are paths under HKEY_LOCAL_MACHINE ("Software\\Microsoft\\DirectX"),
// compared without regard to case. Handles already open see the change.

// Sets a string value; the key and its parents appear when missing.
void SetRegistryValue(const std::string& key, const std::string& name, const std::string& data);
// Removes one value; its key stays.
void RemoveRegistryValue(const std::string& key, const std::string& name);
// Removes a key with its values and subkeys; handles open on it then get
// ERROR_KEY_DELETED.
void RemoveRegistryKey(const std::string& key);
// Back to the keys and values the layer computes.
void ResetRegistry();

// ---- time -------------------------------------------------------------------
// Makes the game's clocks run `factor` times faster than real time from now
// on: Sleep, QueryPerformanceCounter, GetTickCount, timeGetTime and window
// timers (1: real time). For whole runs of the client that need not wait.
void SpeedUpTime(unsigned factor);

// ---- windows, input, message boxes, display modes --------------------------
// Input is pushed as SDL events, from any thread, to the active window (the
// newest window when none is active); the window thread turns it into
// messages when it next looks at its queue. Positions are in the game's
// client coordinates (also in scaled full screen). They return false when
// there is no window yet.
bool PushMouseMove(int x, int y);
// button: 1 left, 2 middle, 3 right (SDL's numbering).
bool PushMouseButton(int button, bool down, int x, int y);
// A position in the SDL window's own coordinates, before any scaling.
bool PushWindowMouseMove(int windowX, int windowY);
// A key by its Windows virtual-key code (VK_F1, 'A', VK_RETURN …), sent as
// the SDL key that produces it.
bool PushKey(int virtualKey, bool down);
// Typed text in UTF-8, as SDL's text input delivers it.
bool PushText(const char* utf8);
// The desktop's close button, and focus gained or lost.
bool PushWindowClose();
bool PushFocus(bool gained);

// Message boxes: every MessageBoxA is recorded; a queued answer is returned
// instead of asking anyone (else the default button without a display).
struct MessageBoxRecord {
  std::string caption;
  std::string text;
  unsigned type;
};
void QueueMessageBoxAnswer(int answer);
// Takes the oldest recorded box; false when none is left.
bool TakeMessageBox(MessageBoxRecord* box);
// Forgets recorded boxes and unused answers.
void ResetMessageBoxes();

// ChangeDisplaySettingsA (and anything else that sets a display mode)
// answers DISP_CHANGE_FAILED while this is on.
void FailDisplayModeChanges(bool fail);
// Whether a window (HWND) is shown full screen with its display scaled.
bool IsFullScreenScaled(void* window);

// Reads the player's display settings (display.ini under XDG_CONFIG_HOME)
// again, as the layer does when the first window is made, and shows the
// windows accordingly.
void ReloadDisplaySettings();

// OpenGL frames: with capture on, each SwapBuffers keeps a copy of the
// game's frame (before any scaling). LastGLFrame copies it as RGB rows, top
// row first, into rgb (when capacity suffices) and returns the bytes it
// needs; 0 when no frame was captured.
void CaptureGLFrames(bool on);
size_t LastGLFrame(int* width, int* height, uint8_t* rgb, size_t capacity);
// With capture on, also the whole window as SwapBuffers showed it (the
// game's frame scaled into it, and the bars), as RGB rows, top row first.
size_t LastGLWindowPicture(int* width, int* height, uint8_t* rgb, size_t capacity);
// Frames presented by SwapBuffers since the process started.
uint64_t GLFramesPresented();

// ---- DirectDraw ---------------------------------------------------------------
// The emulated 640 x 480 x 8 display. A display mode that the display
// refuses: FailDisplayModeChanges above also makes
// IDirectDraw7::SetDisplayMode fail (DDERR_INVALIDMODE).

// The primary surface's 640 x 480 bytes, rows without padding, top row
// first, as the game left them (before any scaling or conversion). False
// when no primary surface exists.
bool PrimarySurfacePixels(uint8_t* pixels /* 640 * 480 bytes */);
// The palette attached to the primary surface: 256 entries of red, green,
// blue and flags (PALETTEENTRY order). False without a primary surface or
// without an attached palette.
bool PrimarySurfacePalette(uint8_t* entries /* 256 * 4 bytes */);

// What the window shows of the display: the primary surface through its
// palette, drawn when it changed, at most once per refresh. With capture on
// each drawn frame is kept; LastDisplayFrame copies it as 640 x 480 RGB
// rows, top row first, into rgb (when capacity suffices) and returns the
// bytes it needs, 0 when no frame was kept.
void CaptureDisplayFrames(bool on);
size_t LastDisplayFrame(uint8_t* rgb, size_t capacity);
// With capture on, also the whole window as it was drawn (the scaled
// picture and its bars), as RGB rows of width x height, top row first.
size_t LastDisplayWindowPicture(int* width, int* height, uint8_t* rgb, size_t capacity);
// Changed frames shown since the process started.
uint64_t DisplayFramesShown();
// IDirectDrawPalette::SetEntries calls that changed a palette, since the
// process started.
uint64_t PaletteChanges();

// Video memory for off-screen surfaces (the primary surface is the display's
// own). Requests beyond what is left fail with DDERR_OUTOFVIDEOMEMORY; 0
// makes every video-memory request fail. Surfaces already made keep theirs.
constexpr size_t kDefaultVideoMemoryBudget = 1024 * 1024;
void SetVideoMemoryBudget(size_t bytes);
size_t VideoMemoryInUse();

// Loses one surface (an IDirectDrawSurface7*), or the primary and every
// video-memory surface as deactivating the exclusive-mode window does; lost
// surfaces answer DDERR_SURFACELOST until Restore.
void LoseSurface(void* surface);
void LoseDisplaySurfaces();

// DirectDraw objects, surfaces and palettes not yet released.
int LiveDirectDrawObjects();

// Back to the initial state between tests: default budget, nothing lost.
// Objects a test still holds stay valid.
void ResetDirectDraw();

// ---- sound --------------------------------------------------------------------
// One audio output serves DirectSound and the CD audio device: the SDL
// device, or the null output (real time, nothing heard) where none opens.

// While on, opening the output finds no audio device and takes the null
// output; an output already open stays as it is.
void FailAudioDevice(bool fail);
// While on, DirectSoundCreate answers DSERR_NODRIVER.
void FailDirectSoundCreate(bool fail);
// Whether the output is open, whether it is the null output, and its rate
// (0 while closed).
bool AudioOutputOpen();
bool AudioOutputIsNull();
int AudioOutputRate();

// Holds the mix: while held, the device's callback plays silence and the
// null output renders nothing, so buffers and tracks advance only through
// RenderMixer, frame by frame as the test asks.
void HoldMixer(bool hold);
// Renders frames of the mix on the calling thread (as the output would);
// returns the frames rendered, 0 while the output is closed.
size_t RenderMixer(size_t frames);

// What the mixer rendered since StartMixerCapture (or the last take), as
// the output played it: interleaved left and right 16-bit samples at rate.
struct MixerCapture {
  int rate = 0;
  std::vector<int16_t> samples;
  size_t Frames() const { return samples.size() / 2; }
};
void StartMixerCapture();
MixerCapture TakeMixerCapture();
void StopMixerCapture();

// DirectSound objects and buffers not yet released.
int LiveDirectSoundObjects();

// Back to the initial state between tests: no failures, mixer not held, no
// capture, CD volume full. Objects a test still holds stay valid.
void ResetSound();

}  // namespace vsk::platform::testing
