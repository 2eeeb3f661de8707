#include "controller_arguments.h"

#include <string_view>

#include "ctl_request.h"

namespace {

constexpr std::string_view kPortOptions[] = {"--port", "--ports-from"};

bool IsPortOption(std::string_view word) {
  for (const std::string_view option : kPortOptions) {
    if (word == option) return true;
  }
  return false;
}

bool IsPortOptionWithValue(std::string_view word) {
  const std::size_t equals = word.find('=');
  return equals != std::string_view::npos && IsPortOption(word.substr(0, equals));
}

// "--label" with its value in the next word, as the parser reads it.
bool ValueFollows(std::string_view word) {
  return word.starts_with("--") && word.find('=') == std::string_view::npos &&
         OptionTakesValue(std::string(word.substr(2)));
}

}  // namespace

std::vector<std::string> ControllerArguments(const std::vector<std::string>& arguments, const std::string& port,
                                             bool check) {
  std::vector<std::string> result{arguments.empty() ? std::string("korvel-ctl") : arguments.front(), "--port", port,
                                  "--json", "--rack-fd", std::to_string(kControllerRecordFd)};
  if (check) result.emplace_back("--yes");
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& word = arguments[i];
    if (word == "--") {
      result.insert(result.end(), arguments.begin() + static_cast<std::ptrdiff_t>(i), arguments.end());
      break;
    }
    if (IsPortOption(word)) {
      ++i;
      continue;
    }
    if (IsPortOptionWithValue(word)) continue;
    result.push_back(word);
    if (ValueFollows(word) && i + 1 < arguments.size()) result.push_back(arguments[++i]);
  }
  return result;
}
