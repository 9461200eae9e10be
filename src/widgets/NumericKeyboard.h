#pragma once

#include <QList>
#include <QWidget>

class QAbstractButton;

namespace widgets {

// On-screen number pad for touch screens, 160 x 200 pixels:
//
//   Tab  Tab  Back
//   7    8    9
//   4    5    6
//   1    2    3
//   0    0    .
//
// Its keys never take the focus, so the control being edited keeps it; each
// key reaches that control as an ordinary key press and release, exactly as
// if it had been typed on a hardware keyboard. "." is the keypad's decimal
// key, which TRateEdit turns into the locale's separator.
class TNumericKeyboard : public QWidget
{
    Q_OBJECT

public:
    explicit TNumericKeyboard(QWidget* parent = nullptr);

    // The key buttons, named "key0".."key9", "keyDecimal", "keyBack", "keyTab".
    QList<QAbstractButton*> keys() const { return keys_; }

private:
    void sendKey(int key, Qt::KeyboardModifiers modifiers, const QString& text);

    QList<QAbstractButton*> keys_;
};

} // namespace widgets
