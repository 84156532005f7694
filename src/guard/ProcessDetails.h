#pragma once

#include "guard/Jail.h"
#include "guard/ProcessTable.h"
#include "platform/Processes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel::guard {

// How the details frame colours the last action.
enum class LastActionColour {
    Blocked,    // dark red, RGB 192, 0, 0
    Other,      // green, RGB 0, 128, 0
    ButtonText, // no jail entry: the system's button-text colour
};

// The texts of the process details frame for one executable name. lblProcIDs shows the
// same text as lblProcID.
struct ProcessDetails {
    std::string lblProcName;
    std::string lblProcID = "N/A";
    std::string lblParentID = "N/A";
    std::string lblThreads = "N/A";
    std::string lblChd = "N/A";
    std::optional<std::string> lblPriority; // empty: the label keeps its text
    std::string lblAccessAttempts = "0";
    std::string lblLastAct = "N/A";
    LastActionColour lastActColour = LastActionColour::ButtonText;
    std::string lblFirstAccess = "N/A";
    std::string lbllastAccess = "N/A";
};

// The first table record and the first jail entry whose names equal name exactly.
ProcessDetails ShowProcessDetails(const ProcessTable& table, const Jail& jail,
                                  platform::Processes& processes, std::string_view name);

// The blocked page's selection display for a jail list item.
struct JailSelection {
    std::string lbljailPID;
    std::string lblTime;
    std::string lbllTime;
    std::string lblPrevAttempts;
};

// The last jail entry (from slot 1) whose name equals item in upper case; empty when none
// does, and the labels keep their texts.
std::optional<JailSelection> SelectJailItem(const Jail& jail, std::string_view item);

// The PID of a process list line "1234=app.exe": the text before the first "=", as a
// signed 32-bit number. Empty for a line that holds none.
std::optional<int32_t> ParseProcessListPid(std::string_view line);

} // namespace quorvel::guard
