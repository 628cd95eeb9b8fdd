#pragma once

#include <QScrollBar>
#include <QValidator>

class QComboBox;
class QLineEdit;

namespace hm {

class ListJobs;
class Session;

// The minimum-distance spin: a vertical scroll bar whose top arrow raises the distance. The
// arrows, a click beside the thumb, the Up/Down keys and the wheel all count up towards the top,
// as a spin control does.
class DistanceScrollBar : public QScrollBar {
  Q_OBJECT
 public:
  explicit DistanceScrollBar(QWidget* parent);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void reverseMouseStep(int action);

  bool mouseHeld_ = false;
};

// Lets the distance box hold only what can become a distance: digits up to the highest one.
// Text beyond it is refused as it is typed, so the box never shows a value that is not in use.
class DistanceValidator : public QValidator {
  Q_OBJECT
 public:
  DistanceValidator(int highest, QObject* parent);
  State validate(QString& input, int& pos) const override;

 private:
  int highest_;
};

// Keeps the three minimum-distance controls in step: the spin holds the distance in use, the
// box shows it in decimal, the presets' text follows. The box also steps the spin with the
// Up/Down keys and the wheel, and a double-click on it opens the presets. The distance in use
// goes to the session, and the list is regrouped by it.
class DistanceControls : public QObject {
  Q_OBJECT
 public:
  DistanceControls(QLineEdit* box, QScrollBar* spin, QComboBox* presets, Session& session,
                   ListJobs& listJobs);

  void byteWith_Change();
  void tbyteWith_Change() { applyBox(); }
  // The presets regroup from the search result, which a DIF being edited does not have.
  void cBW_Click();

  // A distance the session took on its own (an undone regrouping): shown, not applied again.
  void showDistance(int distance);
  // The spin moved: the box shows its value.
  void showSpinValue();
  // The box's text changed: a distance from 0 to the highest is applied to the spin, and the
  // presets' text follows.
  void applyBox();
  // A preset was picked: the box takes it, if it is a distance at all.
  void applyPreset();
  void openPresets();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void showValueInUse();

  QLineEdit* box_;
  QScrollBar* spin_;
  QComboBox* presets_;
  Session& session_;
  ListJobs& listJobs_;
  bool presetsOnRelease_ = false;
};

}  // namespace hm
