#pragma once

#include "app/qt/idle_animation.h"
#include "app/qt/main_window.h"
#include "app/qt/window_command_line.h"
#include "app/qt/window_file_commands.h"
#include "app/session.h"
#include "blocks/qt/block_list_view.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/settings.h"
#include "support/memory_settings.h"
#include "support/scripted.h"
#include "support/temp_dir.h"

#include <functional>
#include <memory>
#include <string>

#include <QCoreApplication>
#include <QEventLoop>
#include <QHeaderView>

namespace hm::test {

// A window with every outside service scripted, its settings in memory and its session here.
struct WindowFixture {
  WindowFixture()
      : window(std::make_unique<MainWindow>(WindowServices{
            session, messenger, dialogs, blockDialogs, clock, settings, dir.file("hexmarshal")})) {}

  std::string file(const std::string& name) const { return dir.file(name); }
  // The folder the file dialogs start in, as the window remembered it.
  std::string lastFolder() const {
    std::string folder;
    settings.ReadRegValue(RegRoot::LocalMachine, kProgramKey, kFolderValue, folder);
    return folder;
  }

  TempDir dir;
  ScriptedMessenger messenger;
  ScriptedFileDialogs dialogs;
  ScriptedBlockEditor blockDialogs;
  ManualClock clock{1000};
  MemorySettings settings;
  Session session{realFileSystem()};
  std::unique_ptr<MainWindow> window;
};

template <class T>
T* child(MainWindow& window, const char* name) {
  return window.findChild<T*>(QString::fromLatin1(name));
}

inline BlockListView* listView(MainWindow& window) {
  return child<BlockListView>(window, "Lst1");
}

inline IdleAnimation* idleAnimation(MainWindow& window) {
  return window.findChild<IdleAnimation*>();
}

inline QHeaderView* header(MainWindow& window) {
  return window.findChild<QHeaderView*>();
}

// Turns the event loop until the session's long work has ended.
inline void waitIdle(const Session& session) {
  while (session.busy()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

}  // namespace hm::test
