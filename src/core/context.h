// The process-wide records of the client: the system context that several
// parts share (sound slots, sockets, options, feature flags, machine report,
// path lists) and the player record. Both are plain globals, zero at start.
#pragma once

#include <winsock.h>

#include <bit>
#include <cstddef>
#include <cstdint>

// DirectSound's buffer interface; dsound.h defines it where it is used.
struct IDirectSoundBuffer;

namespace vsk {

// The options file "./data/optionen.prefs" is this record byte for byte: 566
// bytes, no header, little-endian numbers. Fields whose meaning the client
// does not know are named by their offset; they are stored and handed on.
#pragma pack(push, 1)
struct OptionsRecord {
  uint32_t optionFlags;     //   0 sound options: the features the user wants
  uint8_t tcpIpStack;       //   4 TCP/IP stack selection, 0xFF = none
  uint8_t value05;          //   5
  char networkDevice[40];   //   6 network device name
  uint16_t value46;         //  46
  uint16_t value48;         //  48
  uint32_t value50;         //  50
  uint32_t value54;         //  54
  uint8_t value58;          //  58
  uint8_t cdVolume;         //  59 CD audio volume
  char pop3Host[40];        //  60 POP3 server host name
  char smtpHost[40];        // 100 SMTP server host name
  char mailUser[40];        // 140 mail user name
  char mailPassword[160];   // 180 mail password, a text at the start
  char serialDevice[40];    // 340 serial device name
  uint32_t serialUnit;      // 380 serial unit number
  char modemInit[164];      // 384 modem initialisation, a text at the start
  uint32_t value548;        // 548
  uint32_t value552;        // 552
  uint16_t value556;        // 556
  uint16_t value558;        // 558
  uint8_t value560;         // 560
  uint8_t value561;         // 561
  uint32_t value562;        // 562
};
#pragma pack(pop)

// The record is loaded and saved as one block, so its memory image is the
// file's little-endian layout.
static_assert(std::endian::native == std::endian::little, "options are stored little-endian");
static_assert(sizeof(OptionsRecord) == 566);
static_assert(alignof(OptionsRecord) == 1);
static_assert(offsetof(OptionsRecord, optionFlags) == 0);
static_assert(offsetof(OptionsRecord, tcpIpStack) == 4);
static_assert(offsetof(OptionsRecord, value05) == 5);
static_assert(offsetof(OptionsRecord, networkDevice) == 6);
static_assert(offsetof(OptionsRecord, value46) == 46);
static_assert(offsetof(OptionsRecord, value48) == 48);
static_assert(offsetof(OptionsRecord, value50) == 50);
static_assert(offsetof(OptionsRecord, value54) == 54);
static_assert(offsetof(OptionsRecord, value58) == 58);
static_assert(offsetof(OptionsRecord, cdVolume) == 59);
static_assert(offsetof(OptionsRecord, pop3Host) == 60);
static_assert(offsetof(OptionsRecord, smtpHost) == 100);
static_assert(offsetof(OptionsRecord, mailUser) == 140);
static_assert(offsetof(OptionsRecord, mailPassword) == 180);
static_assert(offsetof(OptionsRecord, serialDevice) == 340);
static_assert(offsetof(OptionsRecord, serialUnit) == 380);
static_assert(offsetof(OptionsRecord, modemInit) == 384);
static_assert(offsetof(OptionsRecord, value548) == 548);
static_assert(offsetof(OptionsRecord, value552) == 552);
static_assert(offsetof(OptionsRecord, value556) == 556);
static_assert(offsetof(OptionsRecord, value558) == 558);
static_assert(offsetof(OptionsRecord, value560) == 560);
static_assert(offsetof(OptionsRecord, value561) == 561);
static_assert(offsetof(OptionsRecord, value562) == 562);

constexpr int kSoundSlots = 38;
constexpr uint8_t kNoTcpIpStack = 0xFF;

// Bits of systemFlags (the machine's flags word, also the sound mask).
constexpr uint32_t kSystemCdAudio = 0x04;  // a CD audio device can be opened

// Bits of runFlags.
constexpr uint32_t kRunOptionsDefaulted = 0x01;  // the options were defaulted in this run
constexpr uint32_t kRunStackType4 = 0x02;        // TCP/IP stack type 4 is selected

// Nodes of the machine report's device lists (defined by the report).
struct DisplayDeviceNode;
struct SoundDeviceNode;

struct SystemContext {
  // Sound slots: a slot is free when its id is 0.
  IDirectSoundBuffer* soundBuffers[kSoundSlots];
  uint32_t soundIds[kSoundSlots];
  uint32_t soundSizes[kSoundSlots];

  WSADATA wsaData;  // Windows Sockets start-up data

  // Keeps the block below aligned: with it the stack byte sits one byte past
  // a 4-byte boundary, the options follow it at once and the flags words
  // after the options land on 4-byte boundaries again, with no gap anywhere.
  uint8_t alignmentPad;

  uint8_t tcpIpStack;     // copy of options.tcpIpStack, 0xFF = none
  OptionsRecord options;  // "./data/optionen.prefs", loaded and saved whole
  uint32_t systemFlags;   // the machine's flags word, also the sound mask
  uint32_t soundStatus;   // sound features in use
  uint32_t runFlags;      // kRunOptionsDefaulted, kRunStackType4

  // Machine report.
  char windowsName[100];
  char processor[50];
  char manufacturer[50];
  char organization[50];
  char owner[50];
  MEMORYSTATUS memoryStatus;
  DisplayDeviceNode* displayDevices;
  SoundDeviceNode* soundDevices;

  // Path lists: the whole files "./data/path" and "./data/sfxpath" in
  // AllocVec blocks, or null. Their sizes let readers check every offset
  // against what was loaded.
  uint8_t* picturePathList;
  uint8_t* soundPathList;
  uint32_t pathListsPresent;  // 1 when both lists were loaded
  uint32_t picturePathListSize;
  uint32_t soundPathListSize;
};

static_assert(offsetof(SystemContext, soundBuffers) == 0);
static_assert(offsetof(SystemContext, soundIds) == kSoundSlots * sizeof(void*));
static_assert(offsetof(SystemContext, soundSizes) == offsetof(SystemContext, soundIds) + kSoundSlots * 4);
static_assert(offsetof(SystemContext, options) == offsetof(SystemContext, tcpIpStack) + 1,
              "the options record follows the stack byte directly");
static_assert(offsetof(SystemContext, systemFlags) == offsetof(SystemContext, options) + sizeof(OptionsRecord),
              "the flags words follow the options record directly");
static_assert(offsetof(SystemContext, soundStatus) == offsetof(SystemContext, systemFlags) + 4);
static_assert(offsetof(SystemContext, runFlags) == offsetof(SystemContext, soundStatus) + 4);
static_assert(offsetof(SystemContext, systemFlags) % 4 == 0);

extern SystemContext System;

struct PlayerRecord {
  uint32_t playerNumber;  // general preference field 9
  char firstName[40];     // general preference field 10
  char secondName[40];    // general preference field 8
  int32_t capitalId;      // list identifier of the player's capital
  uint16_t restartState;  // 2 when the previous run did not end in order
  uint16_t gameChunkValue;  // "INFO" chunk value at offset 28
};

extern PlayerRecord Player;

}  // namespace vsk
