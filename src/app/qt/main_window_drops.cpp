#include "app/qt/file_drops.h"
#include "app/qt/main_window.h"
#include "blocks/qt/block_list_view.h"

#include <QLineEdit>

// The window's part in drag and drop: which control takes which dropped file, and the command
// that then runs as if the file had been chosen in its dialog.
namespace hm {

void MainWindow::acceptFileDrops() {
  auto* drops = new FileDrops(this, chooser_);
  // In DIF-editing mode the source box names the data file, as its button does.
  drops->add(ui_.inFile, FileDrops::isFile, [this] { Command1_Click(); });
  drops->add(ui_.outFile, FileDrops::isFile, [this] { Command2_Click(); });
  drops->add(ui_.Lst1->viewport(), FileDrops::isDif, [this] { redDIF_Click(); });
}

}  // namespace hm
