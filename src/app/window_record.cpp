#include "window_record.h"

#include <QAbstractButton>
#include <QSignalBlocker>

#include "record_entries.h"
#include "status_line.h"

WindowRecord::WindowRecord(StatusLine& statusLine, QAbstractButton& button)
    : statusLine_(statusLine), button_(button) {}

bool WindowRecord::start(const std::string& path) {
  const std::string failure = record_.start(path);
  statusLine_.showMessage(failure.empty() ? "Recording the session in " + path + "." : failure);
  showState();
  return failure.empty();
}

void WindowRecord::stop() {
  if (!record_.recording()) return;
  const std::string path = record_.path();
  record_.stop();
  statusLine_.showMessage("The session record in " + path + " has stopped.");
  showState();
}

void WindowRecord::search(const std::string& foundPath) { written(record_.recordSearch(foundPath)); }

void WindowRecord::open(const std::string& path, const std::string& result) {
  written(record_.recordOpen(path, result));
}

void WindowRecord::cycle(const CycleEntry& entry) { written(record_.recordCycle(entry)); }

void WindowRecord::event(const std::string& event) { written(record_.recordEvent(event)); }

// SessionRecord stops at its first failed write and then writes nothing, so
// the failure is told once.
void WindowRecord::written(const std::string& failure) {
  if (failure.empty()) return;
  statusLine_.showMessage(failure);
  showState();
}

void WindowRecord::showState() {
  const QSignalBlocker quiet(button_);
  button_.setChecked(record_.recording());
  button_.setText(record_.recording() ? QStringLiteral("Stop Recording") : QStringLiteral("Record…"));
}
