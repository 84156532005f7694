#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvel::platform::linux_backend {

// Splits a parameter line into arguments: blanks and tabs separate them, double quotes
// group blanks into one argument and are dropped ("" gives an empty argument). There is
// no other escape.
std::vector<std::string> SplitParameters(std::string_view parameters);

} // namespace quorvel::platform::linux_backend
