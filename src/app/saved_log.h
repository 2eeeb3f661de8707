// Save Log: the log view and the status view written to a text file the
// operator picks. The writing is a plain function, so that it runs without
// the file dialog.
#pragma once

#include <QDateTime>
#include <QString>

#include <string>

// What the file says of itself before the views, so that a log read later
// names the controller it came from.
struct SavedLogHeader {
  QDateTime when;
  std::string port;           // empty: none open
  std::string variant;        // the controller's variant as the last status reply named it
  std::string configuration;  // the last configuration reply's text; empty: not queried
  std::string programVersion;  // "korvel-console 1.0.0"
};

// The file's text: the header, then each view under its heading, as whole lines.
std::string SavedLogText(const SavedLogHeader& header, const std::string& log, const std::string& status);

// Writes SavedLogText to path, replacing the file only once the whole text is
// written (a failed write leaves the old file as it was). Empty when written,
// else the text for the operator.
std::string WriteSavedLog(const QString& path, const SavedLogHeader& header, const std::string& log,
                          const std::string& status);

// The file name the dialog offers, with the date and time:
// "korvel-log-2026-12-10-140307.txt".
QString DefaultLogName(const QDateTime& when);
