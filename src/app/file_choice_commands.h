#pragma once

#include "app/session.h"
#include "platform/file_chooser.h"
#include "platform/messenger.h"

namespace hm {

// The first path button: the source BIN, or while a DIF is edited the data file its new blocks
// take their bytes from. A data file must fit in a block line, which ends with its path.
void chooseFirstFile(Session& session, FileChooser& chooser, Messenger& messenger);

// The second path button: the target BIN.
void chooseTargetFile(Session& session, FileChooser& chooser);

}  // namespace hm
