#pragma once

#include "app/block_bytes_finder.h"

#include <QPointer>

class QWidget;

namespace hm {

class ByteViewer;
class Session;

// "Байты блока": opens the viewer on the caret line and keeps it there as the caret moves and
// the list changes. The window calls follow() whenever either may have happened.
class BlockBytesCommand {
 public:
  // The viewer is the owner's child and goes with it; it never opens over `list`.
  BlockBytesCommand(Session& session, FileSystem& fs, QWidget* owner, QWidget* list);

  // Makes the viewer's window ahead of need, hidden, so that opening it costs only its showing.
  void prepare();
  // Opens the viewer beside the owner, or brings it to the front.
  void open();
  // Shows the caret line's block as it now is, when the viewer is open. While a search runs the
  // session's images are being replaced on another thread, so nothing of them is read.
  void follow(bool searching);

  ByteViewer* viewer() const;

 private:
  void placeBesideOwner();

  Session& session_;
  BlockBytesFinder finder_;
  QWidget* owner_;
  QWidget* list_;
  QPointer<ByteViewer> viewer_;
  bool placed_ = false;
};

}  // namespace hm
