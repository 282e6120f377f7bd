// The registry as far as the game reads it: a few keys under
// HKEY_LOCAL_MACHINE whose values the layer computes from the machine it runs
// on (processor, user) or fixes (the DirectX level and the Windows product the
// layer provides). Read only; every other key and value does not exist.
#include <windows.h>

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

#include "platform/testing.h"

namespace {

// ---- the keys ----------------------------------------------------------------

struct Value {
  std::string name;
  std::string data;  // REG_SZ, without its terminating zero
};

struct Key {
  std::string path;  // as first given, for nothing but reading the table
  std::vector<Value> values;
};

std::mutex gMutex;
bool gBuilt = false;
// Keys of HKEY_LOCAL_MACHINE by their path in lower case ("" is the root).
std::map<std::string, Key> gKeys;

std::string Lower(const std::string& text) {
  std::string lower = text;
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return lower;
}

// Splits a key path at '\'. A trailing separator is allowed; an empty name
// anywhere else makes the path invalid.
bool SplitKeyPath(const std::string& path, std::vector<std::string>* names) {
  names->clear();
  size_t start = 0;
  while (start < path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (end == start) return false;
    names->push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return true;
}

std::string JoinKeyPath(const std::string& parent, const std::string& name) {
  return parent.empty() ? name : parent + "\\" + name;
}

Key& AddKey(const std::string& path) {
  std::vector<std::string> names;
  SplitKeyPath(path, &names);
  std::string display;
  Key* key = &gKeys[""];
  for (const std::string& name : names) {
    display = JoinKeyPath(display, name);
    key = &gKeys[Lower(display)];
    if (key->path.empty()) key->path = display;
  }
  return *key;
}

void SetValue(const std::string& keyPath, const std::string& name, const std::string& data) {
  Key& key = AddKey(keyPath);
  std::string lower = Lower(name);
  for (Value& value : key.values) {
    if (Lower(value.name) == lower) {
      value.data = data;
      return;
    }
  }
  key.values.push_back({name, data});
}

// ---- computed values ---------------------------------------------------------

// The ANSI calls hand out Windows-1252; the system's texts are UTF-8.
// Characters Windows-1252 lacks become '?', as WideCharToMultiByte makes them;
// bytes that are not UTF-8 at all are taken as they are.
std::string ToWindows1252(const std::string& utf8) {
  static const uint16_t kHigh[32] = {
      0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  std::string out;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const unsigned char* end = p + utf8.size();
  while (p < end) {
    unsigned char lead = *p;
    if (lead < 0x80) {
      out += static_cast<char>(*p++);
      continue;
    }
    int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    bool valid = length > 0 && end - p >= length;
    uint32_t code = lead & (0x7F >> length);
    for (int i = 1; valid && i < length; ++i) {
      if ((p[i] & 0xC0) != 0x80) valid = false;
      code = code << 6 | (p[i] & 0x3F);
    }
    if (!valid) return utf8;  // not UTF-8: already 8-bit text
    p += length;
    char mapped = '?';
    if (code >= 0xA0 && code <= 0xFF) {
      mapped = static_cast<char>(code);
    } else {
      for (int i = 0; i < 32; ++i) {
        if (kHigh[i] && kHigh[i] == code) mapped = static_cast<char>(0x80 + i);
      }
    }
    out += mapped;
  }
  return out;
}

struct Processor {
  std::string identifier;
  std::string vendor;
};

#if defined(__i386__) || defined(__x86_64__)
// From the processor itself, in the form Windows 2000 gives it (the layer
// reports that version): display family and model, in decimal.
Processor IdentifyProcessor() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  Processor processor;
  if (!__get_cpuid(0, &eax, &ebx, &ecx, &edx)) return {"x86 Family 0 Model 0 Stepping 0", ""};
  char vendor[13] = {};
  std::memcpy(vendor, &ebx, 4);
  std::memcpy(vendor + 4, &edx, 4);
  std::memcpy(vendor + 8, &ecx, 4);
  processor.vendor = vendor;
  __get_cpuid(1, &eax, &ebx, &ecx, &edx);
  unsigned stepping = eax & 0xF;
  unsigned model = (eax >> 4) & 0xF;
  unsigned family = (eax >> 8) & 0xF;
  if (family == 0xF) family += (eax >> 20) & 0xFF;
  if (family == 6 || family >= 0xF) model += ((eax >> 16) & 0xF) << 4;
  processor.identifier = "x86 Family " + std::to_string(family) + " Model " + std::to_string(model) +
                         " Stepping " + std::to_string(stepping);
  return processor;
}
#else
// Elsewhere from the kernel's description of processor 0.
Processor IdentifyProcessor() {
  std::map<std::string, std::string> fields;
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line)) {
    if (line.empty()) break;  // processor 0 only
    size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::string name = line.substr(0, colon);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
    size_t start = line.find_first_not_of(" \t", colon + 1);
    fields[name] = start == std::string::npos ? "" : line.substr(start);
  }
  auto number = [&](const char* name) { return std::strtoul(fields[name].c_str(), nullptr, 0); };
  Processor processor;
  if (fields.count("cpu family")) {
    processor.identifier = "x86 Family " + fields["cpu family"] + " Model " + fields["model"] +
                           " Stepping " + fields["stepping"];
    processor.vendor = fields["vendor_id"];
  } else if (fields.count("CPU architecture")) {
    char text[96];
    std::snprintf(text, sizeof text, "ARMv%lu (%d-bit) Family %lu Model %lX Revision %lu",
                  number("CPU architecture"), static_cast<int>(sizeof(void*) * 8),
                  number("CPU architecture"), number("CPU part"), number("CPU revision"));
    processor.identifier = text;
    switch (number("CPU implementer")) {
      case 0x41: processor.vendor = "ARM Limited"; break;
      case 0x42: processor.vendor = "Broadcom Corporation"; break;
      case 0x4E: processor.vendor = "NVIDIA Corporation"; break;
      case 0x51: processor.vendor = "Qualcomm Technologies Inc"; break;
      case 0x61: processor.vendor = "Apple Inc."; break;
      default: processor.vendor = fields["CPU implementer"]; break;
    }
  }
  if (processor.identifier.empty()) {
    utsname name{};
    uname(&name);
    processor.identifier = std::string(name.machine) + " Family 0 Model 0 Stepping 0";
  }
  return processor;
}
#endif

// The user's full name from the account (the first field of GECOS), else the
// login name.
std::string RegisteredOwner() {
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found) {
    std::string gecos = found->pw_gecos ? found->pw_gecos : "";
    gecos = gecos.substr(0, gecos.find(','));
    return ToWindows1252(gecos.empty() ? std::string(found->pw_name) : gecos);
  }
  const char* user = std::getenv("USER");
  if (!user || !*user) user = std::getenv("LOGNAME");
  return user ? ToWindows1252(user) : std::string();
}

void BuildComputedRegistry() {
  gKeys.clear();
  gKeys[""] = Key{};
  SetValue("Software\\Microsoft\\DirectX", "Version", "4.09.00.0904");
  Processor processor = IdentifyProcessor();
  SetValue("Hardware\\Description\\System\\CentralProcessor\\0", "Identifier", processor.identifier);
  SetValue("Hardware\\Description\\System\\CentralProcessor\\0", "VendorIdentifier", processor.vendor);
  SetValue("SYSTEM\\CurrentControlSet\\Control\\ProductOptions", "ProductType", "WinNT");
  SetValue("Software\\Microsoft\\Windows\\CurrentVersion", "RegisteredOwner", RegisteredOwner());
  SetValue("Software\\Microsoft\\Windows\\CurrentVersion", "RegisteredOrganization", "");
  gBuilt = true;
}

void EnsureBuilt() {
  if (!gBuilt) BuildComputedRegistry();
}

// ---- handles -------------------------------------------------------------------

// An open key: the hive it belongs to and its path there (lower case).
struct OpenKey {
  bool localMachine;
  std::string path;
};

std::set<OpenKey*> gOpenKeys;

bool IsPredefined(HKEY key) {
  uintptr_t value = reinterpret_cast<uintptr_t>(key);
  uintptr_t first = reinterpret_cast<uintptr_t>(HKEY_CLASSES_ROOT);
  return value >= first && value <= first + 6;
}

// Where a handle points, or false for a handle that is not one.
bool Locate(HKEY key, OpenKey* location) {
  if (IsPredefined(key)) {
    *location = {key == HKEY_LOCAL_MACHINE, ""};
    return true;
  }
  auto open = gOpenKeys.find(reinterpret_cast<OpenKey*>(key));
  if (open == gOpenKeys.end()) return false;
  *location = **open;
  return true;
}

bool Exists(const OpenKey& key) {
  // The other hives are there, but empty.
  return key.localMachine ? gKeys.count(key.path) != 0 : key.path.empty();
}

const Value* FindValue(const OpenKey& key, const char* name) {
  if (!key.localMachine) return nullptr;
  auto found = gKeys.find(key.path);
  if (found == gKeys.end()) return nullptr;
  std::string lower = Lower(name ? name : "");
  for (const Value& value : found->second.values) {
    if (Lower(value.name) == lower) return &value;
  }
  return nullptr;
}

// Every right that only reads, plus MAXIMUM_ALLOWED, SYNCHRONIZE and
// GENERIC_READ; asking for anything that writes is refused, as it is to a user
// without administrator rights.
constexpr REGSAM kReadRights =
    KEY_READ | KEY_WOW64_64KEY | KEY_WOW64_32KEY | 0x02000000u | 0x00100000u | 0x80000000u;

}  // namespace

LSTATUS RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                      PHKEY phkResult) {
  (void)ulOptions;  // 0 or REG_OPTION_OPEN_LINK; there are no links here
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  std::lock_guard<std::mutex> lock(gMutex);
  EnsureBuilt();
  OpenKey base;
  if (!Locate(hKey, &base)) return ERROR_INVALID_HANDLE;
  if (!Exists(base)) return ERROR_KEY_DELETED;
  std::vector<std::string> names;
  if (!SplitKeyPath(lpSubKey ? lpSubKey : "", &names)) return ERROR_FILE_NOT_FOUND;
  OpenKey opened = base;
  for (const std::string& name : names) opened.path = JoinKeyPath(opened.path, Lower(name));
  if (!Exists(opened)) return ERROR_FILE_NOT_FOUND;
  if (samDesired & ~kReadRights) return ERROR_ACCESS_DENIED;
  OpenKey* handle = new OpenKey(opened);
  gOpenKeys.insert(handle);
  *phkResult = reinterpret_cast<HKEY>(handle);
  return ERROR_SUCCESS;
}

LSTATUS RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                         LPBYTE lpData, LPDWORD lpcbData) {
  if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> lock(gMutex);
  EnsureBuilt();
  OpenKey key;
  if (!Locate(hKey, &key)) return ERROR_INVALID_HANDLE;
  if (!Exists(key)) return ERROR_KEY_DELETED;
  const Value* value = FindValue(key, lpValueName);
  if (!value) return ERROR_FILE_NOT_FOUND;
  DWORD size = static_cast<DWORD>(value->data.size() + 1);
  if (lpType) *lpType = REG_SZ;
  if (!lpData) {
    if (lpcbData) *lpcbData = size;
    return ERROR_SUCCESS;
  }
  if (*lpcbData < size) {
    *lpcbData = size;
    return ERROR_MORE_DATA;
  }
  std::memcpy(lpData, value->data.c_str(), size);
  *lpcbData = size;
  return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY hKey) {
  if (IsPredefined(hKey)) return ERROR_SUCCESS;
  std::lock_guard<std::mutex> lock(gMutex);
  auto open = gOpenKeys.find(reinterpret_cast<OpenKey*>(hKey));
  if (open == gOpenKeys.end()) return ERROR_INVALID_HANDLE;
  delete *open;
  gOpenKeys.erase(open);
  return ERROR_SUCCESS;
}

// ---- test hooks ------------------------------------------------------------------

namespace vsk::platform::testing {

void SetRegistryValue(const std::string& key, const std::string& name, const std::string& data) {
  std::lock_guard<std::mutex> lock(gMutex);
  EnsureBuilt();
  SetValue(key, name, data);
}

void RemoveRegistryValue(const std::string& key, const std::string& name) {
  std::lock_guard<std::mutex> lock(gMutex);
  EnsureBuilt();
  auto found = gKeys.find(Lower(key));
  if (found == gKeys.end()) return;
  std::vector<Value>& values = found->second.values;
  for (auto value = values.begin(); value != values.end(); ++value) {
    if (Lower(value->name) == Lower(name)) {
      values.erase(value);
      return;
    }
  }
}

void RemoveRegistryKey(const std::string& key) {
  std::lock_guard<std::mutex> lock(gMutex);
  EnsureBuilt();
  std::string path = Lower(key);
  if (path.empty()) return;  // the hive's root stays
  std::string below = path + "\\";
  for (auto entry = gKeys.begin(); entry != gKeys.end();) {
    if (entry->first == path || entry->first.compare(0, below.size(), below) == 0) {
      entry = gKeys.erase(entry);
    } else {
      ++entry;
    }
  }
}

void ResetRegistry() {
  std::lock_guard<std::mutex> lock(gMutex);
  BuildComputedRegistry();
}

}  // namespace vsk::platform::testing
