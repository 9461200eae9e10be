#pragma once

#include <QLineEdit>

namespace widgets {

// Edit for a percentage such as a VAT rate. Shows "19,00 %" (decimal separator
// of the default QLocale) and only lets digits, one decimal separator with at
// most two decimals after it and a leading sign be typed or pasted. No range is
// enforced: callers decide what is valid.
//
// While the edit has the focus the " %" stays visible; focusing it selects the
// number only, so the first key from the keyboard or the touch keypad replaces
// it, and typed characters always land in the number, never behind the suffix.
// Leaving the edit reformats the text to two decimals.
class TRateEdit : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(double value READ Value WRITE setValue NOTIFY changed)

public:
    explicit TRateEdit(QWidget* parent = nullptr);

    // The number in the text, rounded to the two decimals the edit shows, so
    // that it is the value the user sees whatever put the text there; empty or
    // unreadable text reads as 0.
    double Value() const;
    void setValue(double value);

signals:
    // Emitted on every change of the text: typing, reformatting when the focus
    // leaves, and every setValue(), even one that leaves the text as it was
    // (QLineEdit::textChanged stays silent then). Owners that re-read Value()
    // on each change can rely on this alone.
    void changed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool insertTyped(const QString& typed);
    void selectNumber();

    bool selectAfterClick_ = false;
};

} // namespace widgets
