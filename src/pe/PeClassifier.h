#pragma once

#include "pe/PeReport.h"

#include <optional>
#include <string_view>

namespace quorvel::pe {

// The keylogger rules (packed, keylogger a, b, crypted, hook) in order; each rule that
// holds replaces label with its own.
void deteksikeylogger(const PeReport& report, std::optional<std::string_view>& label);

// The malware rules (worm MOW, trojan, worm) in order, the same way.
void deteksimalware(const PeReport& report, std::optional<std::string_view>& label);

// Both, keylogger rules first: the label of the last rule that held, or nothing.
std::optional<std::string_view> ClassifyPeReport(const PeReport& report);

} // namespace quorvel::pe
