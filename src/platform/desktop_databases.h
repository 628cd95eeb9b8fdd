#pragma once

#include <string>

namespace hm {

// Has the desktop read the MIME packages and application entries under `dataHome` again
// (update-mime-database, update-desktop-database), waiting for each tool. Output is discarded
// and failures are ignored: the databases are a convenience of the desktop, and a missing tool
// only delays when it notices new types.
void refreshDesktopDatabases(const std::string& dataHome);

}  // namespace hm
