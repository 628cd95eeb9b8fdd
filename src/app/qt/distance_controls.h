#pragma once

#include <QScrollBar>
#include <QValidator>

namespace hm {

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

}  // namespace hm
