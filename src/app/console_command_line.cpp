#include "console_command_line.h"

#include <QCommandLineParser>
#include <algorithm>
#include <QStringList>

#include "korvel_version.h"
#include "tessaro_controller.h"

namespace {

struct OptionRow {
  const char* shortName;  // nullptr when there is none
  const char* name;
  const char* valueName;  // nullptr for a flag
  const char* description;
};

constexpr OptionRow kOptions[] = {
    {nullptr, "port", "PATH", "start with PATH in the port field; Open opens it"},
    {nullptr, "log", "FILE", "append a record of every command cycle, search and open to FILE"},
    {"h", "help", nullptr, "show this text"},
    {nullptr, "version", nullptr, "show the version"},
};

QCommandLineOption ToQtOption(const OptionRow& row) {
  QStringList names{QString::fromLatin1(row.name)};
  if (row.shortName) names.prepend(QString::fromLatin1(row.shortName));
  if (!row.valueName) return QCommandLineOption(names);
  return QCommandLineOption(names, QString::fromLatin1(row.description), QString::fromLatin1(row.valueName));
}

std::string OptionColumn(const OptionRow& row) {
  std::string column = row.shortName ? std::string("-") + row.shortName + ", " : "    ";
  column += std::string("--") + row.name;
  if (row.valueName) column += std::string(" ") + row.valueName;
  return column;
}

// An answer that could not be written (standard output closed or full) is a
// failure, not a success.
int Flushed(std::ostream& out) {
  out.flush();
  return out ? 0 : 1;
}

}  // namespace

ConsoleCommandLine ParseConsoleCommandLine(const std::vector<std::string>& arguments) {
  QCommandLineParser parser;
  // "-platform" is one mistyped option, not eight one-letter ones.
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  for (const OptionRow& row : kOptions) parser.addOption(ToQtOption(row));
  // The parser takes the first word as the program's name.
  QStringList words{QStringLiteral("korvel-console")};
  for (const std::string& argument : arguments) words.append(QString::fromStdString(argument));

  ConsoleCommandLine line;
  if (!parser.parse(words)) {
    line.error = parser.errorText().toStdString();
  } else if (!parser.positionalArguments().isEmpty()) {
    line.error = "Unexpected argument '" + parser.positionalArguments().constFirst().toStdString() + "'.";
  }
  if (!line.error.empty()) return line;
  line.help = parser.isSet(QStringLiteral("help"));
  line.version = parser.isSet(QStringLiteral("version"));
  line.options.port = parser.value(QStringLiteral("port")).toStdString();
  line.options.log = parser.value(QStringLiteral("log")).toStdString();
  return line;
}

std::string ConsoleUsageText() {
  std::string text =
      "Usage: korvel-console [options]\n"
      "The desktop test console for the Korvel light-path controllers.\n";
  for (const OptionRow& row : kOptions) {
    std::string column = "  " + OptionColumn(row);
    column.resize(std::max<std::size_t>(column.size() + 2, 22), ' ');
    text += column + row.description + "\n";
  }
  return text;
}

std::optional<int> AnswerWithoutWindow(const ConsoleCommandLine& line, std::ostream& out, std::ostream& err) {
  if (!line.error.empty()) {
    err << "korvel-console: " << line.error << '\n' << ConsoleUsageText();
    return kUsageExitStatus;
  }
  if (line.help) {
    out << ConsoleUsageText();
    return Flushed(out);
  }
  if (line.version) {
    out << "korvel-console " << kKorvelVersion << '\n';
    return Flushed(out);
  }
  return std::nullopt;
}

void ApplyConsoleOptions(const ConsoleOptions& options, TessaroController& controller) {
  if (!options.port.empty()) controller.searchField->setStringValue(options.port);
}
