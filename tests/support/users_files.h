// What a user may keep in the folder that KORVEL_EMULATOR_DIR names: small
// files of their own, some named or filled as an emulator's announcement is,
// none an announcement in every way. Nothing that lists or tidies the
// folder may remove or change one.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

struct UsersFile {
  const char* name;
  const char* text;
};

inline const std::vector<UsersFile>& UsersFiles() {
  static const std::vector<UsersFile> files = {
      {"notes.txt", "meeting at 10\n"},
      {"data.csv", "round,ms\n1,2.0\n"},
      {"todo", "x\n"},
      {"1-0", "shopping list\n"},              // an announcement's name, other text
      {"4242-3", "/home/lab/a\n/home/lab/b\n"},  // an announcement's name, two paths
      {"4242-4", "/dev/null"},                   // no line end
      {"notes-1", "/dev/null\n"},                // an announcement's text, another name
      {"042-1", "/dev/null\n"},
  };
  return files;
}

inline void PlantUsersFiles(const std::string& dir) {
  for (const UsersFile& file : UsersFiles()) std::ofstream(dir + "/" + file.name) << file.text;
}

// The names of the user's files that are gone or changed; empty when all stayed.
inline std::vector<std::string> UsersFilesLost(const std::string& dir) {
  std::vector<std::string> lost;
  for (const UsersFile& file : UsersFiles()) {
    std::ifstream in(dir + "/" + file.name);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    if (!in.is_open() || text != file.text) lost.push_back(file.name);
  }
  return lost;
}
