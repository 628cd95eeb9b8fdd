#include "app/qt/file_drops.h"

#include "dif/ips_format.h"
#include "platform/ascii_text.h"
#include "platform/qt/qt_text.h"

#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace hm {

namespace {

// The one local file a drag carries, or nothing.
std::string droppedPath(const QDropEvent& event) {
  const QMimeData* mime = event.mimeData();
  if (!mime || !mime->hasUrls() || mime->urls().size() != 1) return {};
  const QUrl url = mime->urls().front();
  return url.isLocalFile() ? utf8(url.toLocalFile()) : std::string();
}

Qt::DropAction takenAction(Qt::DropActions possible) {
  if (possible & Qt::CopyAction) return Qt::CopyAction;
  if (possible & Qt::LinkAction) return Qt::LinkAction;
  return Qt::IgnoreAction;
}

}  // namespace

void FileDrops::add(QWidget* target, Accepts accepts, std::function<void()> command) {
  target->setAcceptDrops(true);
  target->installEventFilter(this);
  targets_.push_back({target, std::move(accepts), std::move(command)});
}

bool FileDrops::isFile(const std::string& path) {
  return QFileInfo(qt(path)).isFile();
}

bool FileDrops::isDif(const std::string& path) {
  return isFile(path) && asciiLower(path).ends_with(".dif");
}

bool FileDrops::isPatch(const std::string& path) {
  if (isDif(path) || (isFile(path) && asciiLower(path).ends_with(".ips"))) return true;
  QFile file(qt(path));
  const QByteArray header(kIpsHeader.data(), static_cast<qsizetype>(kIpsHeader.size()));
  return isFile(path) && file.open(QIODevice::ReadOnly) && file.read(header.size()) == header;
}

bool FileDrops::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
  for (const Target& target : targets_) {
    if (target.widget != watched) continue;
    // The control's own handling (a line edit inserts dropped text) never sees the drag.
    auto* drop = static_cast<QDropEvent*>(event);
    const std::string path = droppedPath(*drop);
    // A move would let the program the file came from delete it: only a copy or a link is
    // taken, whatever the drag proposes.
    const Qt::DropAction action = takenAction(drop->possibleActions());
    if (path.empty() || !target.accepts(path) || action == Qt::IgnoreAction) {
      drop->ignore();
      return true;
    }
    drop->setDropAction(action);
    drop->accept();
    // The command may ask questions; the program the file came from learns of the finished
    // drop first instead of waiting for the answers.
    if (type == QEvent::Drop) {
      QTimer::singleShot(0, this, [this, path, command = target.command] {
        chooser_.withChosenFile(path, command);
      });
    }
    return true;
  }
  return false;
}

}  // namespace hm
