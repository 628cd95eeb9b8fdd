#pragma once

#include "platform/file_system.h"
#include "platform/result.h"
#include "platform/settings.h"

#include <string>

namespace hm {

struct AssociationPlaces {
  std::string programPath;  // absolute path of the program the desktop starts
  std::string dataHome;     // $XDG_DATA_HOME or ~/.local/share
  std::string configHome;   // $XDG_CONFIG_HOME or ~/.config
  static AssociationPlaces fromEnvironment(const std::string& programPath);
};

// The six values under HKEY_CLASSES_ROOT in their order, then the desktop registration:
// a .desktop entry, a MIME package for *.bin and *.dif in any case, the two icons and the
// defaults in mimeapps.list; update-mime-database and update-desktop-database when present.
// Running it again changes nothing more. Without a program path, or with one a desktop entry
// cannot hold (not UTF-8), nothing is written; an error names that, or the first file that could
// not be written. Every file is read and written through `fs`.
Status associateFileTypes(FileSystem& fs, Settings& settings, const AssociationPlaces& places);

}  // namespace hm
