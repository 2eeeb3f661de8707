#include "console_window.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSizePolicy>
#include <QStatusBar>
#include <QWidget>

#include "number_fields.h"
#include "qt_combo_box.h"
#include "qt_controls.h"
#include "ui_console_window.h"

namespace {

using Form = Ui::ConsoleWindowForm;

template <class Widget, class Outlet>
struct Binding {
  Widget* Form::*widget;
  Outlet* TessaroController::*outlet;
};

// The layout names each control after its outlet.
#define OUTLET(name) \
  { &Form::name, &TessaroController::name }

constexpr Binding<QComboBox, ComboBox> kComboBoxes[] = {
    OUTLET(filterA),      OUTLET(filterB),        OUTLET(filterC),      OUTLET(otherCommand),
    OUTLET(shutterAmode), OUTLET(shutterAstatus), OUTLET(shutterBmode), OUTLET(shutterBstatus),
    OUTLET(speedA),       OUTLET(speedB),         OUTLET(speedC),       OUTLET(timerType),
};

constexpr Binding<QLineEdit, TextField> kTextFields[] = {
    OUTLET(openField), OUTLET(repeatNumber), OUTLET(searchField), OUTLET(shutterAsteps), OUTLET(shutterBsteps),
    OUTLET(tHour),     OUTLET(tMinute),      OUTLET(tMsecond),    OUTLET(tSecond),       OUTLET(tTenthmsecond),
};

constexpr Binding<QLabel, Caption> kCaptions[] = {
    OUTLET(controllerTitle), OUTLET(filterAText),      OUTLET(filterBText),        OUTLET(filterCText),
    OUTLET(freerunText),     OUTLET(hourText),         OUTLET(minuteText),         OUTLET(msecondsText),
    OUTLET(secondsText),     OUTLET(shutterAmodeText), OUTLET(shutterAstatusText), OUTLET(shutterAstepsText),
    OUTLET(shutterAText),    OUTLET(shutterBmodeText), OUTLET(shutterBstatusText), OUTLET(shutterBstepsText),
    OUTLET(shutterBText),    OUTLET(speedAText),       OUTLET(speedBText),         OUTLET(speedCText),
    OUTLET(repeatnoText),    OUTLET(tenthmsText),      OUTLET(timerText),          OUTLET(wheelAText),
    OUTLET(wheelBText),      OUTLET(wheelCText),
};

constexpr Binding<QPlainTextEdit, TextView> kTextViews[] = {OUTLET(receivedView), OUTLET(statusView)};

#undef OUTLET

template <class Adapter, class Widget, class Outlet, std::size_t N>
void BindAll(const Binding<Widget, Outlet> (&bindings)[N], const Form& form, TessaroController& controller,
             std::vector<std::unique_ptr<Control>>& controls, OpeningLayout& opening) {
  for (const auto& binding : bindings) {
    Widget& widget = *(form.*(binding.widget));
    widget.setAccessibleDescription(widget.objectName());
    opening.add(widget);
    // A control hidden for the attached controller keeps its place, so that
    // nothing below it moves when a reply reshapes the window.
    QSizePolicy policy = widget.sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget.setSizePolicy(policy);
    auto adapter = std::make_unique<Adapter>(widget);
    controller.*(binding.outlet) = adapter.get();
    controls.push_back(std::move(adapter));
  }
}

}  // namespace

ConsoleWindow::ConsoleWindow() : widget_(std::make_unique<QWidget>()), form_(std::make_unique<Form>()) {
  form_->setupUi(widget_.get());
  statusLine_ = std::make_unique<StatusLine>(*form_->statusLine);
  SetUpNumberFields(*widget_);
  // Found by assistive technology under their names, as the outlets are.
  for (QWidget* control : {static_cast<QWidget*>(form_->portChoice), static_cast<QWidget*>(form_->saveLogButton),
                           static_cast<QWidget*>(form_->recordButton), static_cast<QWidget*>(form_->clearButton)}) {
    control->setAccessibleDescription(control->objectName());
  }
  // The echo lines of the log put the hexadecimal value in a column of its own.
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  form_->receivedView->setFont(fixed);
  form_->statusView->setFont(fixed);
  // The operator cannot edit the views, so nothing is to be undone: an undo
  // history would keep a copy of every cycle's text for the whole session.
  form_->receivedView->setUndoRedoEnabled(false);
  form_->statusView->setUndoRedoEnabled(false);
}

ConsoleWindow::~ConsoleWindow() = default;

void ConsoleWindow::bind(TessaroController& controller, ::TessaroApp& application) {
  BindAll<QtComboBox>(kComboBoxes, *form_, controller, controls_, opening_);
  BindAll<QtTextField>(kTextFields, *form_, controller, controls_, opening_);
  BindAll<QtCaption>(kCaptions, *form_, controller, controls_, opening_);
  BindAll<QtTextView>(kTextViews, *form_, controller, controls_, opening_);

  widget_->setAccessibleDescription(widget_->objectName());
  auto window = std::make_unique<QtWindow>(*widget_, opening_);
  controller.myWindow = window.get();
  controls_.push_back(std::move(window));
  controller.TessaroApp = &application;
}

ActionButtons ConsoleWindow::buttons() const {
  return {form_->searchButton, form_->openButton, form_->sendButton, form_->closeButton, form_->exitButton};
}

std::vector<QWidget*> ConsoleWindow::valueControls() const {
  std::vector<QWidget*> controls;
  for (const auto& binding : kComboBoxes) controls.push_back(form_.get()->*(binding.widget));
  for (const NumberField& number : kNumberFields) {
    if (auto* field = widget_->findChild<QLineEdit*>(number.name)) controls.push_back(field);
  }
  return controls;
}

KeepingControls ConsoleWindow::keepingControls() const {
  return {form_->portChoice, form_->searchField, form_->saveLogButton, form_->recordButton, form_->clearButton,
          form_->checkButton};
}

std::string ConsoleWindow::logText() const { return form_->receivedView->toPlainText().toStdString(); }

std::string ConsoleWindow::statusText() const { return form_->statusView->toPlainText().toStdString(); }

void ConsoleWindow::clearViews() {
  form_->receivedView->clear();
  form_->statusView->clear();
}
