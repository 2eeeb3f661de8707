// Bad operator input at a console connected to an emulated controller: what
// the log says, what reaches the controller and what the window shows after.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "log_lines.h"

// What one cycle should come to: the operator message (empty for none) and
// the command bytes the controller receives (none when refused).
struct Outcome {
  std::string message;
  Bytes sent;
};

// An operator's step that sets the scene and the command it sends.
struct Step {
  std::function<void(MemoryWindow&)> operatorDoes;
  Bytes sent;
};

class InputTest : public SessionTest {
 protected:
  // Runs steps that each send their command and are answered whole.
  void Prepare(const std::vector<Step>& steps);

  // One send; the log holds the message, then the echo of the command and the
  // controller's closing byte when one was sent, then the separator.
  void ExpectCycle(const Outcome& outcome);
};
