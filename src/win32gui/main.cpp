// quorvel.exe: the Windows desktop program.
#include "platform/Platform.h"
#include "platform/win32/UniqueHandle.h"
#include "store/DataFolder.h"
#include "store/ProgramLayout.h"
#include "win32gui/DesktopApp.h"
#include "win32gui/Resource.h"

#include <commctrl.h>
#include <shellapi.h>
#include <string>

namespace {

using quorvel::win32gui::Utf8;

// --data DIR names another Data folder.
std::string DataFolderArgument() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::string folder;
    for (int i = 1; arguments != nullptr && i + 1 < count; ++i)
        if (std::wstring(arguments[i]) == L"--data")
            folder = Utf8(arguments[i + 1]);
    LocalFree(arguments);
    return folder;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    quorvel::platform::win32_backend::UniqueHandle mutex(
        CreateMutexW(nullptr, FALSE, QUORVEL_MUTEX_NAME));
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        MessageBoxW(nullptr, L"Quorvel is already running on your system", L"Quorvel",
                    MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    quorvel::platform::Platform platform = quorvel::platform::CreateNativePlatform();
    const auto layout = quorvel::store::FindProgramLayout(*platform.shell, *platform.files);
    // A folder that cannot be made shows later as the files' own failures.
    (void)quorvel::store::PrepareUserFolders(*platform.files, layout);
    std::string data = DataFolderArgument();
    if (data.empty())
        data = layout.dataFolder;
    const quorvel::store::DataFolder folder(data, layout.separator);

    quorvel::win32gui::DesktopApp app(instance, platform, folder.setDbPath());
    return app.Run();
}
