#include "platform/win32/AnsiText.h"
#include "platform/win32/Backends.h"

namespace quorvel::platform::win32_backend {
namespace {

// The system's own ANSI code page, whatever it is set to.
class Win32AnsiCodec final : public AnsiCodec {
public:
    Result<std::string> ToAnsi(const std::string& utf8) override { return Utf8ToAnsi(utf8); }
    std::string FromAnsi(const std::string& ansi) override { return AnsiToUtf8(ansi); }
};

} // namespace

std::unique_ptr<AnsiCodec> CreateWin32AnsiCodec() {
    return std::make_unique<Win32AnsiCodec>();
}

} // namespace quorvel::platform::win32_backend
