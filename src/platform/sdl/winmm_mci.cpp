// MCI command messages for the "cdaudio" device: open (by name or type id,
// shareable, with an alias), close, play (from/to, wait, notify), stop,
// seek, set time format, status, and the English texts of the MCI errors.
//
// Opens are kept per process as Windows keeps them: each open has an id
// (the lowest free one from 1) and an alias ("cdaudio" unless one is given);
// a second open under an alias in use answers MCIERR_DEVICE_OPEN, a second
// open of the drive under another alias needs MCI_OPEN_SHAREABLE on both.
// Every open of the drive shares its play state; each has its own time
// format (MSF at first, as MCI's CD audio driver has it). The drive stops
// when its last open closes.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "audio_output.h"
#include "kernel32_thread.h"
#include "unsupported.h"
#include "winmm_cdaudio.h"

namespace vsk::platform::winmm {

namespace {

struct OpenDevice {
  MCIDEVICEID id;
  std::string alias;  // lower case
  bool shareable;
  DWORD timeFormat;
};

// The process's opens; guarded by lock. The drive's own lock comes after it.
struct Mci {
  std::mutex lock;
  std::vector<OpenDevice> open;
  bool outputHeld = false;  // the drive holds the audio output (since its first play)
};
Mci& TheMci() {
  static auto* mci = new Mci();
  return *mci;
}

std::string Lower(const char* text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

OpenDevice* Find(Mci& mci, MCIDEVICEID id) {
  for (OpenDevice& device : mci.open)
    if (device.id == id) return &device;
  return nullptr;
}

void Post(const Notice& notice) {
  if (notice.window) PostMessageA(notice.window, MM_MCINOTIFY, notice.flag, static_cast<LPARAM>(notice.device));
}

// The success notification of a command that is done when it returns.
void NotifyDone(DWORD flags, DWORD_PTR params, MCIDEVICEID id) {
  if (!(flags & MCI_NOTIFY) || !params) return;
  auto* generic = reinterpret_cast<MCI_GENERIC_PARMS*>(params);
  Post({reinterpret_cast<HWND>(generic->dwCallback), MCI_NOTIFY_SUCCESSFUL, id});
}

// Stops the drive; the notification of the play it ends (aborted) or
// replaces (superseded) is returned for posting. Drive lock held.
Notice StopLocked(Drive& drive, WPARAM why) {
  Notice notice = drive.notice;
  notice.flag = why;
  drive.notice = Notice{};
  drive.playing = false;
  drive.doneId = drive.playId;
  drive.ended.notify_all();
  return notice;
}

DWORD Msf(DWORD frames) {
  return MCI_MAKE_MSF(frames / (60 * kFramesPerSecond), (frames / kFramesPerSecond) % 60, frames % kFramesPerSecond);
}

// A disc address as a position in a time format; drive lock held.
DWORD FromAddress(const Drive& drive, DWORD format, DWORD address) {
  switch (format) {
    case MCI_FORMAT_MILLISECONDS:
      return static_cast<DWORD>(static_cast<uint64_t>(address) * 1000 / kFramesPerSecond);
    case MCI_FORMAT_MSF:
      return Msf(address);
    default: {  // MCI_FORMAT_TMSF
      size_t track = TrackAt(drive, address);
      DWORD offset = address - drive.tracks[track].start;
      return MCI_MAKE_TMSF(track + 1, offset / (60 * kFramesPerSecond), (offset / kFramesPerSecond) % 60,
                           offset % kFramesPerSecond);
    }
  }
}

// A length (in CD frames) in a time format: TMSF lengths come as MSF.
DWORD LengthIn(DWORD format, DWORD frames) {
  if (format == MCI_FORMAT_MILLISECONDS) return static_cast<DWORD>(static_cast<uint64_t>(frames) * 1000 / kFramesPerSecond);
  return Msf(frames);
}

// A position in a time format as a disc address; MCIERR_OUTOFRANGE for one
// that is not on the disc. Drive lock held.
MCIERROR ToAddress(const Drive& drive, DWORD format, DWORD value, DWORD* address) {
  const DWORD first = drive.tracks.front().start;
  uint64_t a;
  if (format == MCI_FORMAT_MILLISECONDS) {
    a = static_cast<uint64_t>(value) * kFramesPerSecond / 1000;
  } else if (format == MCI_FORMAT_MSF) {
    DWORD m = MCI_MSF_MINUTE(value), s = MCI_MSF_SECOND(value), f = MCI_MSF_FRAME(value);
    if (s >= 60 || f >= kFramesPerSecond) return MCIERR_OUTOFRANGE;
    a = (m * 60 + s) * kFramesPerSecond + f;
  } else {
    DWORD t = MCI_TMSF_TRACK(value), m = MCI_TMSF_MINUTE(value), s = MCI_TMSF_SECOND(value), f = MCI_TMSF_FRAME(value);
    // A track after the last one is not on the disc, not even as an end.
    if (t < 1 || t > drive.tracks.size()) return MCIERR_OUTOFRANGE;
    if (s >= 60 || f >= kFramesPerSecond) return MCIERR_OUTOFRANGE;
    DWORD offset = (m * 60 + s) * kFramesPerSecond + f;
    const Track& track = drive.tracks[t - 1];
    if (offset > track.length) return MCIERR_OUTOFRANGE;
    a = track.start + offset;
  }
  if (a < first || a > drive.leadOut) return MCIERR_OUTOFRANGE;
  *address = static_cast<DWORD>(a);
  return 0;
}

// Source frames (32.32) of an address's offset into a track.
uint64_t PositionIn(const Track& track, DWORD address) {
  uint64_t frames = static_cast<uint64_t>(address - track.start) * track.rate / kFramesPerSecond;
  return audio::FramesToPosition(std::min<uint64_t>(frames, track.frames));
}

// Moves the drive's position to an address; drive lock held.
void SeekLocked(Drive& drive, DWORD address) {
  drive.current = TrackAt(drive, address);
  drive.position = PositionIn(drive.tracks[drive.current], address);
}

// ---- commands -----------------------------------------------------------------------------

MCIERROR Open(DWORD flags, DWORD_PTR params) {
  constexpr DWORD kKnown = MCI_NOTIFY | MCI_WAIT | MCI_OPEN_SHAREABLE | MCI_OPEN_ELEMENT | MCI_OPEN_ALIAS |
                           MCI_OPEN_ELEMENT_ID | MCI_OPEN_TYPE_ID | MCI_OPEN_TYPE;
  if (!params) return MCIERR_NULL_PARAMETER_BLOCK;
  if (flags & ~kKnown) return MCIERR_UNRECOGNIZED_KEYWORD;
  auto* parms = reinterpret_cast<MCI_OPEN_PARMSA*>(params);
  if (flags & MCI_OPEN_ELEMENT_ID) VSK_UNSUPPORTED("MCI_OPEN with MCI_OPEN_ELEMENT_ID");
  if (!(flags & MCI_OPEN_TYPE)) {
    if (flags & MCI_OPEN_ELEMENT) VSK_UNSUPPORTED("MCI_OPEN of a file, its device chosen by the file's extension");
    return MCIERR_MISSING_DEVICE_NAME;
  }
  if (flags & MCI_OPEN_TYPE_ID) {
    auto type = reinterpret_cast<DWORD_PTR>(parms->lpstrDeviceType);
    WORD kind = LOWORD(type), ordinal = HIWORD(type);
    if (kind != MCI_DEVTYPE_CD_AUDIO) {
      if (kind >= MCI_DEVTYPE_VCR && kind <= MCI_DEVTYPE_SEQUENCER)
        VSK_UNSUPPORTED("MCI devices other than cdaudio");
      return MCIERR_INVALID_DEVICE_NAME;
    }
    // The machine has one drive.
    if (ordinal > 1) return MCIERR_INVALID_DEVICE_NAME;
  } else {
    if (!parms->lpstrDeviceType) return MCIERR_MISSING_DEVICE_NAME;
    std::string type = Lower(parms->lpstrDeviceType);
    if (type != "cdaudio") {
      static const char* const kOthers[] = {"waveaudio", "sequencer", "avivideo", "mpegvideo",   "videodisc",
                                            "vcr",       "overlay",   "scanner",  "digitalvideo", "animation"};
      for (const char* other : kOthers)
        if (type == other) VSK_UNSUPPORTED("MCI devices other than cdaudio");
      return MCIERR_INVALID_DEVICE_NAME;
    }
  }
  if (flags & MCI_OPEN_ELEMENT) {
    // The element of a CD device names its drive ("D:"); any letter is the
    // one drive there is.
    const char* element = parms->lpstrElementName;
    if (!element || !std::isalpha(static_cast<unsigned char>(element[0])) || element[1] != ':' ||
        (element[2] != '\0' && !((element[2] == '\\' || element[2] == '/') && element[3] == '\0')))
      return MCIERR_INVALID_DEVICE_NAME;
  }
  std::string alias = "cdaudio";
  if (flags & MCI_OPEN_ALIAS) {
    if (!parms->lpstrAlias || !*parms->lpstrAlias) return MCIERR_MISSING_PARAMETER;
    alias = Lower(parms->lpstrAlias);
  }
  bool shareable = (flags & MCI_OPEN_SHAREABLE) != 0;

  Mci& mci = TheMci();
  Drive& drive = TheDrive();
  std::lock_guard<std::mutex> guard(mci.lock);
  for (const OpenDevice& device : mci.open)
    if (device.alias == alias) return MCIERR_DEVICE_OPEN;
  if (!mci.open.empty()) {
    if (!shareable || !mci.open.front().shareable) return MCIERR_MUST_USE_SHAREABLE;
  } else {
    // No track file, no drive: the machine has no CD audio device.
    if (!LoadDisc(drive)) return MCIERR_INVALID_DEVICE_NAME;
    audio::AddSource(&drive);
  }
  MCIDEVICEID id = 1;
  while (Find(mci, id)) ++id;
  mci.open.push_back({id, alias, shareable, MCI_FORMAT_MSF});
  parms->wDeviceID = id;
  NotifyDone(flags, params, id);
  return 0;
}

// Closes one open; the last one stops the drive and gives the output back.
// MCI lock held.
void CloseLocked(Mci& mci, MCIDEVICEID id) {
  mci.open.erase(std::remove_if(mci.open.begin(), mci.open.end(), [&](const OpenDevice& d) { return d.id == id; }),
                 mci.open.end());
  if (!mci.open.empty()) return;
  Drive& drive = TheDrive();
  Notice aborted;
  {
    std::lock_guard<std::mutex> guard(drive.lock);
    aborted = StopLocked(drive, MCI_NOTIFY_ABORTED);
  }
  Post(aborted);
  UnloadDisc(drive);
  if (mci.outputHeld) {
    mci.outputHeld = false;
    audio::ReleaseOutput();
  }
}

MCIERROR Play(std::unique_lock<std::mutex>& mciLock, Mci& mci, OpenDevice& device, DWORD flags, DWORD_PTR params) {
  constexpr DWORD kKnown = MCI_NOTIFY | MCI_WAIT | MCI_FROM | MCI_TO;
  if (flags & ~kKnown) return MCIERR_UNRECOGNIZED_KEYWORD;
  if ((flags & (MCI_NOTIFY | MCI_FROM | MCI_TO)) && !params) return MCIERR_NULL_PARAMETER_BLOCK;
  auto* parms = reinterpret_cast<MCI_PLAY_PARMS*>(params);
  Drive& drive = TheDrive();
  if (!mci.outputHeld) {
    // The tracks play through the shared output, opened on first play.
    audio::AddSource(&drive);
    audio::AcquireOutput();
    mci.outputHeld = true;
  }
  MCIDEVICEID id = device.id;
  Notice superseded;
  bool started;
  uint64_t playId;
  {
    std::lock_guard<std::mutex> guard(drive.lock);
    DWORD from = CurrentAddress(drive), to = drive.leadOut;
    if (flags & MCI_FROM) {
      if (MCIERROR error = ToAddress(drive, device.timeFormat, parms->dwFrom, &from)) return error;
    }
    if (flags & MCI_TO) {
      if (MCIERROR error = ToAddress(drive, device.timeFormat, parms->dwTo, &to)) return error;
    }
    if (from > to) return MCIERR_OUTOFRANGE;
    superseded = StopLocked(drive, MCI_NOTIFY_SUPERSEDED);
    SeekLocked(drive, from);
    started = from < to;
    if (started) {
      // The play ends in the track that `to` closes: the range from the
      // start of track `from` to the start of track `to` is the tracks
      // from … to - 1.
      size_t last = 0;
      while (last + 1 < drive.tracks.size() && to > drive.tracks[last].start + drive.tracks[last].length) ++last;
      drive.endTrack = last;
      drive.endPosition = PositionIn(drive.tracks[last], to);
      drive.playing = true;
      if (flags & MCI_NOTIFY) drive.notice = {reinterpret_cast<HWND>(parms->dwCallback), MCI_NOTIFY_SUCCESSFUL, id};
    }
    playId = ++drive.playId;
    if (!started) drive.doneId = playId;
  }
  Post(superseded);
  if (!started) {
    NotifyDone(flags, params, id);
    return 0;
  }
  if (flags & MCI_WAIT) {
    // Others may use MCI while this thread waits for the end.
    mciLock.unlock();
    std::unique_lock<std::mutex> wait(drive.lock);
    drive.ended.wait(wait, [&] { return drive.doneId >= playId; });
    wait.unlock();
    SuspensionPoint();
  }
  return 0;
}

MCIERROR Stop(Mci&, OpenDevice* device, DWORD flags, DWORD_PTR params) {
  if (flags & ~static_cast<DWORD>(MCI_NOTIFY | MCI_WAIT)) return MCIERR_UNRECOGNIZED_KEYWORD;
  if ((flags & MCI_NOTIFY) && !params) return MCIERR_NULL_PARAMETER_BLOCK;
  Drive& drive = TheDrive();
  Notice aborted;
  {
    std::lock_guard<std::mutex> guard(drive.lock);
    // The position stays where the play was.
    aborted = StopLocked(drive, MCI_NOTIFY_ABORTED);
  }
  Post(aborted);
  if (device) NotifyDone(flags, params, device->id);
  return 0;
}

MCIERROR Seek(OpenDevice& device, DWORD flags, DWORD_PTR params) {
  constexpr DWORD kKnown = MCI_NOTIFY | MCI_WAIT | MCI_TO | MCI_SEEK_TO_START | MCI_SEEK_TO_END;
  if (flags & ~kKnown) return MCIERR_UNRECOGNIZED_KEYWORD;
  DWORD where = flags & (MCI_TO | MCI_SEEK_TO_START | MCI_SEEK_TO_END);
  if (where == 0) return MCIERR_MISSING_PARAMETER;
  if (where != MCI_TO && where != MCI_SEEK_TO_START && where != MCI_SEEK_TO_END) return MCIERR_FLAGS_NOT_COMPATIBLE;
  if ((flags & (MCI_NOTIFY | MCI_TO)) && !params) return MCIERR_NULL_PARAMETER_BLOCK;
  Drive& drive = TheDrive();
  Notice aborted;
  {
    std::lock_guard<std::mutex> guard(drive.lock);
    DWORD address = drive.tracks.front().start;
    if (where == MCI_SEEK_TO_END) address = drive.leadOut;
    if (where == MCI_TO) {
      auto* parms = reinterpret_cast<MCI_SEEK_PARMS*>(params);
      if (MCIERROR error = ToAddress(drive, device.timeFormat, parms->dwTo, &address)) return error;
    }
    aborted = StopLocked(drive, MCI_NOTIFY_ABORTED);
    SeekLocked(drive, address);
  }
  Post(aborted);
  NotifyDone(flags, params, device.id);
  return 0;
}

MCIERROR Set(OpenDevice& device, DWORD flags, DWORD_PTR params) {
  constexpr DWORD kKnown = MCI_NOTIFY | MCI_WAIT | MCI_SET_DOOR_OPEN | MCI_SET_DOOR_CLOSED | MCI_SET_TIME_FORMAT |
                           MCI_SET_AUDIO | MCI_SET_VIDEO | MCI_SET_ON | MCI_SET_OFF;
  if (flags & ~kKnown) return MCIERR_UNRECOGNIZED_KEYWORD;
  if (!params) return MCIERR_NULL_PARAMETER_BLOCK;
  if (flags & MCI_SET_VIDEO) return MCIERR_UNSUPPORTED_FUNCTION;  // a CD has no picture
  if (flags & (MCI_SET_DOOR_OPEN | MCI_SET_DOOR_CLOSED | MCI_SET_AUDIO | MCI_SET_ON | MCI_SET_OFF))
    VSK_UNSUPPORTED("MCI_SET of the door or the audio channels");
  if (!(flags & MCI_SET_TIME_FORMAT)) return MCIERR_MISSING_PARAMETER;
  auto* parms = reinterpret_cast<MCI_SET_PARMS*>(params);
  DWORD format = parms->dwTimeFormat;
  if (format != MCI_FORMAT_MILLISECONDS && format != MCI_FORMAT_MSF && format != MCI_FORMAT_TMSF)
    return MCIERR_BAD_TIME_FORMAT;
  device.timeFormat = format;
  NotifyDone(flags, params, device.id);
  return 0;
}

MCIERROR Status(OpenDevice& device, DWORD flags, DWORD_PTR params) {
  constexpr DWORD kKnown = MCI_NOTIFY | MCI_WAIT | MCI_STATUS_ITEM | MCI_TRACK | MCI_STATUS_START;
  if (flags & ~kKnown) return MCIERR_UNRECOGNIZED_KEYWORD;
  if (!params) return MCIERR_NULL_PARAMETER_BLOCK;
  if (!(flags & MCI_STATUS_ITEM)) return MCIERR_MISSING_PARAMETER;
  auto* parms = reinterpret_cast<MCI_STATUS_PARMS*>(params);
  Drive& drive = TheDrive();
  std::lock_guard<std::mutex> guard(drive.lock);
  const DWORD tracks = static_cast<DWORD>(drive.tracks.size());
  const Track* track = nullptr;
  if (flags & MCI_TRACK) {
    if (parms->dwTrack < 1 || parms->dwTrack > tracks) return MCIERR_OUTOFRANGE;
    track = &drive.tracks[parms->dwTrack - 1];
  }
  DWORD format = device.timeFormat;
  DWORD_PTR value;
  switch (parms->dwItem) {
    case MCI_STATUS_LENGTH:
      value = LengthIn(format, track ? track->length : drive.leadOut - drive.tracks.front().start);
      break;
    case MCI_STATUS_POSITION:
      if (track && (flags & MCI_STATUS_START)) return MCIERR_FLAGS_NOT_COMPATIBLE;
      if (track) value = FromAddress(drive, format, track->start);
      else if (flags & MCI_STATUS_START) value = FromAddress(drive, format, drive.tracks.front().start);
      else value = FromAddress(drive, format, CurrentAddress(drive));
      break;
    case MCI_STATUS_NUMBER_OF_TRACKS:
      value = tracks;
      break;
    case MCI_STATUS_MODE:
      value = drive.playing ? MCI_MODE_PLAY : MCI_MODE_STOP;
      break;
    case MCI_STATUS_MEDIA_PRESENT:
    case MCI_STATUS_READY:
      value = TRUE;
      break;
    case MCI_STATUS_TIME_FORMAT:
      value = format;
      break;
    case MCI_STATUS_CURRENT_TRACK:
      value = TrackAt(drive, CurrentAddress(drive)) + 1;
      break;
    case MCI_CDA_STATUS_TYPE_TRACK:
      if (!track) return MCIERR_MISSING_PARAMETER;
      value = track->audio ? MCI_CDA_TRACK_AUDIO : MCI_CDA_TRACK_OTHER;
      break;
    default:
      return MCIERR_UNSUPPORTED_FUNCTION;
  }
  parms->dwReturn = value;
  NotifyDone(flags, params, device.id);
  return 0;
}

// ---- error texts ------------------------------------------------------------------------------

struct ErrorText {
  MCIERROR code;
  const char* text;
};
const ErrorText kErrorTexts[] = {
    {0, "The specified command was carried out."},
    {MCIERR_INVALID_DEVICE_ID, "Invalid MCI device ID. Use the ID returned when opening the MCI device."},
    {MCIERR_UNRECOGNIZED_KEYWORD, "The driver cannot recognize the specified command parameter."},
    {MCIERR_UNRECOGNIZED_COMMAND, "The driver cannot recognize the specified command."},
    {MCIERR_HARDWARE,
     "There is a problem with your media device. Make sure it is working correctly or contact the device "
     "manufacturer."},
    {MCIERR_INVALID_DEVICE_NAME, "The specified device is not open or is not recognized by MCI."},
    {MCIERR_OUT_OF_MEMORY,
     "Not enough memory available for this task. Quit one or more applications to increase available memory, and "
     "then try again."},
    {MCIERR_DEVICE_OPEN, "The device name is already being used as an alias by this application. Use a unique alias."},
    {MCIERR_CANNOT_LOAD_DRIVER, "There is an undetectable problem in loading the specified device driver."},
    {MCIERR_MISSING_COMMAND_STRING, "No command was specified."},
    {MCIERR_PARAM_OVERFLOW,
     "The output string was too large to fit in the return buffer. Increase the size of the buffer."},
    {MCIERR_MISSING_STRING_ARGUMENT, "The specified command requires a character-string parameter. Please provide one."},
    {MCIERR_BAD_INTEGER, "The specified integer is invalid for this command."},
    {MCIERR_PARSER_INTERNAL,
     "The device driver returned an invalid return type. Check with the device manufacturer about obtaining a new "
     "driver."},
    {MCIERR_DRIVER_INTERNAL,
     "There is a problem with the device driver. Check with the device manufacturer about obtaining a new driver."},
    {MCIERR_MISSING_PARAMETER, "The specified command requires a parameter. Please supply one."},
    {MCIERR_UNSUPPORTED_FUNCTION, "The MCI device you are using does not support the specified command."},
    {MCIERR_FILE_NOT_FOUND, "Cannot find the specified file. Make sure the path and filename are correct."},
    {MCIERR_DEVICE_NOT_READY, "The device driver is not ready."},
    {MCIERR_INTERNAL, "A problem occurred in initializing MCI. Try restarting Windows."},
    {MCIERR_DRIVER, "There is a problem with the device driver. The driver has closed. Cannot access error."},
    {MCIERR_CANNOT_USE_ALL, "Cannot use 'all' as the device name with the specified command."},
    {MCIERR_MULTIPLE,
     "Errors occurred in more than one device. Specify each command and device separately to determine which "
     "devices caused the error."},
    {MCIERR_EXTENSION_NOT_FOUND, "Cannot determine the device type from the given filename extension."},
    {MCIERR_OUTOFRANGE, "The specified parameter is out of range for the specified command."},
    {MCIERR_FLAGS_NOT_COMPATIBLE, "The specified parameters cannot be used together."},
    {MCIERR_FILE_NOT_SAVED,
     "Cannot save the specified file. Make sure you have enough disk space or are still connected to the network."},
    {MCIERR_DEVICE_TYPE_REQUIRED,
     "Cannot find the specified device. Make sure it is installed or that the device name is spelled correctly."},
    {MCIERR_DEVICE_LOCKED, "The specified device is now being closed. Wait a few seconds, and then try again."},
    {MCIERR_DUPLICATE_ALIAS, "The specified alias is already being used in this application. Use a unique alias."},
    {MCIERR_BAD_CONSTANT, "The specified parameter is invalid for this command."},
    {MCIERR_MUST_USE_SHAREABLE,
     "The device driver is already in use. To share it, use the 'shareable' parameter with each 'open' command."},
    {MCIERR_MISSING_DEVICE_NAME,
     "The specified command requires an alias, file, driver, or device name. Please supply one."},
    {MCIERR_BAD_TIME_FORMAT,
     "The specified value for the time format is invalid. Refer to the MCI documentation for valid formats."},
    {MCIERR_NO_CLOSING_QUOTE, "A closing double-quotation mark is missing from the parameter value. Please supply one."},
    {MCIERR_DUPLICATE_FLAGS, "A parameter or value was specified twice. Only specify it once."},
    {MCIERR_INVALID_FILE,
     "The specified file cannot be played on the specified MCI device. The file may be corrupt, or not in the "
     "correct format."},
    {MCIERR_NULL_PARAMETER_BLOCK, "A null parameter block was passed to MCI."},
    {MCIERR_UNNAMED_RESOURCE, "Cannot save an unnamed file. Supply a filename."},
    {MCIERR_NEW_REQUIRES_ALIAS, "You must specify an alias when using the 'new' parameter."},
    {MCIERR_NOTIFY_ON_AUTO_OPEN, "Cannot use the 'notify' flag with auto-opened devices."},
    {MCIERR_NO_ELEMENT_ALLOWED, "Cannot use a filename with the specified device."},
    {MCIERR_NONAPPLICABLE_FUNCTION,
     "Cannot carry out the commands in the order specified. Correct the command sequence, and then try again."},
    {MCIERR_ILLEGAL_FOR_AUTO_OPEN,
     "Cannot carry out the specified command on an auto-opened device. Wait until the device is closed, and then "
     "try again."},
    {MCIERR_FILENAME_REQUIRED,
     "The filename is invalid. Make sure the filename is not longer than 8 characters, followed by a period and an "
     "extension."},
    {MCIERR_EXTRA_CHARACTERS, "Cannot specify extra characters after a string enclosed in quotation marks."},
    {MCIERR_DEVICE_NOT_INSTALLED,
     "The specified device is not installed on the system. Use the Drivers option in Control Panel to install the "
     "device."},
    {MCIERR_GET_CD, "Cannot access the specified file or MCI device. Try changing directories or restarting your computer."},
    {MCIERR_SET_CD, "Cannot access the specified file or MCI device because the application cannot change directories."},
    {MCIERR_SET_DRIVE, "Cannot access specified file or MCI device because the application cannot change drives."},
    {MCIERR_DEVICE_LENGTH, "Specify a device or driver name that is less than 79 characters."},
    {MCIERR_DEVICE_ORD_LENGTH, "Specify a device or driver name that is less than 69 characters."},
    {MCIERR_NO_INTEGER, "The specified command requires an integer parameter. Please provide one."},
    {MCIERR_NO_WINDOW, "There is no display window."},
    {MCIERR_CREATEWINDOW, "Could not create or use window."},
    {MCIERR_FILE_READ, "Cannot read the specified file. Make sure the file is still present, or check your disk or network connection."},
    {MCIERR_FILE_WRITE, "Cannot write to the specified file. Make sure you have enough disk space or are still connected to the network."},
    {MCIERR_NO_IDENTITY, "The specified device has no identity."},
};

}  // namespace

}  // namespace vsk::platform::winmm

// ---- entry points ----------------------------------------------------------------------------

using namespace vsk::platform;
using namespace vsk::platform::winmm;

MCIERROR WINAPI mciSendCommandA(MCIDEVICEID mciId, UINT uMsg, DWORD_PTR dwParam1, DWORD_PTR dwParam2) {
  SuspensionPoint();
  DWORD flags = static_cast<DWORD>(dwParam1);
  if (uMsg == MCI_OPEN) return Open(flags, dwParam2);
  Mci& mci = TheMci();
  std::unique_lock<std::mutex> lock(mci.lock);
  if (mciId == MCI_ALL_DEVICE_ID) {
    if (uMsg == MCI_CLOSE) {
      if (flags & ~static_cast<DWORD>(MCI_NOTIFY | MCI_WAIT)) return MCIERR_UNRECOGNIZED_KEYWORD;
      while (!mci.open.empty()) CloseLocked(mci, mci.open.front().id);
      return 0;
    }
    if (uMsg == MCI_STOP) return mci.open.empty() ? 0 : Stop(mci, nullptr, flags, dwParam2);
    return MCIERR_CANNOT_USE_ALL;
  }
  OpenDevice* device = Find(mci, mciId);
  if (!device) return MCIERR_INVALID_DEVICE_ID;
  switch (uMsg) {
    case MCI_CLOSE: {
      if (flags & ~static_cast<DWORD>(MCI_NOTIFY | MCI_WAIT)) return MCIERR_UNRECOGNIZED_KEYWORD;
      if ((flags & MCI_NOTIFY) && !dwParam2) return MCIERR_NULL_PARAMETER_BLOCK;
      CloseLocked(mci, mciId);
      NotifyDone(flags, dwParam2, mciId);
      return 0;
    }
    case MCI_PLAY:
      return Play(lock, mci, *device, flags, dwParam2);
    case MCI_STOP:
      return Stop(mci, device, flags, dwParam2);
    case MCI_SEEK:
      return Seek(*device, flags, dwParam2);
    case MCI_SET:
      return Set(*device, flags, dwParam2);
    case MCI_STATUS:
      return Status(*device, flags, dwParam2);
    // What MCI's CD audio driver does and the game does not call.
    case MCI_PAUSE:
    case MCI_RESUME:
    case MCI_INFO:
    case MCI_GETDEVCAPS:
    case MCI_SYSINFO:
    case MCI_BREAK:
      VSK_UNSUPPORTED("MCI command other than open, close, play, stop, seek, set and status on cdaudio");
    // Commands of other kinds of device, which a CD drive does not have.
    case MCI_ESCAPE:
    case MCI_SPIN:
    case MCI_STEP:
    case MCI_RECORD:
    case MCI_SAVE:
    case MCI_CUE:
    case MCI_REALIZE:
    case MCI_WINDOW:
    case MCI_PUT:
    case MCI_WHERE:
    case MCI_FREEZE:
    case MCI_UNFREEZE:
    case MCI_LOAD:
    case MCI_CUT:
    case MCI_COPY:
    case MCI_PASTE:
    case MCI_UPDATE:
    case MCI_DELETE:
      return MCIERR_UNSUPPORTED_FUNCTION;
    default:
      return MCIERR_UNRECOGNIZED_COMMAND;
  }
}

BOOL WINAPI mciGetErrorStringA(MCIERROR mcierr, LPSTR pszText, UINT cchText) {
  SuspensionPoint();
  if (!pszText || cchText == 0) return FALSE;
  pszText[0] = '\0';
  for (const ErrorText& entry : kErrorTexts) {
    if (entry.code != mcierr) continue;
    // Cut to the buffer, as Windows does.
    size_t length = std::min<size_t>(std::strlen(entry.text), cchText - 1);
    std::memcpy(pszText, entry.text, length);
    pszText[length] = '\0';
    return TRUE;
  }
  return FALSE;
}
