#include "platform/linux/X11Properties.h"

#include "platform/linux/X11Library.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <memory>

namespace quorvel::platform::linux_backend::x11 {
namespace {

struct XFreeDeleter {
    void operator()(void* data) const {
        if (data)
            x11::Api().XFree(data);
    }
};
using XData = std::unique_ptr<unsigned char, XFreeDeleter>;

// Enough for any list or title we read (counted in 32-bit units).
constexpr long kMaxPropertyLength = 1 << 20;

struct Property {
    XData data;
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
};

std::optional<Property> ReadProperty(Display* display, Window window, Atom property,
                                     Atom requested) {
    Property p;
    unsigned long bytesAfter = 0;
    unsigned char* raw = nullptr;
    const int status =
        x11::Api().XGetWindowProperty(display, window, property, 0, kMaxPropertyLength, False,
                                      requested, &p.type, &p.format, &p.items, &bytesAfter, &raw);
    p.data.reset(raw);
    if (status != Success || p.type == None)
        return std::nullopt;
    return p;
}

std::string Latin1ToUtf8(const unsigned char* text, size_t size) {
    std::string out;
    out.reserve(size);
    for (size_t i = 0; i < size; ++i) {
        const unsigned char c = text[i];
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

} // namespace

std::optional<std::vector<unsigned long>> ListProperty(Display* display, Window window,
                                                       Atom property, Atom type) {
    auto p = ReadProperty(display, window, property, type);
    if (!p || p->type != type || p->format != 32)
        return std::nullopt;
    // Format 32 items arrive as longs, whatever the size of long.
    const auto* items = reinterpret_cast<const unsigned long*>(p->data.get());
    return std::vector<unsigned long>(items, items + p->items);
}

std::optional<uint32_t> CardinalProperty(Display* display, Window window, Atom property) {
    auto items = ListProperty(display, window, property, XA_CARDINAL);
    if (!items || items->empty())
        return std::nullopt;
    return static_cast<uint32_t>(items->front());
}

std::optional<std::string> TextProperty(Display* display, Window window, Atom property) {
    auto p = ReadProperty(display, window, property, AnyPropertyType);
    if (!p || p->format != 8)
        return std::nullopt;
    const auto* bytes = p->data.get();
    // Xlib keeps interned atoms per display, so this costs no round trip after the first.
    const Atom utf8String = x11::Api().XInternAtom(display, "UTF8_STRING", False);
    if (p->type == utf8String)
        return std::string(reinterpret_cast<const char*>(bytes), p->items);
    if (p->type == XA_STRING)
        return Latin1ToUtf8(bytes, p->items);

    XTextProperty text{};
    text.value = const_cast<unsigned char*>(bytes);
    text.encoding = p->type;
    text.format = 8;
    text.nitems = p->items;
    char** list = nullptr;
    int count = 0;
    if (x11::Api().Xutf8TextPropertyToTextList(display, &text, &list, &count) < Success || !list)
        return std::string(reinterpret_cast<const char*>(bytes), p->items);
    std::string joined;
    for (int i = 0; i < count; ++i)
        joined += list[i];
    x11::Api().XFreeStringList(list);
    return joined;
}

std::vector<Window> Children(Display* display, Window window) {
    Window root = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!x11::Api().XQueryTree(display, window, &root, &parent, &children, &count))
        return {};
    std::vector<Window> result(children, children + count);
    if (children)
        x11::Api().XFree(children);
    return result;
}

} // namespace quorvel::platform::linux_backend::x11
