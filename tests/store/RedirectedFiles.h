#pragma once

#include "platform/Files.h"

#include <string>

namespace quorvel::testing {

// The real files backend with one change: the documents folder is the test's own, so a
// test never leaves the temporary settings file in the real user's documents.
class RedirectedFiles final : public platform::Files {
public:
    RedirectedFiles(platform::Files& real, std::string documents)
        : m_real(real), m_documents(std::move(documents)) {}

    char PathSeparator() const override { return m_real.PathSeparator(); }
    platform::Result<std::unique_ptr<platform::FileHandle>>
    Open(const std::string& path, platform::FileAccess access,
         platform::FileDisposition disposition, platform::FileShare share) override {
        return m_real.Open(path, access, disposition, share);
    }
    using platform::Files::ReadAll;
    platform::Result<std::vector<std::byte>> ReadAll(const std::string& path,
                                                     uint64_t limit) override {
        return m_real.ReadAll(path, limit);
    }
    platform::Status WriteAll(const std::string& path, std::span<const std::byte> data) override {
        return m_real.WriteAll(path, data);
    }
    platform::Status WriteNew(const std::string& path, std::span<const std::byte> data) override {
        return m_real.WriteNew(path, data);
    }
    platform::Status Append(const std::string& path, std::span<const std::byte> data) override {
        return m_real.Append(path, data);
    }
    platform::Status ReplaceAtomically(const std::string& path,
                                       std::span<const std::byte> data) override {
        return m_real.ReplaceAtomically(path, data);
    }
    platform::Status CopyOver(const std::string& from, const std::string& to) override {
        return m_real.CopyOver(from, to);
    }
    platform::Status Delete(const std::string& path) override { return m_real.Delete(path); }
    platform::Status ClearAttributes(const std::string& path) override {
        return m_real.ClearAttributes(path);
    }
    bool Exists(const std::string& path) override { return m_real.Exists(path); }
    bool IsDirectory(const std::string& path) override { return m_real.IsDirectory(path); }
    platform::Status CreateFolder(const std::string& path) override {
        return m_real.CreateFolder(path);
    }
    platform::Result<std::string> DocumentsFolder() override {
        if (m_documents.empty())
            return platform::MakeError(platform::Errc::NotFound, "no documents folder");
        return m_documents;
    }

private:
    platform::Files& m_real;
    std::string m_documents;
};

} // namespace quorvel::testing
