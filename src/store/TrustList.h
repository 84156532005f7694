#pragma once

#include "platform/Files.h"
#include "store/Message.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::store {

// How an add or a removal went.
enum class ListEdit {
    Done,
    AlreadyStored,   // an add of a name already stored: nothing written, still "Saved"
    Full,            // an add that would need a slot beyond the last one
    Unrepresentable, // a character the list file cannot hold: outside its code page, a
                     // line end, or the "," and "|" that end a field and a name
    WriteFailed,     // the file could not be written; memory is as it was before
};

struct ListEditResult {
    ListEdit outcome = ListEdit::Done;
    std::string detail; // the system's reason for WriteFailed and Unrepresentable

    bool ok() const { return outcome == ListEdit::Done || outcome == ListEdit::AlreadyStored; }
};

// The whitelist or the blacklist: its file, the stored entries (slots 1 to count) and the
// visible list that the guard matches against. Names are UTF-8 in memory and
// Windows-1252 in the file.
class TrustList {
public:
    static constexpr int16_t kSlots = 200;

    TrustList(platform::Files& files, platform::AnsiCodec& ansi, std::string path);

    // Replaces the stored entries with the file's. Entries beyond the last slot are not
    // loaded but are kept, so that a removal's rewrite does not lose them.
    void LoadTrustList();
    // Rebuilds the visible list from the stored entries, leaving out blank slots.
    void ShowTrustList();
    // True when a slot 1..count holds exactly name (a blank slot equals "").
    bool FindInTrustList(std::string_view name) const;
    // Stores name and appends its line to the file, unless it is stored already.
    ListEditResult AddToTrustList(const std::string& name);
    // Blanks every slot holding name and rewrites the file from the slots.
    ListEditResult RemoveFromTrustList(const std::string& name);
    // The guard's look-up: exeName occurs, case-sensitively, inside a visible item.
    bool MatchesTrustList(std::string_view exeName) const;

    // "Add To List and Save": stores text and, once it is safe, shows it in the visible
    // list. Returns the message to show: "Saved", or why it was not saved.
    Message AddToListAndSave(const std::string& text) { return AddAndReport(text).message; }
    struct SaveReport {
        bool saved = false; // the text is in the visible list now
        Message message;
    };
    SaveReport AddAndReport(const std::string& text);
    // The same add without its message: the visible list gets text once it is stored.
    ListEditResult AddAndShow(const std::string& text);
    // "Remove From List" for the selected item ("" when nothing is selected): removes,
    // reloads the stored entries and returns the message to show. The visible list keeps
    // the item until the next start.
    Message RemoveFromList(const std::string& selectedText);

    const std::vector<std::string>& visibleItems() const { return m_visible; }
    // Slots 1..count, blank slots included.
    std::span<const std::string> storedEntries() const { return m_slots; }
    // What the limit of kSlots counts, and so what the page's count label shows: names
    // stored, and slots blanked since the last load. The visible list may hold more rows
    // (a name added twice, a removed name until the next start).
    int16_t count() const { return static_cast<int16_t>(m_slots.size()); }
    // File entries beyond the last slot, read but not loaded.
    const std::vector<std::string>& unloadedEntries() const { return m_unloaded; }
    const std::string& path() const { return m_path; }

private:
    platform::Status WriteFromSlots();

    platform::Files& m_files;
    platform::AnsiCodec& m_ansi;
    std::string m_path;
    std::vector<std::string> m_slots;
    std::vector<std::string> m_unloaded;
    std::vector<std::string> m_visible;
};

} // namespace quorvel::store
