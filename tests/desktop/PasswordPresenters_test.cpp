#include "access/PasswordFile.h"
#include "desktop/LoginPresenter.h"
#include "store/NativeFiles.h"
#include "store/TempFolder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quorvel::desktop {
namespace {

class RecordingPasswordView : public PasswordView {
public:
    void ShowMessage(const store::Message& message) override {
        calls.push_back("message");
        messages.push_back(message);
    }
    void ClearPassword() override { calls.push_back("clear"); }
    void FocusPassword() override { calls.push_back("focus"); }
    void Close() override { calls.push_back("close"); }

    std::vector<std::string> calls;
    std::vector<store::Message> messages;
};

class PasswordPresentersTest : public testing::NativeFilesTest {
protected:
    void SetUp() override {
        NativeFilesTest::SetUp();
        std::ofstream(m_path, std::ios::binary) << "\xB4\xC9\xD0\xD3\xD6\r\n"; // Pelor
    }
    access::PasswordFile File() { return access::PasswordFile(files(), ansi(), m_path); }

    testing::TempFolder m_temp;
    std::string m_path = m_temp / "set.db";
    RecordingPasswordView view;
    int accepted = 0;
    int cancelled = 0;
};

TEST_F(PasswordPresentersTest, LoginAnswers) {
    struct Row {
        const char* name;
        std::string typed;
        std::vector<std::string> calls;
        int accepted;
    };
    const std::vector<Row> rows = {
        {"right password", "Pelor", {"clear", "close"}, 1},
        {"other case", "pelor", {"clear", "message", "focus"}, 0},
        {"empty", "", {"clear", "message", "focus"}, 0},
    };
    for (const Row& row : rows) {
        access::PasswordFile file = File();
        view = {};
        accepted = cancelled = 0;
        LoginPresenter login(
            view, file, [this] { ++accepted; }, [this] { ++cancelled; });
        login.ContinueClicked(row.typed);
        EXPECT_EQ(view.calls, row.calls) << row.name;
        EXPECT_EQ(accepted, row.accepted) << row.name;
        EXPECT_EQ(cancelled, 0) << row.name;
        if (!row.accepted) {
            ASSERT_EQ(view.messages.size(), 1u) << row.name;
            EXPECT_EQ(view.messages[0].text, "Wrong Password,please contact your Administrator");
            EXPECT_EQ(view.messages[0].title, "Quorvel | Proctet and Defend");
            EXPECT_EQ(view.messages[0].icon, store::MessageIcon::Warning);
        }
    }
}

TEST_F(PasswordPresentersTest, LoginCancelHandsBackToTheTray) {
    access::PasswordFile file = File();
    LoginPresenter login(
        view, file, [this] { ++accepted; }, [this] { ++cancelled; });
    login.CancelClicked();
    EXPECT_EQ(view.calls, (std::vector<std::string>{"clear", "close"}));
    EXPECT_EQ(cancelled, 1);
    EXPECT_EQ(accepted, 0);
}

TEST_F(PasswordPresentersTest, ChangeNowStoresAndTheNextLoginTakesTheNewPassword) {
    access::PasswordFile file = File();
    ChangePassPresenter change(view, file);
    change.ChangeNowClicked("");
    EXPECT_EQ(view.calls, (std::vector<std::string>{"message", "focus"}));
    EXPECT_EQ(view.messages.back().text, "The Password can't be empty");

    view = {};
    change.ChangeNowClicked("new 2");
    EXPECT_EQ(view.calls, (std::vector<std::string>{"message", "clear", "close"}));
    EXPECT_EQ(view.messages.back().text,
              "Password has been saved \r\nYour current password is : new 2");

    LoginPresenter login(
        view, file, [this] { ++accepted; }, [this] { ++cancelled; });
    login.ContinueClicked("Pelor");
    login.ContinueClicked("new 2");
    EXPECT_EQ(accepted, 1);
}

TEST(PasswordTexts, CaptionsKeepTheirLeadingBlanks) {
    EXPECT_EQ(LoginPresenter::Texts().caption, std::string(29, ' ') + "Login");
    EXPECT_EQ(ChangePassPresenter::Texts().caption, std::string(25, ' ') + "Change Password");
}

} // namespace
} // namespace quorvel::desktop
