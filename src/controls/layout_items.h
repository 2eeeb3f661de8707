// The items of the window's lists when the window opens. An item's index is
// what the commands encode and what a status reply decodes into, so the order
// is fixed; the texts only name what each index stands for.
#pragma once

#include <array>

// Entry 0 sends nothing; entries 8 to 23 work once the status reply has told
// which controller is attached, and the list has been cut to its commands.
inline constexpr std::array<const char*, 24> kOtherCommandItems = {
    "Select a general command",
    "Status (CC)",
    "Configuration (FD)",
    "Command EF",
    "On line (EE)",
    "Command CF",
    "Command CE",
    "Command FB",
    "Triad: set wheels A, B and shutters (DF)",
    "Triad: send changed settings (BD ... BE)",
    "Free run go (FA F3)",
    "Free run enable by power on (FA F1)",
    "Free run enable by trigger pulse (FA F2)",
    "Command BF",
    "Command FA C0",
    "Command FA C1",
    "TTL IN disable (FA A0)",
    "TTL IN Open/Enable on high (FA A1)",
    "TTL IN Open/Enable on low (FA A2)",
    "TTL IN Trigger on rising edge (FA A3)",
    "TTL IN Trigger on falling edge (FA A4)",
    "TTL OUT disable (FA B0)",
    "TTL OUT High for open (FA B1)",
    "TTL OUT Low for open (FA B2)",
};

// The last entry of the wheel and mode lists stands for a device that is not
// connected; the status reply removes it, or keeps it alone.
inline constexpr std::array<const char*, 11> kFilterItems = {
    "Filter 0", "Filter 1", "Filter 2", "Filter 3", "Filter 4",      "Filter 5",
    "Filter 6", "Filter 7", "Filter 8", "Filter 9", "Not connected",
};

inline constexpr std::array<const char*, 9> kSpeedItems = {
    "Speed 0", "Speed 1", "Speed 2", "Speed 3", "Speed 4", "Speed 5", "Speed 6", "Speed 7", "Not connected",
};

inline constexpr std::array<const char*, 3> kShutterStatusItems = {"Close", "Open", "Open conditional"};

inline constexpr std::array<const char*, 4> kShutterModeItems = {"Fast", "Soft", "Neutral density", "Not connected"};

// Which of the controller's times the time fields set.
inline constexpr std::array<const char*, 2> kTimerTypeItems = {"Closed time", "Exposure time"};
