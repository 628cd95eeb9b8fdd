#pragma once

#include "app/block_editor.h"
#include "platform/file_chooser.h"
#include "platform/messenger.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace hm::test {

// Records every message and answers from a script (the default button once it runs out).
class ScriptedMessenger : public Messenger {
 public:
  struct Shown {
    std::string text;
    MessageButtons buttons;
    MessageIcon icon;
  };

  MessageAnswer show(const std::string& text, MessageButtons buttons, MessageIcon icon) override {
    shown.push_back({text, buttons, icon});
    if (answers.empty()) {
      return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
    MessageAnswer a = answers.front();
    answers.pop_front();
    return a;
  }

  std::string lastText() const { return shown.empty() ? std::string() : shown.back().text; }

  std::deque<MessageAnswer> answers;
  std::vector<Shown> shown;
};

// Answers file dialogs from a queue of paths ("" cancels) and records the requests.
class ScriptedFileDialogs : public FileDialogs {
 public:
  std::string choose(const FileDialogRequest& request) override {
    requests.push_back(request);
    if (paths.empty()) return {};
    std::string p = paths.front();
    paths.pop_front();
    return p;
  }

  std::deque<std::string> paths;
  std::vector<FileDialogRequest> requests;
};

// Answers the block dialogs with whatever the test puts into the exchange values.
class ScriptedBlockEditor : public BlockEditor {
 public:
  void editAddresses(AddressExchange& exchange, bool difEdit, const std::string& title) override {
    titles.push_back(title);
    seenAddresses.push_back(exchange);
    lastDifEdit = difEdit;
    if (answerAddresses) answerAddresses(exchange);
  }
  void editDataBlock(DataBlockExchange& exchange, const std::string& title) override {
    titles.push_back(title);
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

}  // namespace hm::test
