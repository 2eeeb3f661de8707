// The choices of the check's dialog before Start: which of the controller's
// wheels and shutters the check sets (as korvel-ctl's --wheels and
// --shutters), its limits on time (a move slower than the limit fails its
// step; a drift between the wheels' moves beyond the percentage is named),
// and who tests what (label, operator, note) for the report.
#pragma once

#include <QWidget>

#include <functional>
#include <string>

#include "check_plan.h"
#include "controller_check.h"
#include "html_report.h"

class QCheckBox;
class QDoubleSpinBox;
class QLineEdit;
class QSpinBox;

class CheckFields : public QWidget {
 public:
  explicit CheckFields(QWidget* parent);

  // Offers the devices a plan made with every device chosen holds: each the
  // controller has gets a check box, greyed when reported not connected.
  // The operator's choices stay as they were.
  void offer(const CheckPlan& plan);
  // Every device the controller has and the operator left chosen; a device
  // not offered stays chosen, for the check to plan from its first reply.
  CheckChoice choice() const;
  // The limits into options; 0 for none.
  void limitsInto(CheckOptions& options) const;
  // Label, operator and note into run.
  void describe(RunDescription& run) const;
  // What runs, for the report's command row: "Check… in korvel-console:
  // wheels A, C; shutters A; max 2000 ms".
  std::string commandText() const;

  std::string operatorName() const;
  void setOperatorName(const std::string& name);
  // A device chosen or left out; the plan follows.
  void onChoiceChanged(std::function<void()> changed) { changed_ = std::move(changed); }

 private:
  QCheckBox* wheels_[kCheckWheels];
  QCheckBox* shutters_[kCheckShutters];
  // Reported connected: offered to choose. A box's own enabled state also
  // follows the dialog's, greyed while the check runs.
  bool wheelConnected_[kCheckWheels] = {};
  bool shutterConnected_[kCheckShutters] = {};
  QSpinBox* maxMs_;
  QDoubleSpinBox* maxDrift_;
  QLineEdit* label_;
  QLineEdit* operator_;
  QLineEdit* note_;
  std::function<void()> changed_ = [] {};
};
