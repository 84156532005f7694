// The registry file: parse arbitrary text, edit one value, write the text and parse it
// again; the second parse must equal the edited document, and a text that is no registry
// file must be refused. The first four bytes choose the edit.
#include "platform/Registry.h"
#include "platform/linux/FileRegistryFormat.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace quorvel::platform;
using namespace quorvel::platform::linux_backend;

namespace {

constexpr const char* kRoot = "HKEY_CURRENT_USER";

// The names the registry backend accepts: no control characters, no "]" in a key.
bool Writable(const std::string& text, bool key) {
    return std::none_of(text.begin(), text.end(), [&](char c) {
        return static_cast<unsigned char>(c) < 0x20 || (key && c == ']');
    });
}

bool Same(const FileRegistryDocument& a, const FileRegistryDocument& b) {
    if (a.keys.size() != b.keys.size())
        return false;
    for (size_t k = 0; k < a.keys.size(); ++k) {
        const auto& x = a.keys[k];
        const auto& y = b.keys[k];
        if (x.path != y.path || x.values.size() != y.values.size())
            return false;
        for (size_t v = 0; v < x.values.size(); ++v)
            if (x.values[v].name != y.values[v].name || x.values[v].type != y.values[v].type ||
                x.values[v].data != y.values[v].data)
                return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4)
        return 0;
    const uint8_t op = data[0], keyChoice = data[1], nameChoice = data[2], type = data[3];
    const std::string rest(reinterpret_cast<const char*>(data + 4), size - 4);
    const size_t split = std::min(rest.find('\0'), rest.size());
    const std::string payload = rest.substr(0, split);
    const std::string text = split < rest.size() ? rest.substr(split + 1) : std::string();

    const FileRegistryParse parse = ParseFileRegistry(text, kRoot);
    FileRegistryEdit edit;
    const auto& keys = parse.document.keys;
    const FileRegistryKey* key = nullptr;
    if (!keys.empty() && keyChoice < 200) {
        key = &keys[keyChoice % keys.size()];
        edit.key = key->path;
    } else {
        edit.key = payload.substr(0, payload.size() / 2);
    }
    if (key && !key->values.empty() && nameChoice < 200)
        edit.name = key->values[nameChoice % key->values.size()].name;
    else
        edit.name = payload.substr(payload.size() / 2);
    if (!Writable(edit.key, true) || !Writable(edit.name, false))
        return 0;
    if (op & 1) {
        FileRegistryValue value;
        value.type = type % 4 == 0 ? kRegDword : type % 4 == 1 ? kRegString : type;
        value.data.assign(reinterpret_cast<const std::byte*>(payload.data()),
                          reinterpret_cast<const std::byte*>(payload.data() + payload.size()));
        if (value.type == kRegDword)
            value.data.resize(4);
        edit.value = std::move(value);
    }

    FileRegistryDocument model = parse.document;
    const Status applied = ApplyFileRegistryEdit(model, edit);
    const auto edited = EditFileRegistryText(text, kRoot, edit);
    if (!edited) {
        if (edited.error().code == Errc::InvalidArgument && !parse.sawHeader)
            return 0; // no registry file: refused, never overwritten
        if (!applied && edited.error().code == applied.error().code)
            return 0;
        std::abort(); // refused an edit the document takes
    }
    if (!applied)
        std::abort(); // took an edit the document refuses
    if (!Same(ParseFileRegistry(edited.value(), kRoot).document, model))
        std::abort();
    return 0;
}
