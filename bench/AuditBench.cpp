// What the audit log costs the deciding thread, and how fast its own thread writes.
// Record() only stats the process and opens (O_PATH) the file it runs; the hash waits
// for the log's thread. Figures compare a program hashed once (kept by file identity)
// with hashing a large file anew for every decision.
#include "guard/DecisionJson.h"
#include "platform/DecisionAudit.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct Folder {
    Folder() {
        char name[] = "/tmp/quorvel-audit-bench-XXXXXX";
        path = ::mkdtemp(name);
    }
    ~Folder() { fs::remove_all(path); }
    std::string path;
};

quorvel::platform::AuditEntry EntryFor(const std::string& program, bool running) {
    quorvel::platform::AuditEntry entry;
    entry.action = "Held";
    entry.how = running ? "stopped after start" : "held before start";
    entry.pid = static_cast<uint32_t>(::getpid());
    entry.name = fs::path(program).filename().string();
    entry.path = program;
    entry.source = "bench";
    entry.running = running;
    return entry;
}

// The caller's share: the process's own executable, its hash kept after the first.
void BM_RecordOnTheDecidingThread(benchmark::State& state) {
    Folder folder;
    auto audit =
        quorvel::platform::CreateDecisionAudit(folder.path, quorvel::guard::DecisionJsonLine);
    const auto entry = EntryFor(fs::read_symlink("/proc/self/exe").string(), true);
    audit->Record(entry);
    audit->Flush();
    for (auto _ : state)
        audit->Record(entry);
    audit->Flush();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecordOnTheDecidingThread);

// Decisions written per second by the log's thread, for one 8 MiB program: hashed once
// and kept (arg 1), or changed before every decision so that each is hashed (arg 0).
void BM_WrittenPerSecond(benchmark::State& state) {
    Folder folder;
    const std::string program = folder.path + "/program";
    {
        std::ofstream out(program, std::ios::binary);
        const std::string block(1 << 20, 'x');
        for (int i = 0; i < 8; ++i)
            out << block;
    }
    const bool kept = state.range(0) == 1;
    auto audit =
        quorvel::platform::CreateDecisionAudit(folder.path, quorvel::guard::DecisionJsonLine);
    const auto entry = EntryFor(program, false);
    int step = 0;
    for (auto _ : state) {
        if (!kept) {
            state.PauseTiming();
            fs::last_write_time(program,
                                fs::file_time_type::clock::now() + std::chrono::seconds(++step));
            state.ResumeTiming();
        }
        audit->Record(entry);
        audit->Flush();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WrittenPerSecond)->Arg(1)->Arg(0)->UseRealTime();

} // namespace
