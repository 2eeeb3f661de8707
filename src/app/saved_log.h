// Save Log: the log view and the status view written to a text file the
// operator picks. The writing is a plain function, so that it runs without
// the file dialog.
#pragma once

#include <QDateTime>
#include <QString>

#include <string>

// The file's text: each view under its heading, as whole lines.
std::string SavedLogText(const std::string& log, const std::string& status);

// Writes SavedLogText to path, replacing the file only once the whole text is
// written (a failed write leaves the old file as it was). Empty when written,
// else the text for the operator.
std::string WriteSavedLog(const QString& path, const std::string& log, const std::string& status);

// The file name the dialog offers, with the date and time:
// "korvel-log-2026-12-10-140307.txt".
QString DefaultLogName(const QDateTime& when);
