#pragma once

#include "platform/Platform.h"

#include <gtest/gtest.h>

namespace quorvel::testing {

// The system's own files backend and code page; tests skip where the backend has none.
class NativeFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!m_platform.files || !m_platform.ansi)
            GTEST_SKIP() << "this backend has no files or code page";
    }
    platform::Files& files() { return *m_platform.files; }
    platform::AnsiCodec& ansi() { return *m_platform.ansi; }

    platform::Platform m_platform = platform::CreateNativePlatform();
};

} // namespace quorvel::testing
