#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QCoreApplication>

#include "app/qt/block_dialogs.h"
#include "app/qt/main_window.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "support/memory_settings.h"
#include "support/scripted.h"
#include "support/temp_dir.h"

namespace hm::test {

// Answers the block dialogs with whatever the test puts into the exchange values.
class ScriptedBlockDialogs : public BlockDialogs {
 public:
  using Answer = std::function<void(BlockExchange&)>;

  void editAddresses(QWidget*, BlockExchange& exchange, bool difEdit,
                     const QString& title) override {
    titles.push_back(title.toStdString());
    seen.push_back(exchange);
    lastDifEdit = difEdit;
    if (answer) answer(exchange);
  }
  void editDataBlock(QWidget*, BlockExchange& exchange, const QString& title) override {
    titles.push_back(title.toStdString());
    seen.push_back(exchange);
    dataDialog = true;
    if (answer) answer(exchange);
  }

  Answer answer;
  std::vector<std::string> titles;
  std::vector<BlockExchange> seen;
  bool lastDifEdit = false;
  bool dataDialog = false;
};

// A window with every outside service scripted, its settings in memory.
struct WindowFixture {
  WindowFixture()
      : window(std::make_unique<MainWindow>(WindowServices{messenger, dialogs, blockDialogs,
                                                           realFileSystem(), clock, settings,
                                                           dir.file("hexmarshal")})) {}

  std::string file(const std::string& name) const { return dir.file(name); }

  TempDir dir;
  ScriptedMessenger messenger;
  ScriptedFileDialogs dialogs;
  ScriptedBlockDialogs blockDialogs;
  ManualClock clock{1000};
  MemorySettings settings;
  std::unique_ptr<MainWindow> window;
};

template <class T>
T* child(MainWindow& window, const char* name) {
  return window.findChild<T*>(QString::fromLatin1(name));
}

}  // namespace hm::test
