// The main.ini reader over arbitrary contents, with a check that what it reads is written
// back in a form it reads the same way.
#include "store/Settings.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    store::SettingsValues values = store::ParseSettingsText(text);
    // A negative number cannot be written: its "-" would end the text it is read from.
    for (int& value : values)
        if (value < 0)
            value = 0;
    if (store::ParseSettingsText(store::BuildSettingsText(values)) != values)
        std::abort();
    return 0;
}
