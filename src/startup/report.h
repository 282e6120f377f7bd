// The machine report: a description of the processor, Windows, the owner,
// DirectX and every display and sound device, written to the log before
// anything else is set up, and the hardware flags the sound set-up reads.
#pragma once

#include <windows.h>
#include <mmsystem.h>
#include <ddraw.h>
#include <dsound.h>

#include <cstdint>

namespace vsk {

// One display device of the report, in enumeration order.
struct DisplayDeviceNode {
  DisplayDeviceNode* next;
  GUID* guid;  // null for the primary display
  char* name;
  char* description;
  DDCAPS driverCaps;
  DDCAPS emulationCaps;
};

// One secondary sound device of the report.
struct SoundDeviceNode {
  SoundDeviceNode* next;
  GUID* guid;
  char* description;
  char* module;
  DSCAPS caps;
};

// Bits the report sets in the system flags word.
constexpr uint32_t kReportCdAudio = 0x64;      // a CD audio device can be opened
constexpr uint32_t kReportSoundDevice = 0x91;  // a secondary sound device exists

BOOL CALLBACK DDCallBackProc(GUID* guid, LPSTR description, LPSTR name, LPVOID context);
BOOL CALLBACK DSCallBackProc(LPGUID guid, LPCSTR description, LPCSTR module, LPVOID context);

// Writes the machine report to the log and sets the hardware flags of the
// system context.
void CheckSystem();

// The processor's clock rate in MHz, measured over one second.
int32_t MeasureCpuMhz();

// Frees the device lists the report built.
void FreeSystemReport();

}  // namespace vsk
