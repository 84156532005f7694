#include "ProcStatReader.h"

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace quorvel::bench {

size_t ReadEveryProcStat() {
    DIR* proc = opendir("/proc");
    if (proc == nullptr)
        return 0;
    size_t count = 0;
    char path[64];
    char buffer[1024];
    while (dirent* entry = readdir(proc)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9')
            continue;
        snprintf(path, sizeof path, "/proc/%s/stat", entry->d_name);
        const int fd = open(path, O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (read(fd, buffer, sizeof buffer) > 0)
            ++count;
        close(fd);
    }
    closedir(proc);
    return count;
}

} // namespace quorvel::bench
