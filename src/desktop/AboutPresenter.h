#pragma once

#include <string>

namespace quorvel::desktop {

struct AboutTexts {
    std::string caption;
    std::string product;
    std::string version;
    std::string description;
    std::string ok;
};

class AboutView {
public:
    virtual ~AboutView() = default;
    virtual void Close() = 0;
};

// frmAbout: fixed texts and an OK button that closes it.
class AboutPresenter {
public:
    explicit AboutPresenter(AboutView& view) : m_view(view) {}

    static AboutTexts Texts();
    void OkClicked() { m_view.Close(); }

private:
    AboutView& m_view;
};

} // namespace quorvel::desktop
