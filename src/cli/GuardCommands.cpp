#include "cli/Command.h"
#include "guard/Alert.h"
#include "guard/DecisionJson.h"
#include "guard/DecisionRows.h"
#include "guard/GuardObserver.h"
#include "guard/IntervalText.h"
#include "guard/PrintableText.h"
#include "guard/ProcessGuard.h"
#include "guard/SystemClock.h"
#include "inspect/TimeStamp.h"
#include "platform/Console.h"
#include "platform/DecisionAudit.h"
#include "platform/ExecEvents.h"
#include "store/DataFolder.h"
#include "store/FirstStartTrust.h"
#include "store/Settings.h"
#include "store/TrustLists.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <iomanip>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quorvel::cli {

namespace {

using SteadyClock = std::chrono::steady_clock;
using std::chrono::milliseconds;

volatile std::sig_atomic_t g_stopRequested = 0;
volatile std::sig_atomic_t g_hungUp = 0;

extern "C" void RequestStop(int signal) {
#ifdef SIGHUP // a closed terminal; Windows has none
    if (signal == SIGHUP)
        g_hungUp = 1;
#else
    (void)signal;
#endif
    g_stopRequested = 1;
}

std::string TrimRight(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// The guard's windows as terminal lines: one line per decision, alerts answered with a
// key while their countdown runs, message boxes and questions on the terminal.
class TerminalObserver final : public guard::GuardObserver {
public:
    TerminalObserver(CommandContext& context, platform::Console& console, const guard::Clock& clock)
        : m_out(context.out), m_err(context.err), m_shell(*context.platform.shell),
          m_console(console), m_clock(clock), m_interactive(console.IsInteractive()) {}

    void OpenAlert(const std::shared_ptr<guard::Alert>&) override {}
    void AlertClosed(const guard::Alert& alert) override {
        if (m_shown == &alert) {
            m_shown = nullptr;
            m_duration = guard::AnswerDuration::ThisTime;
            m_out << "\n";
        }
        m_nextCountdown.erase(&alert);
    }

    void ShowMessage(const std::string& text, const std::string& title,
                     guard::MessageIcon) override {
        m_err << title << ": " << text << std::endl;
    }

    bool AskYesNo(const std::string& text, const std::string& title) override {
        m_out << title << ": " << text << " [y/n] " << std::flush;
        // Without anyone to answer, or on a second Ctrl-C, release them: nothing is to
        // stay suspended by accident.
        // A closed terminal (SIGHUP) leaves nobody either.
        g_stopRequested = 0;
        for (;;) {
            if (!m_console.IsInteractive() || g_stopRequested != 0 || g_hungUp != 0) {
                m_out << "y" << std::endl;
                return true;
            }
            const auto key = m_console.ReadKeyWithTimeout(milliseconds(100));
            if (key == 'y' || key == 'Y' || key == 'n' || key == 'N') {
                m_out << *key << std::endl;
                return key == 'y' || key == 'Y';
            }
        }
    }

    // The audit log and the event source named in its lines; set once the engine exists.
    void SetAudit(platform::DecisionAudit* audit, std::string source) {
        m_audit = audit;
        m_source = std::move(source);
    }

    void DecisionMade(const guard::GuardDecision& decision) override {
        if (m_audit)
            m_audit->Record(guard::AuditEntryOf(decision, m_clock.now(), m_source));
        if (m_shown)
            m_out << "\n";
        m_out << guard::DecisionRow(inspect::CurrentTimeStamp(m_shell, m_clock.now()), decision)
              << std::endl;
        if (m_shown)
            ShowCountdown(*m_shown);
    }

    // After each tick and between them: alerts without a terminal are blocked at once;
    // with one, each counts down once a second and the first open one takes the keys.
    void ServeAlerts(guard::ProcessGuard& engine) {
        const auto open = engine.openAlerts();
        if (!m_interactive) {
            for (const auto& alert : open)
                alert->Block();
            return;
        }
        const auto now = SteadyClock::now();
        for (const auto& alert : open) {
            auto [it, added] =
                m_nextCountdown.try_emplace(alert.get(), now + std::chrono::seconds(1));
            if (!added && now >= it->second) {
                it->second += std::chrono::seconds(1);
                alert->CountdownTick();
                if (m_shown == alert.get() && !alert->answered())
                    ShowCountdown(*alert);
            }
        }
        const auto current = engine.openAlerts();
        if (!current.empty() && m_shown != current.front().get())
            Present(*current.front());
    }

    // Waits up to timeout, taking a key for the alert shown.
    void Wait(guard::ProcessGuard& engine, milliseconds timeout) {
        if (!m_interactive || engine.openAlerts().empty()) {
            std::this_thread::sleep_for(timeout);
            return;
        }
        const auto key = m_console.ReadKeyWithTimeout(timeout);
        if (!key || !m_shown)
            return;
        for (const auto& alert : engine.openAlerts()) {
            if (alert.get() != m_shown)
                continue;
            if (*key == 'a' || *key == 'A') {
                alert->Allow(m_duration);
            } else if (*key == 'b' || *key == 'B') {
                alert->Block(m_duration);
            } else if (*key == 'k' || *key == 'K') {
                alert->KillNow();
            } else if (const auto duration = DurationOfKey(*key)) {
                m_duration = *duration;
                ShowCountdown(*alert);
            }
            return;
        }
    }

    // The time until the next countdown step, if any alert is open.
    std::optional<SteadyClock::time_point> NextCountdown() const {
        if (m_nextCountdown.empty())
            return std::nullopt;
        auto next = m_nextCountdown.begin()->second;
        for (const auto& [alert, when] : m_nextCountdown)
            next = std::min(next, when);
        return next;
    }

private:
    void Present(const guard::Alert& alert) {
        const auto& info = alert.info();
        m_out << "--WARNING-- A New Process want to run in your Sytem\n"
              << "  PID: " << info.pid << "   Parent PID: " << info.parentPid
              << "   Child Windows: " << info.windowCount << "\n"
              << "  Process Name: " << guard::PrintableText(info.name) << "\n"
              << "  File Name: " << guard::PrintableText(TrimRight(info.szExeFile)) << "\n"
              << "  Path: " << guard::PrintableText(info.path) << "\n"
              << "  Access Attempts: " << info.attempts
              << "   Previous Action Taken: " << info.lastAction << "\n"
              << "  The answer lasts: [t] " << guard::DurationText(guard::AnswerDuration::ThisTime)
              << "  [u] " << guard::DurationText(guard::AnswerDuration::UntilExit) << "  [s] "
              << guard::DurationText(guard::AnswerDuration::Always) << "\n";
        m_shown = &alert;
        m_duration = guard::AnswerDuration::ThisTime;
        ShowCountdown(alert);
    }

    void ShowCountdown(const guard::Alert& alert) {
        // Padded, so that a shorter choice overwrites a longer one.
        std::string lasts(guard::DurationName(m_duration));
        lasts.resize(guard::DurationName(guard::AnswerDuration::UntilExit).size(), ' ');
        m_out << "\rProcess Will be Automatically blocked in: " << alert.countdown()
              << " Second(s)  [a] Allow  [b] Block  [k] Kill Now  Lasts: " << lasts << ' '
              << std::flush;
    }

    static std::optional<guard::AnswerDuration> DurationOfKey(char key) {
        switch (key) {
        case 't':
        case 'T':
            return guard::AnswerDuration::ThisTime;
        case 'u':
        case 'U':
            return guard::AnswerDuration::UntilExit;
        case 's':
        case 'S':
            return guard::AnswerDuration::Always;
        default:
            return std::nullopt;
        }
    }

    std::ostream& m_out;
    std::ostream& m_err;
    platform::Shell& m_shell;
    platform::Console& m_console;
    const guard::Clock& m_clock;
    bool m_interactive;
    const guard::Alert* m_shown = nullptr;
    // Chosen for the alert shown; each alert starts at "This time".
    guard::AnswerDuration m_duration = guard::AnswerDuration::ThisTime;
    platform::DecisionAudit* m_audit = nullptr;
    std::string m_source;
    std::map<const guard::Alert*, SteadyClock::time_point> m_nextCountdown;
};

struct GuardOptions {
    std::optional<std::string> dataFolder;
    std::string interval = "0";
    std::vector<std::string> watch; // mount points for exec holds; none: every one
    std::string events = "auto";    // auto, connector (no holds inside execve), none
};

std::optional<GuardOptions> ParseOptions(std::span<const std::string> args, std::string& problem) {
    GuardOptions options;
    for (size_t i = 0; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) {
            problem = "guard: " + args[i] + " needs a value";
            return std::nullopt;
        }
        if (args[i] == "--data") {
            options.dataFolder = args[i + 1];
        } else if (args[i] == "--events") {
            options.events = args[i + 1];
            if (options.events != "auto" && options.events != "connector" &&
                options.events != "none") {
                problem = "guard: --events takes auto, connector or none";
                return std::nullopt;
            }
        } else if (args[i] == "--watch") {
            options.watch.push_back(args[i + 1]);
        } else if (args[i] == "--interval") {
            options.interval = args[i + 1];
            if (guard::ParseInterval(options.interval).kind != guard::IntervalKind::Period) {
                problem = "guard: --interval takes seconds between 0.001 and 65.535 (0 for 0.25)";
                return std::nullopt;
            }
        } else {
            problem = "guard: unknown option " + args[i];
            return std::nullopt;
        }
    }
    return options;
}

void CatchStopSignals(void (*handler)(int)) {
    std::signal(SIGINT, handler);
    std::signal(SIGTERM, handler);
#ifdef SIGHUP
    std::signal(SIGHUP, handler);
#endif
}

// The first start's offer, on the terminal only: without one nobody is asked and nothing
// is remembered, so a later start with a terminal still asks. False when Ctrl-C (or a
// closed terminal) ended the question: nothing is trusted or remembered then.
bool OfferFirstStartTrust(CommandContext& context, store::TrustLists& lists,
                          const store::DataFolder& data, platform::Console& console) {
    store::FirstStartTrust offer(*context.platform.files, data);
    if (!console.IsInteractive() || !offer.ShouldAsk(lists))
        return true;
    auto running = context.platform.processes->ListProcesses();
    if (!running)
        return true;
    const auto names = store::RunningProgramNames(running.value());
    g_stopRequested = 0;
    CatchStopSignals(RequestStop);
    context.out << store::FirstStartTrust::kTitle << ": "
                << store::FirstStartTrust::QuestionText(names) << "\n[y/n] " << std::flush;
    std::optional<bool> yes;
    while (!yes && g_stopRequested == 0 && console.IsInteractive()) {
        const auto key = console.ReadKeyWithTimeout(milliseconds(100));
        if (key == 'y' || key == 'Y')
            yes = true;
        else if (key == 'n' || key == 'N')
            yes = false;
    }
    CatchStopSignals(SIG_DFL);
    if (!yes) {
        context.out << std::endl;
        return false;
    }
    context.out << (*yes ? "y" : "n") << std::endl;
    if (const auto message = offer.Answer(*yes, lists.whitelist(), names))
        context.out << message->title << ": " << message->text << std::endl;
    return true;
}

std::string ModeText(const guard::GuardModes& modes) {
    if (modes.antiExe())
        return "Anti Executable";
    if (modes.justNotify())
        return "Just Notify";
    return "Alert - Default";
}

int RunGuard(CommandContext& context, std::span<const std::string> args) {
    std::string problem;
    const auto options = ParseOptions(args, problem);
    if (!options)
        return UsageError(context, problem);
    auto& platform = context.platform;
    if (!platform.processes || !platform.windows || !platform.shell || !platform.files ||
        !platform.ansi) {
        context.err << "quorvel-cli: the guard cannot run on this system\n";
        return kExitFailed;
    }

    const auto data = options->dataFolder
                          ? store::DataFolder(*options->dataFolder, platform.files->PathSeparator())
                          : ProgramDataFolder(context);
    // "Always" answers edit the lists; the exec events' thread reads only frozen copies.
    const auto lists = std::make_shared<store::TrustLists>(*platform.files, *platform.ansi, data);
    lists->LoadAndShow();

    // Only the two modes matter here: the other settings act on the desktop program.
    std::string settingsText;
    if (auto bytes = platform.files->ReadAll(data.mainIniPath()))
        settingsText.assign(reinterpret_cast<const char*>(bytes.value().data()),
                            bytes.value().size());
    const auto settings = store::ParseSettingsText(settingsText);

    const auto console = platform::CreateNativeConsole();
    // Before the exec events' thread starts reading the lists.
    if (!OfferFirstStartTrust(context, *lists, data, *console))
        return kExitOk;
    const guard::SystemClock clock;
    TerminalObserver observer(context, *console, clock);
    // The triage outlives the events, whose thread asks it.
    guard::ExecTriage triage;
    platform::ExecEventsOptions eventOptions;
    eventOptions.mountPoints = options->watch;
    eventOptions.noFanotify = options->events != "auto";
    eventOptions.noProcConnector = options->events == "none";
    const auto events = options->events == "none"
                            ? std::unique_ptr<platform::ExecEvents>(
                                  std::make_unique<platform::NoExecEvents>("--events none"))
                            : platform::CreateExecEvents(
                                  *platform.processes,
                                  [&triage](const platform::ExecRequest& request) {
                                      return triage.Judge(request.name);
                                  },
                                  eventOptions);
    guard::ProcessGuard engine(guard::GuardServices{*platform.processes, *platform.windows,
                                                    *platform.shell, *lists, clock, observer});
    engine.UseAnswerLists(lists.get());
    engine.UseExecEvents(events.get(), &triage, lists->FrozenCopy());
    platform::AuditOptions auditOptions;
    auditOptions.generations =
        store::LoadLogGenerations(*platform.files, data.file(store::kAuditSettingsFile));
    const auto audit =
        platform::CreateDecisionAudit(data.path(), guard::DecisionJsonLine, auditOptions);
    observer.SetAudit(audit.get(), engine.EventSourceText());
    engine.modes().SetChkjustwarnme(settings[static_cast<int>(store::SettingKey::JustNotify)]);
    engine.modes().SetChkauto(settings[static_cast<int>(store::SettingKey::AntiExe)]);
    engine.SetIntervalText(options->interval);

    g_stopRequested = 0;
    g_hungUp = 0;
    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);
#ifdef SIGHUP
    std::signal(SIGHUP, RequestStop);
#endif

    engine.StartUp();
    context.out << "Quorvel guard: " << engine.counters().processesListed << " processes, every "
                << engine.timerPeriodMs() << " ms, mode " << ModeText(engine.modes()) << ", "
                << lists->whitelist().visibleItems().size() << " whitelisted, "
                << lists->blacklist().visibleItems().size() << " blacklisted, new programs by "
                << engine.EventSourceText() << "; Ctrl-C ends" << std::endl;

    const milliseconds period(engine.timerPeriodMs());
    auto nextTick = SteadyClock::now() + period;
    while (g_stopRequested == 0) {
        auto now = SteadyClock::now();
        if (now >= nextTick) {
            engine.TimerTick();
            nextTick += period;
            if (nextTick < now)
                nextTick = now + period;
        }
        observer.ServeAlerts(engine);

        auto wakeUp = nextTick;
        if (auto countdown = observer.NextCountdown())
            wakeUp = std::min(wakeUp, *countdown);
        now = SteadyClock::now();
        // Short waits, so that a stop request is seen soon.
        const auto wait = std::clamp(std::chrono::duration_cast<milliseconds>(wakeUp - now),
                                     milliseconds(0), milliseconds(100));
        const bool keysWanted = !engine.openAlerts().empty();
        if (events->live() && !keysWanted) {
            if (events->Wait(wait))
                engine.ExecEventsReady();
        } else {
            // Keys and events both: short key waits, events between them.
            if (wait.count() > 0)
                observer.Wait(engine, events->live() ? std::min(wait, milliseconds(20)) : wait);
            if (events->live() && events->Wait(milliseconds(0)))
                engine.ExecEventsReady();
        }
    }

    engine.ExitSequence();
    if (g_hungUp != 0)
        context.err << "quorvel-cli: the terminal closed; resumed the "
                    << engine.jail().list().size() << " processes the guard held" << std::endl;
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
#ifdef SIGHUP
    std::signal(SIGHUP, SIG_DFL);
#endif
    return kExitOk;
}

// decisions.jsonl as a table, oldest first (the oldest rotated file first). Each field
// keeps to its column: a longer one is cut with an ellipsis; the path, last, is whole.
int PrintLog(CommandContext& context, std::span<const std::string> args) {
    std::optional<std::string> folder;
    if (args.size() == 2 && args[0] == "--data")
        folder = args[1];
    else if (!args.empty())
        return UsageError(context, "log takes only [--data DIR]");
    auto& platform = context.platform;
    if (!platform.files || !platform.shell)
        return kExitFailed;
    const auto data = folder ? store::DataFolder(*folder, platform.files->PathSeparator())
                             : ProgramDataFolder(context);
    context.out << guard::LogHeader() << "\n";
    const int generations =
        store::LoadLogGenerations(*platform.files, data.file(store::kAuditSettingsFile));
    std::vector<std::string> files;
    for (int generation = generations; generation >= 1; --generation)
        files.push_back(
            data.file(std::string(platform::kDecisionLogFile) + "." + std::to_string(generation)));
    files.push_back(data.file(platform::kDecisionLogFile));
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::string line;
        while (std::getline(in, line)) {
            const auto d = guard::ParseDecisionJsonLine(line);
            if (!d) {
                context.err << "quorvel-cli: " << guard::PrintableText(file)
                            << ": a line that is not a decision\n";
                continue;
            }
            context.out << guard::LogRow(*d) << "\n";
        }
    }
    return kExitOk;
}

constexpr Command kCommands[] = {
    {"guard", "[--data DIR] [--interval SECONDS] [--events auto|connector|none] [--watch MOUNT]...",
     "run the process guard on this terminal until Ctrl-C", RunGuard},
    {"log", "[--data DIR]", "print the guard's decisions (decisions.jsonl) as a table", PrintLog},
};

} // namespace

std::span<const Command> GuardCommands() {
    return kCommands;
}

} // namespace quorvel::cli
