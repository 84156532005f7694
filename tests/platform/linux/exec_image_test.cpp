#include "platform/linux/ExecImage.h"
#include "platform/linux/ProcfsIo.h"
#include "platform/linux/TestProcesses.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace quorvel::platform::linux_backend {
namespace {

using test::TempFolder;
namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::optional<std::string> InterpreterOf(const fs::path& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    return fd.valid() ? ElfInterpreter(fd.get()) : std::nullopt;
}

// The interpreter a dynamic program names is the file the kernel opens for it; scripts,
// cut-off and forged headers name none.
TEST(ExecImage, TheElfInterpreterIsReadFromTheProgramHeaders) {
    const auto loader = InterpreterOf("/bin/true");
    ASSERT_TRUE(loader.has_value());
    EXPECT_TRUE(loader->starts_with("/")) << *loader;
    EXPECT_TRUE(FileIdAt(*loader).has_value()) << *loader;

    TempFolder folder;
    const std::string image = ReadAll("/bin/true");
    const struct {
        const char* what;
        std::string bytes;
    } none[] = {
        {"a script", "#!/bin/sh\necho hi\n"},
        {"a header cut off", image.substr(0, 40)},
        {"program headers cut off", image.substr(0, 80)},
        {"empty", ""},
    };
    for (const auto& file : none) {
        const fs::path path = fs::path(folder.path()) / "file";
        std::ofstream(path, std::ios::binary | std::ios::trunc) << file.bytes;
        EXPECT_FALSE(InterpreterOf(path).has_value()) << file.what;
    }
}

TEST(ExecImage, AFileIsTheSameThroughEveryPathAndDescriptor) {
    TempFolder folder;
    const fs::path path = fs::path(folder.path()) / "file";
    std::ofstream(path) << "x";
    fs::create_hard_link(path, fs::path(folder.path()) / "link");
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    EXPECT_EQ(FileIdOf(fd.get()), FileIdAt(fs::path(folder.path()) / "link"));
    EXPECT_NE(FileIdAt(path), FileIdAt(fs::path(folder.path())));
}

// A task sleeping in a system call shows it; the name argument is read only for execve.
TEST(ExecImage, TheSyscallOfASleepingTaskIsReadButOnlyExecveNamesAFile) {
    auto child = test::ChildProcess::Fork([] { ::pause(); });
    std::optional<std::string> line;
    ASSERT_TRUE(test::WaitUntil([&] {
        line = SyscallLine(child.upid());
        return line && !line->starts_with("running");
    }));
    EXPECT_FALSE(ExecFileNameArgument(child.upid(), *line).has_value()) << *line;
    child.kill();
}

} // namespace
} // namespace quorvel::platform::linux_backend
