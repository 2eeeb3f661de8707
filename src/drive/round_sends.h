// Whether the rounds of a set burn-in send anything, decided as Send decides
// before anything is sent: a cycle sends when a control it sets is to hold
// another value than the one remembered from the cycle before (an entry of
// the general command list always sends). A burn-in whose cycles send
// nothing burns nothing in; --always-send makes each cycle go out as if its
// controls had changed.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "headless_window.h"
#include "settings.h"

// The cycles that send nothing in every round after the first: each control
// they set was given the same value by the cycle before that set it, as with
// one value for a key ("shutterB.state=open" alone). In the cycles' order.
std::vector<std::size_t> CyclesSendingNothingAfterTheFirstRound(const std::vector<SettingCycle>& cycles);

// Whether a round run now would send nothing at all: the controller already
// has every value, as the window remembers it after a status query.
bool RoundSendsNothingNow(const std::vector<SettingCycle>& cycles);

// Another value of the setting's key than its own, for an example to the
// user: "closed" for shutterB.state=open, "0" for wheelA.filter=9.
std::string AnotherValue(const Setting& setting);

// While it lives, the remembered values of the controls the cycle sets
// differ from what the window shows, so that the next Send sends the cycle
// as if they had changed. Made after ApplySettings, ended after Send; a
// remembered value the cycle left as it was (no reply, a refusal) is put
// back, and the window shows it again.
class SentAsChanged {
 public:
  SentAsChanged(const SettingCycle& cycle, HeadlessWindow& window);
  ~SentAsChanged();
  SentAsChanged(const SentAsChanged&) = delete;
  SentAsChanged& operator=(const SentAsChanged&) = delete;

 private:
  struct Poked {
    int32_t* remembered;
    int32_t was;
  };
  HeadlessWindow& window_;
  std::vector<Poked> poked_;
};
