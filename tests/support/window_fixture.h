#pragma once

#include "app/qt/block_dialogs.h"
#include "app/qt/main_window.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "support/memory_settings.h"
#include "support/scripted.h"
#include "support/temp_dir.h"

#include <functional>
#include <memory>
#include <string>

#include <QCoreApplication>

namespace hm::test {

// Answers the block dialogs with whatever the test puts into the exchange values.
class ScriptedBlockDialogs : public BlockDialogs {
 public:
  void editAddresses(QWidget*, AddressExchange& exchange, bool difEdit,
                     const QString& title) override {
    titles.push_back(title.toStdString());
    seenAddresses.push_back(exchange);
    lastDifEdit = difEdit;
    if (answerAddresses) answerAddresses(exchange);
  }
  void editDataBlock(QWidget*, DataBlockExchange& exchange, const QString& title) override {
    titles.push_back(title.toStdString());
    seenDataBlocks.push_back(exchange);
    if (answerDataBlock) answerDataBlock(exchange);
  }

  std::function<void(AddressExchange&)> answerAddresses;
  std::function<void(DataBlockExchange&)> answerDataBlock;
  std::vector<std::string> titles;
  std::vector<AddressExchange> seenAddresses;
  std::vector<DataBlockExchange> seenDataBlocks;
  bool lastDifEdit = false;
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
