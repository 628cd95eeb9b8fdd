#pragma once

class QCoreApplication;

namespace hm {

// Every text of the program is Russian, so Qt's own dialogs and buttons speak Russian too,
// whatever the user's locale. Returns false when Qt's Russian catalogue is not installed; the
// window then still works with Qt's English texts.
bool installRussianTranslations(QCoreApplication& app);

}  // namespace hm
