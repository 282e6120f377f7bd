// The demo game directory: everything the client reads, made by the kit's
// own writers (see RunDemo for the command).
#pragma once

#include <cstddef>
#include <string>

#include "vsk-data/write_screendata.h"

namespace vsk::data {

// Where the demo takes its TrueType fonts from.
constexpr char kDejaVuDirectory[] = "/usr/share/fonts/truetype/dejavu";

// Files of the demo directory, relative to it, that tests and the README
// name.
constexpr char kDemoListRequesterFile[] = "data/screendat/auswahl.dat";
constexpr char kDemoTownDataFile[] = "data/screendat/Info_Stadt.dat";
constexpr char kDemoResidenceDataFile[] = "data/screendat/residenz0.dat";

struct DemoSummary {
  size_t files = 0;
  size_t bytes = 0;
};

// Writes the whole demo directory below dir (created when missing). The
// same bytes on every run. False with one sentence in *error.
bool WriteDemo(const std::string& dir, DemoSummary* summary, std::string* error);

// The 235 building templates of a new town, as "Info_Stadt.dat" holds them.
ScreenDataContent TownScreenData();

// The manifests the demo builds its catalog and list-requester file from,
// also a modder's starting point (UTF-8).
extern const char kDemoCatalogManifest[];
extern const char kDemoListRequesterManifest[];

}  // namespace vsk::data
