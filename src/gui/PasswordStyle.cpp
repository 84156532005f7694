#include "gui/PasswordStyle.h"

#include <QLineEdit>

namespace quorvel::gui {

int PasswordStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                             QStyleHintReturn* returnData) const {
    if (hint == SH_LineEdit_PasswordCharacter)
        return '*';
    if (hint == SH_LineEdit_PasswordMaskDelay)
        return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void PasswordStyle::apply(QLineEdit* box, int maxLength) {
    // A proxy without a base style follows the application's style.
    auto* style = new PasswordStyle();
    style->setParent(box);
    box->setStyle(style);
    box->setEchoMode(QLineEdit::Password);
    box->setMaxLength(maxLength);
}

} // namespace quorvel::gui
