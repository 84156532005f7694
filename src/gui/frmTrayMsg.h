#pragma once

#include <QWidget>

namespace quorvel::gui {

// The popup that slides up at the bottom right of the screen; one instance takes new text.
class frmTrayMsg : public QWidget {
    Q_OBJECT

public:
    // Shows (or re-uses) the one popup with this title and message.
    static frmTrayMsg* ShowTrayMessage(const QString& title, const QString& message);
    // The open popup, or null.
    static frmTrayMsg* instance();

    ~frmTrayMsg() override;

private:
    explicit frmTrayMsg(QWidget* parent = nullptr);
};

} // namespace quorvel::gui
