#pragma once

#include "app/apply_dif_command.h"
#include "app/block_commands.h"
#include "app/dialog_apply_answers.h"
#include "app/dif_file_commands.h"
#include "app/jobs.h"
#include "app/list_jobs.h"
#include "app/search_command.h"
#include "app/session.h"
#include "dif/dif_format.h"
#include "platform/clock.h"
#include "platform/file_chooser.h"
#include "support/byte_images.h"
#include "support/memory_file_system.h"
#include "support/memory_settings.h"
#include "support/scripted.h"

#include <chrono>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace hm::test {

// Every text the session's status line showed, in order: a command may say what it does before
// it says how it ended.
class StatusLog : public SessionObserver {
 public:
  explicit StatusLog(Session& session) : session_(session) { session_.addObserver(this); }
  ~StatusLog() override { session_.removeObserver(this); }
  StatusLog(const StatusLog&) = delete;
  StatusLog& operator=(const StatusLog&) = delete;

  void sessionChanged(unsigned changes) override {
    if (changes & kStatusChanged) texts.push_back(session_.status());
  }

  std::vector<std::string> texts;

 private:
  Session& session_;
};

// The window's commands without the window: a session over files in memory, every question
// answered from a script and long work run to its end where it starts.
struct CommandFixture {
  // Puts the pair in place as s.bin and t.bin, names both and compares them.
  bool searchPair(const Bytes& source, const Bytes& target) {
    fs.files["s.bin"] = source;
    fs.files["t.bin"] = target;
    session.setInFile("s.bin");
    session.setOutFile("t.bin");
    return searchCommand.start();
  }

  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    for (int i = 0; i < session.blocks().count(); ++i) out.emplace_back(session.blocks().text(i));
    return out;
  }

  void select(std::initializer_list<int> rows) {
    session.blocks().clearSelection();
    for (int row : rows) session.blocks().setSelected(row, true);
  }

  // "Создать DIF" with the name the save dialog gives.
  bool writeDif() {
    return writeDifCommand(session, messenger, chooser.AskSaveFile(FileKind::Dif),
                           std::chrono::milliseconds(0));
  }

  // Applies a DIF asking what the window asks; `dif` answers the first question beforehand.
  ApplyEnd applyDif(std::optional<std::string> dif = std::nullopt) {
    DialogApplyAnswers answers(session, chooser, messenger, std::move(dif));
    return applyDifCommand(fs, messenger, answers, std::chrono::milliseconds(0));
  }

  MemoryFileSystem fs;
  ScriptedMessenger messenger;
  ScriptedFileDialogs dialogs;
  ScriptedBlockEditor editor;
  MemorySettings settings;
  ManualClock clock{1000};
  Session session{fs};
  StatusLog statuses{session};
  InlineJobs jobs;
  ListJobs listJobs{session, jobs, messenger};
  SearchCommand searchCommand{session, jobs, listJobs, messenger, clock};
  BlockCommands blockCommands{session, listJobs, editor, messenger};
  FileChooser chooser{dialogs, fs, messenger, settings, kMaxDifSize};
};

}  // namespace hm::test
