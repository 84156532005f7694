#include "store/FirstStartTrust.h"

#include <algorithm>

namespace quorvel::store {

namespace {

std::span<const std::byte> AsBytes(const std::string& text) {
    return std::as_bytes(std::span(text.data(), text.size()));
}

std::string Programs(size_t count) {
    return std::to_string(count) + (count == 1 ? " program" : " programs");
}

} // namespace

std::vector<std::string> RunningProgramNames(std::span<const platform::ProcessEntry> processes) {
    std::vector<std::string> names;
    names.reserve(processes.size());
    for (const auto& process : processes)
        if (!process.exeName.empty())
            names.push_back(process.exeName);
    // Sorted as a reader looks names up: case aside, then exactly, so that names differing
    // only in case both stay.
    const auto folded = [](const std::string& name) {
        std::string lower = name;
        for (char& c : lower)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return lower;
    };
    std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
        const auto fa = folded(a);
        const auto fb = folded(b);
        return fa != fb ? fa < fb : a < b;
    });
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

TrustReport TrustNames(TrustList& list, std::span<const std::string> names) {
    TrustReport report;
    std::string failure;
    for (const auto& name : names) {
        const auto result = list.AddAndShow(name);
        switch (result.outcome) {
        case ListEdit::Done:
            ++report.added;
            break;
        case ListEdit::AlreadyStored:
            ++report.alreadyStored;
            break;
        case ListEdit::Full:
            ++report.notFitting;
            break;
        case ListEdit::Unrepresentable:
            ++report.unwritable;
            break;
        case ListEdit::WriteFailed:
            report.writeFailed = true;
            failure = result.detail;
            break;
        }
        if (report.writeFailed)
            break;
    }

    std::string text = "Trusted " + Programs(report.added) + ".";
    report.message.title = kProductTitle;
    report.message.icon = MessageIcon::Information;
    if (report.notFitting > 0) {
        text += " " + Programs(report.notFitting) + " did not fit: the list holds " +
                std::to_string(TrustList::kSlots) + " names at most.";
        report.message.icon = MessageIcon::Warning;
    }
    if (report.unwritable > 0) {
        text += " " + Programs(report.unwritable) +
                " not saved: their names have a character the list file can't hold.";
        report.message.icon = MessageIcon::Warning;
    }
    if (report.writeFailed) {
        text += " The rest was not saved: can't write " + list.path() + " (" + failure + ").";
        report.message.icon = MessageIcon::Critical;
    }
    report.message.text = std::move(text);
    return report;
}

FirstStartTrust::FirstStartTrust(platform::Files& files, const DataFolder& data)
    : m_files(files), m_path(data.file(kFirstStartFile)) {}

bool FirstStartTrust::ShouldAsk(const TrustLists& lists) {
    const auto empty = [](const TrustList& list) {
        return list.visibleItems().empty() && list.unloadedEntries().empty();
    };
    return empty(lists.whitelist()) && empty(lists.blacklist()) && !m_files.Exists(m_path);
}

std::string FirstStartTrust::QuestionText(std::span<const std::string> names) {
    std::string text = "No program is trusted or blocked yet. Do you want to trust the " +
                       Programs(names.size()) +
                       " running now? They are added to the whitelist; this is asked only "
                       "once.\n\n";
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            text += ", ";
        text += names[i];
    }
    return text;
}

std::optional<Message> FirstStartTrust::Answer(bool yes, TrustList& whitelist,
                                               std::span<const std::string> names) {
    std::optional<Message> shown;
    if (yes)
        shown = TrustNames(whitelist, names).message;
    const std::string record = yes ? "asked=yes\r\n" : "asked=no\r\n";
    if (auto written = m_files.ReplaceAtomically(m_path, AsBytes(record)); !written) {
        Message failed{"Can't remember the answer in " + m_path + " (" + written.error().message +
                           "): the question comes again on the next start.",
                       kProductTitle, MessageIcon::Warning};
        if (shown)
            shown->text += "\n\n" + failed.text;
        else
            shown = std::move(failed);
        if (shown->icon == MessageIcon::Information)
            shown->icon = MessageIcon::Warning;
    }
    return shown;
}

} // namespace quorvel::store
