#pragma once

namespace hm {

// Opens /dev/null on whichever of descriptors 0, 1 and 2 is closed. Otherwise the next file the
// program opens takes that number, and a message meant for standard error is written into it:
// into the user's BIN or DIF. False when one stays closed; nothing may be opened then.
bool openStandardStreams();

}  // namespace hm
