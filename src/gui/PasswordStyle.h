#pragma once

#include <QProxyStyle>

class QLineEdit;

namespace quorvel::gui {

// Shows each character of a password box as "*", whatever the platform style draws.
class PasswordStyle : public QProxyStyle {
    Q_OBJECT

public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;

    // Password echo, at most maxLength characters, "*" for each; the style belongs to box.
    static void apply(QLineEdit* box, int maxLength);
};

} // namespace quorvel::gui
