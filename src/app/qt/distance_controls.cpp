#include "app/qt/distance_controls.h"

#include "app/list_jobs.h"
#include "app/session.h"
#include "search/regroup.h"

#include <optional>

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTimer>
#include <QWheelEvent>

namespace hm {

DistanceScrollBar::DistanceScrollBar(QWidget* parent) : QScrollBar(Qt::Vertical, parent) {
  // The lowest value sits at the bottom; the keys and the wheel move towards the top for more.
  setInvertedAppearance(true);
  setInvertedControls(false);
  connect(this, &QAbstractSlider::actionTriggered, this, &DistanceScrollBar::reverseMouseStep);
}

void DistanceScrollBar::mousePressEvent(QMouseEvent* event) {
  mouseHeld_ = true;
  QScrollBar::mousePressEvent(event);
}

void DistanceScrollBar::mouseReleaseEvent(QMouseEvent* event) {
  QScrollBar::mouseReleaseEvent(event);
  mouseHeld_ = false;
}

// A scroll bar's top arrow and the trough above the thumb step down, whatever way it is drawn.
// Under the mouse those steps are turned round, so the arrow pointing up means more.
void DistanceScrollBar::reverseMouseStep(int action) {
  if (!mouseHeld_) return;
  switch (action) {
    case SliderSingleStepAdd:
      setSliderPosition(value() - singleStep());
      break;
    case SliderSingleStepSub:
      setSliderPosition(value() + singleStep());
      break;
    case SliderPageStepAdd:
      setSliderPosition(value() - pageStep());
      break;
    case SliderPageStepSub:
      setSliderPosition(value() + pageStep());
      break;
    default:
      break;
  }
}

DistanceValidator::DistanceValidator(int highest, QObject* parent)
    : QValidator(parent), highest_(highest) {}

QValidator::State DistanceValidator::validate(QString& input, int&) const {
  if (input.isEmpty()) return Intermediate;
  if (input.size() > 3) return Invalid;
  for (QChar c : input) {
    if (c < u'0' || c > u'9') return Invalid;
  }
  return input.toInt() <= highest_ ? Acceptable : Invalid;
}

namespace {

std::optional<int> distanceIn(const QString& text) {
  bool ok = false;
  const int value = text.toInt(&ok);
  if (!ok || value < kMinDistanceLow || value > kMinDistanceHigh) return std::nullopt;
  return value;
}

}  // namespace

DistanceControls::DistanceControls(QLineEdit* box, QScrollBar* spin, QComboBox* presets,
                                   Session& session, ListJobs& listJobs)
    : QObject(box),
      box_(box),
      spin_(spin),
      presets_(presets),
      session_(session),
      listJobs_(listJobs) {
  box_->installEventFilter(this);
  connect(spin_, &QScrollBar::valueChanged, this, &DistanceControls::byteWith_Change);
  connect(box_, &QLineEdit::textChanged, this, &DistanceControls::tbyteWith_Change);
  connect(presets_, &QComboBox::activated, this, &DistanceControls::cBW_Click);
}

void DistanceControls::byteWith_Change() {
  showSpinValue();
  session_.setMinDistance(spin_->value());
  listJobs_.regroup(spin_->value());
}

void DistanceControls::cBW_Click() {
  if (!session_.editingDif()) applyPreset();
}

void DistanceControls::showDistance(int distance) {
  if (spin_->value() == distance) return;
  {
    const QSignalBlocker quiet(spin_);
    spin_->setValue(distance);
  }
  showSpinValue();
}

void DistanceControls::showSpinValue() {
  box_->setText(QString::number(spin_->value()));
}

void DistanceControls::applyBox() {
  const std::optional<int> value = distanceIn(box_->text());
  if (!value) return;
  spin_->setValue(*value);
  presets_->setEditText(QString::number(spin_->value()));
}

void DistanceControls::applyPreset() {
  if (!distanceIn(presets_->currentText())) {
    showValueInUse();
    return;
  }
  box_->setText(presets_->currentText());
}

void DistanceControls::openPresets() {
  presets_->showPopup();
}

// A box left empty or half typed shows the distance in use again.
void DistanceControls::showValueInUse() {
  const QString inUse = QString::number(spin_->value());
  if (box_->text() != inUse) box_->setText(inUse);
  if (presets_->currentText() != inUse) presets_->setEditText(inUse);
}

bool DistanceControls::eventFilter(QObject*, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonDblClick:
      // Opened at once, the list would take the button's release as a click outside it and
      // close again: it opens when the button comes up.
      presetsOnRelease_ = true;
      return true;
    case QEvent::MouseButtonRelease:
      if (presetsOnRelease_) {
        presetsOnRelease_ = false;
        QTimer::singleShot(0, this, &DistanceControls::openPresets);
      }
      return false;
    case QEvent::KeyPress: {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key != Qt::Key_Up && key != Qt::Key_Down) return false;
      spin_->triggerAction(key == Qt::Key_Up ? QAbstractSlider::SliderSingleStepAdd
                                             : QAbstractSlider::SliderSingleStepSub);
      return true;
    }
    case QEvent::Wheel: {
      const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
      if (delta == 0) return false;
      spin_->triggerAction(delta > 0 ? QAbstractSlider::SliderSingleStepAdd
                                     : QAbstractSlider::SliderSingleStepSub);
      return true;
    }
    case QEvent::FocusOut:
      showValueInUse();
      return false;
    default:
      return false;
  }
}

}  // namespace hm
