#pragma once

#include <X11/Xlib.h>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Reading window properties; every reply is freed before returning.
namespace quorvel::platform::linux_backend::x11 {

// A list of 32-bit items (windows, atoms, cardinals); nothing when the property is
// missing or of another type.
std::optional<std::vector<unsigned long>> ListProperty(Display* display, Window window,
                                                       Atom property, Atom type);

std::optional<uint32_t> CardinalProperty(Display* display, Window window, Atom property);

// A text property as UTF-8: UTF8_STRING as it is, STRING (Latin-1) converted, other
// encodings through Xlib's converter. Nothing when missing.
std::optional<std::string> TextProperty(Display* display, Window window, Atom property);

// The direct children of window, bottom-most first.
std::vector<Window> Children(Display* display, Window window);

} // namespace quorvel::platform::linux_backend::x11
