#include "guard/ProcessListItem.h"

namespace quorvel::guard {

std::string ProcessListItem::line() const {
    return std::to_string(pid) + "=" + name;
}

} // namespace quorvel::guard
