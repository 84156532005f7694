#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvel::platform::linux_backend {

// The files mapped in a process, from the text of /proc/PID/maps: each file once, in
// address order of its first mapping. Pseudo entries ([heap], [stack], [vdso], anonymous
// memory) are left out; a " (deleted)" mark is dropped.
std::vector<std::string> MappedFiles(std::string_view maps);

// A path as the kernel shows it for a file unlinked since it was opened ends in
// " (deleted)"; the module lists and image paths show the name it was started from.
std::string_view WithoutDeletedMark(std::string_view path);

} // namespace quorvel::platform::linux_backend
