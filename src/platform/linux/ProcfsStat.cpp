#include "platform/linux/ProcfsStat.h"

#include <charconv>

namespace quorvel::platform::linux_backend {
namespace {

// Walks the blank-separated fields after the command name.
class FieldCursor {
public:
    explicit FieldCursor(std::string_view text) : m_text(text) {}

    std::string_view next() {
        size_t start = m_text.find_first_not_of(' ');
        if (start == std::string_view::npos) {
            m_text = {};
            return {};
        }
        size_t end = m_text.find(' ', start);
        if (end == std::string_view::npos)
            end = m_text.size();
        auto field = m_text.substr(start, end - start);
        m_text.remove_prefix(end);
        return field;
    }

    void skip(int count) {
        for (int i = 0; i < count; ++i)
            next();
    }

private:
    std::string_view m_text;
};

template <class T> bool ParseNumber(std::string_view field, T& out) {
    if (field.empty())
        return false;
    auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), out);
    return ec == std::errc() && end == field.data() + field.size();
}

} // namespace

std::optional<ProcfsStat> ParseProcfsStat(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\0'))
        line.remove_suffix(1);
    const size_t open = line.find('(');
    const size_t close = line.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return std::nullopt;

    ProcfsStat stat;
    auto pidText = line.substr(0, open);
    while (!pidText.empty() && pidText.back() == ' ')
        pidText.remove_suffix(1);
    if (!ParseNumber(pidText, stat.pid))
        return std::nullopt;
    stat.comm.assign(line.substr(open + 1, close - open - 1));

    // Field numbers as proc(5) counts them: 1 pid, 2 comm, 3 state, ...
    FieldCursor fields(line.substr(close + 1));
    auto state = fields.next(); // 3
    if (state.size() != 1)
        return std::nullopt;
    stat.state = state[0];
    if (!ParseNumber(fields.next(), stat.parentPid)) // 4
        return std::nullopt;
    fields.skip(4);                              // 5-8
    if (!ParseNumber(fields.next(), stat.flags)) // 9
        return std::nullopt;
    fields.skip(9);                             // 10-18
    if (!ParseNumber(fields.next(), stat.nice)) // 19
        return std::nullopt;
    if (!ParseNumber(fields.next(), stat.threadCount)) // 20
        return std::nullopt;
    fields.skip(1);                                  // 21
    if (!ParseNumber(fields.next(), stat.startTime)) // 22
        return std::nullopt;
    fields.skip(18); // 23-40
    // 41; old kernels end earlier, which leaves the policy at 0 (SCHED_OTHER).
    (void)ParseNumber(fields.next(), stat.policy);
    return stat;
}

} // namespace quorvel::platform::linux_backend
