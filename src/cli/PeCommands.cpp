#include "cli/Command.h"
#include "pe/PeAnalyzer.h"
#include "pe/PeClassifier.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::cli {

namespace {

using pe::PeReport;

struct View {
    std::string_view name;
    std::string PeReport::*text;
};

constexpr std::array kViews{
    View{"dos", &PeReport::dosText},          View{"nt", &PeReport::ntText},
    View{"sections", &PeReport::sectionText}, View{"exports", &PeReport::exportText},
    View{"imports", &PeReport::importText},
};

struct PeOptions {
    std::optional<View> view; // all five when unset
    bool classify = false;
    std::vector<std::string> files;
};

std::optional<View> FindView(std::string_view name) {
    for (const auto& v : kViews)
        if (v.name == name)
            return v;
    return std::nullopt;
}

// Fills options, or returns the usage error's message.
std::optional<std::string> ParseArgs(std::span<const std::string> args, PeOptions& options) {
    bool onlyFiles = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (onlyFiles || arg.empty() || arg[0] != '-' || arg == "-") {
            options.files.push_back(arg);
        } else if (arg == "--") {
            onlyFiles = true;
        } else if (arg == "--classify") {
            options.classify = true;
        } else if (arg == "--view" || arg.starts_with("--view=")) {
            std::string name;
            if (arg == "--view") {
                if (++i == args.size())
                    return "pe: --view needs dos, nt, sections, exports or imports";
                name = args[i];
            } else {
                name = arg.substr(7);
            }
            options.view = FindView(name);
            if (!options.view)
                return "pe: unknown view '" + name + "' (dos, nt, sections, exports, imports)";
        } else {
            return "pe: unknown option '" + arg + "'";
        }
    }
    if (options.files.empty())
        return "pe: no file given";
    return std::nullopt;
}

void Write(std::ostream& out, std::string_view text) {
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

// The texts exactly as the analysis window holds them, CR LF included, so the output is
// the same on every system; the lines added here end in CR LF too.
void PrintReport(std::ostream& out, const PeReport& report, const PeOptions& options) {
    if (options.view) {
        Write(out, report.*(options.view->text));
        return;
    }
    bool first = true;
    for (const auto& v : kViews) {
        const std::string& text = report.*(v.text);
        if (text.empty())
            continue;
        if (!first)
            Write(out, "\r\n");
        Write(out, text);
        first = false;
    }
}

int RunPe(CommandContext& context, std::span<const std::string> args) {
    PeOptions options;
    if (auto problem = ParseArgs(args, options))
        return UsageError(context, *problem);

    int status = kExitOk;
    const bool several = options.files.size() > 1;
    for (size_t i = 0; i < options.files.size(); ++i) {
        const std::string& path = options.files[i];
        if (several) {
            if (i > 0)
                Write(context.out, "\r\n");
            Write(context.out, "File Name: ");
            Write(context.out, path);
            Write(context.out, "\r\n");
        }
        pe::PeAnalysis analysis;
        if (context.platform.files) {
            analysis = pe::AnalyzePeFile(*context.platform.files, path);
        } else {
            analysis.status = "Unable to Open File -> " + path;
            analysis.message = "Unable to open '" + path + "'";
        }
        if (!analysis.message.empty())
            context.err << analysis.message << '\n';
        if (analysis.outcome == pe::PeOutcome::Cut)
            context.err << "pe: the report on '" << path << "' was cut at " << pe::kReportTextLimit
                        << " bytes\n";
        PrintReport(context.out, analysis.report, options);
        if (options.classify) {
            if (auto label = pe::ClassifyPeReport(analysis.report)) {
                Write(context.out, "Info: ");
                Write(context.out, *label);
                Write(context.out, "\r\n");
            }
        }
        // A cut report is not the whole report: say so in the exit status.
        if (!analysis.hasValidSignatures() || analysis.outcome == pe::PeOutcome::Cut)
            status = kExitFailed;
    }
    context.out.flush();
    return status;
}

constexpr std::array kCommands{
    Command{"pe", "[--view dos|nt|sections|exports|imports] [--classify] FILE...",
            "report on PE files' headers; --classify adds \"Info: \" and the verdict", RunPe},
};

} // namespace

std::span<const Command> PeCommands() {
    return kCommands;
}

} // namespace quorvel::cli
