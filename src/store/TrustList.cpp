#include "store/TrustList.h"

#include "store/TrustListReader.h"

#include <algorithm>

namespace quorvel::store {

namespace {

std::span<const std::byte> AsBytes(const std::string& text) {
    return std::as_bytes(std::span(text.data(), text.size()));
}

bool HasLineEnd(std::string_view name) {
    return name.find_first_of("\r\n") != std::string_view::npos;
}

// The reader ends a field at a comma and a name at a bar: a name holding either would be
// read back as another name, and a removal's rewrite would store that one instead.
bool HasFieldSeparator(std::string_view name) {
    return name.find_first_of(",|") != std::string_view::npos;
}

// What the file needs before a new line can go after its last one: a hand edit or a write
// cut short by a full disk can leave the last line without its CR LF, and the new name
// would then run on into the old one.
std::string LineEndMissingAtEnd(platform::Files& files, const std::string& path) {
    auto file = files.Open(path, platform::FileAccess::Read,
                           platform::FileDisposition::OpenExisting, {true, true, true});
    if (!file)
        return {};
    auto size = file.value()->Size();
    if (!size || size.value() == 0)
        return {};
    std::byte last{};
    auto read = file.value()->ReadAt(size.value() - 1, std::span(&last, 1));
    if (!read || read.value() != 1 || last == std::byte{'\n'})
        return {};
    return last == std::byte{'\r'} ? "\n" : "\r\n";
}

} // namespace

TrustList::TrustList(platform::Files& files, platform::AnsiCodec& ansi, std::string path)
    : m_files(files), m_ansi(ansi), m_path(std::move(path)) {}

void TrustList::LoadTrustList() {
    m_slots.clear();
    m_unloaded.clear();
    auto bytes = m_files.ReadAll(m_path);
    if (!bytes)
        return;
    const std::string ansi(reinterpret_cast<const char*>(bytes.value().data()),
                           bytes.value().size());
    auto entries = ParseTrustListText(m_ansi.FromAnsi(ansi));
    for (auto& name : entries.names) {
        if (m_slots.size() < static_cast<size_t>(kSlots))
            m_slots.push_back(std::move(name));
        else if (!name.empty())
            m_unloaded.push_back(std::move(name));
    }
}

void TrustList::ShowTrustList() {
    m_visible.clear();
    for (const auto& name : m_slots)
        if (!name.empty())
            m_visible.push_back(name);
}

bool TrustList::FindInTrustList(std::string_view name) const {
    return std::find(m_slots.begin(), m_slots.end(), name) != m_slots.end();
}

ListEditResult TrustList::AddToTrustList(const std::string& name) {
    if (FindInTrustList(name))
        return {ListEdit::AlreadyStored, {}};
    if (m_slots.size() >= static_cast<size_t>(kSlots))
        return {ListEdit::Full, {}};
    if (HasLineEnd(name))
        return {ListEdit::Unrepresentable, "a line end"};
    if (HasFieldSeparator(name))
        return {ListEdit::Unrepresentable, "\",\" or \"|\""};
    auto line = m_ansi.ToAnsi(TrustListLine(name));
    if (!line)
        return {ListEdit::Unrepresentable, line.error().message};
    const std::string text = LineEndMissingAtEnd(m_files, m_path) + line.value();
    if (auto written = m_files.Append(m_path, AsBytes(text)); !written)
        return {ListEdit::WriteFailed, written.error().message};
    m_slots.push_back(name);
    return {ListEdit::Done, {}};
}

ListEditResult TrustList::RemoveFromTrustList(const std::string& name) {
    auto slots = m_slots;
    auto unloaded = m_unloaded;
    std::replace(m_slots.begin(), m_slots.end(), name, std::string());
    std::erase(m_unloaded, name);
    if (auto written = WriteFromSlots(); !written) {
        m_slots = std::move(slots);
        m_unloaded = std::move(unloaded);
        return {ListEdit::WriteFailed, written.error().message};
    }
    return {ListEdit::Done, {}};
}

platform::Status TrustList::WriteFromSlots() {
    std::string text;
    for (const auto& name : m_slots)
        if (!name.empty())
            text += TrustListLine(name);
    for (const auto& name : m_unloaded)
        text += TrustListLine(name);
    auto ansi = m_ansi.ToAnsi(text);
    if (!ansi)
        return ansi.error();
    // Through a temporary file: a failed rewrite leaves the old list whole.
    return m_files.ReplaceAtomically(m_path, AsBytes(ansi.value()));
}

bool TrustList::MatchesTrustList(std::string_view exeName) const {
    if (exeName.empty())
        return false;
    return std::any_of(m_visible.begin(), m_visible.end(), [&](const std::string& item) {
        return item.find(exeName) != std::string::npos;
    });
}

ListEditResult TrustList::AddAndShow(const std::string& text) {
    auto result = AddToTrustList(text);
    if (result.ok())
        m_visible.push_back(text);
    return result;
}

TrustList::SaveReport TrustList::AddAndReport(const std::string& text) {
    const auto result = AddAndShow(text);
    switch (result.outcome) {
    case ListEdit::Done:
    case ListEdit::AlreadyStored:
        return {true, {"Saved", kProductTitle, MessageIcon::Information}};
    case ListEdit::Full:
        return {false,
                {"Not saved..the list is full, it holds " + std::to_string(kSlots) +
                     " names at most (restart application to free removed ones)",
                 kProductTitle, MessageIcon::Warning}};
    case ListEdit::Unrepresentable:
        return {
            false,
            {"Not saved..the name has a character the list file can't hold (" + result.detail + ")",
             kProductTitle, MessageIcon::Warning}};
    case ListEdit::WriteFailed:
        break;
    }
    return {false,
            {"Not saved..can't write " + m_path + " (is the Data folder missing or read-only?)",
             kProductTitle, MessageIcon::Critical}};
}

Message TrustList::RemoveFromList(const std::string& selectedText) {
    if (!RemoveFromTrustList(selectedText).ok())
        return {"Not removed..can't write " + m_path +
                    " (is the Data folder missing or read-only?)",
                kProductTitle, MessageIcon::Critical};
    LoadTrustList();
    return {"Removed..you must restart application for apply changes", kProductTitle,
            MessageIcon::Information};
}

} // namespace quorvel::store
