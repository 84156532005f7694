#include "guard/DecisionRows.h"

#include "guard/PrintableText.h"

#include <iterator>

namespace quorvel::guard {
namespace {

struct LogColumn {
    const char* heading;
    size_t width; // in terminal cells, with the blank that keeps it from the next
};
constexpr LogColumn kLogColumns[] = {{"TIME", 21},    {"ACTION", 19}, {"PID", 8},
                                     {"PPID", 8},     {"USER", 10},   {"NAME", 18},
                                     {"SHA-256", 14}, {"HOW", 23},    {"SOURCE", 12}};

} // namespace

std::string DecisionRow(const std::string& timeStamp, const GuardDecision& decision) {
    std::string row = timeStamp + " | " + std::string(DecisionText(decision.kind)) + " | " +
                      std::to_string(decision.pid) + " | " + PrintableText(decision.name) + " | " +
                      PrintableText(decision.path) + " | " +
                      std::string(HowText(decision.kind, decision.stage));
    if (!decision.reason.empty())
        row += ": " + PrintableText(decision.reason);
    return row;
}

std::string LogHeader() {
    std::string header;
    for (const auto& column : kLogColumns)
        header += FitColumn(column.heading, column.width);
    return header + "PATH (REASON)";
}

std::string LogRow(const DecisionLine& d) {
    // A hash of the path taken later is marked: it may be of another file.
    const std::string sha = d.sha256.empty()       ? "-"
                            : d.hashFrom == "path" ? d.sha256.substr(0, 10) + "(p)"
                                                   : d.sha256.substr(0, 12);
    const std::string fields[] = {d.time,
                                  d.action,
                                  d.pid,
                                  d.parentPid,
                                  d.user,
                                  d.name,
                                  sha,
                                  d.how.empty() ? "-" : d.how,
                                  d.source.substr(0, d.source.find(' '))};
    static_assert(std::size(fields) == std::size(kLogColumns));
    std::string row;
    for (size_t i = 0; i < std::size(kLogColumns); ++i)
        row += FitColumn(PrintableText(fields[i]), kLogColumns[i].width);
    row += PrintableText(d.path);
    if (!d.reason.empty())
        row += " (" + PrintableText(d.reason) + ")";
    return row;
}

} // namespace quorvel::guard
