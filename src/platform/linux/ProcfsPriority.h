#pragma once

#include <cstdint>

namespace quorvel::platform::linux_backend {

// Maps a task's scheduling policy and nice value onto the Windows priority classes:
//
//   SCHED_FIFO, SCHED_RR, SCHED_DEADLINE   real time     0x100
//   SCHED_IDLE                             idle          0x40
//   nice <= -15                            high          0x80
//   nice -14 .. -1                         above normal  0x8000
//   nice 0                                 normal        0x20
//   nice 1 .. 14                           below normal  0x4000
//   nice >= 15                             idle          0x40
uint32_t PriorityClassOf(uint32_t policy, int32_t nice);

// The base priority Windows gives a process of each class (4, 6, 8, 10, 13, 24);
// 0 for an unknown class.
int32_t BasePriorityOf(uint32_t priorityClass);

} // namespace quorvel::platform::linux_backend
