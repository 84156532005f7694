#include "platform/linux/ProcfsPriority.h"

#include "platform/Processes.h"

#include <array>
#include <cstdint>

namespace quorvel::platform::linux_backend {
namespace {

constexpr uint32_t kSchedFifo = 1;
constexpr uint32_t kSchedRr = 2;
constexpr uint32_t kSchedIdle = 5;
constexpr uint32_t kSchedDeadline = 6;

struct NiceBand {
    int32_t highestNice; // the band holds nice values up to this one
    uint32_t priorityClass;
};

constexpr std::array<NiceBand, 5> kNiceBands{{
    {-15, kPriorityHigh},
    {-1, kPriorityAboveNormal},
    {0, kPriorityNormal},
    {14, kPriorityBelowNormal},
    {INT32_MAX, kPriorityIdle},
}};

struct ClassBase {
    uint32_t priorityClass;
    int32_t base;
};

constexpr std::array<ClassBase, 6> kClassBases{{
    {kPriorityIdle, 4},
    {kPriorityBelowNormal, 6},
    {kPriorityNormal, 8},
    {kPriorityAboveNormal, 10},
    {kPriorityHigh, 13},
    {kPriorityRealTime, 24},
}};

} // namespace

uint32_t PriorityClassOf(uint32_t policy, int32_t nice) {
    if (policy == kSchedFifo || policy == kSchedRr || policy == kSchedDeadline)
        return kPriorityRealTime;
    if (policy == kSchedIdle)
        return kPriorityIdle;
    for (const auto& band : kNiceBands) {
        if (nice <= band.highestNice)
            return band.priorityClass;
    }
    return kPriorityIdle;
}

int32_t BasePriorityOf(uint32_t priorityClass) {
    for (const auto& entry : kClassBases) {
        if (entry.priorityClass == priorityClass)
            return entry.base;
    }
    return 0;
}

} // namespace quorvel::platform::linux_backend
