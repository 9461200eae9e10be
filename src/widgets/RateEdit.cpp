#include "widgets/RateEdit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QValidator>

#include <algorithm>
#include <cmath>

namespace widgets {
namespace {

const QString kSuffix = QStringLiteral(" %");

// Rates are shown, saved and recorded in hundredths; a third decimal would be
// kept by the database while the screen and the protocol show it rounded.
constexpr qsizetype kDecimals = 2;

// Group separators would make "1.234,50" out of a large value, which the
// keystroke filter could then no longer extend.
QLocale displayLocale()
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

QString format(double value)
{
    // Anything that rounds to zero shows as "0,00", never as "-0,00".
    if (!std::isfinite(value) || std::abs(value) < 0.005)
        value = 0.0;
    return displayLocale().toString(value, 'f', int(kDecimals)) + kSuffix;
}

// Where the number ends and the " %" begins. Any run of blanks and percent
// signs counts, so that a pasted "7,50 %" in front of our own suffix still
// reads as 7.5.
qsizetype numberEnd(const QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && (text.at(end - 1).isSpace() || text.at(end - 1) == u'%'))
        --end;
    return end;
}

// The number with the locale's signs and separator mapped to "-", "+" and ".",
// so that one check serves every locale; a literal "." is kept as a lenient
// second spelling of the separator.
QString canonical(const QString& number)
{
    const QLocale locale;
    QString result = number;
    result.replace(locale.negativeSign(), QStringLiteral("-"));
    result.replace(locale.positiveSign(), QStringLiteral("+"));
    result.replace(locale.decimalPoint(), QStringLiteral("."));
    return result;
}

// True for the texts that typing may lead through: "", "-", "7,", ",5", "+12,50".
bool isPartialNumber(const QString& canonicalNumber)
{
    qsizetype i = 0;
    if (i < canonicalNumber.size() && (canonicalNumber.at(i) == u'-' || canonicalNumber.at(i) == u'+'))
        ++i;
    bool separatorSeen = false;
    for (; i < canonicalNumber.size(); ++i) {
        const QChar c = canonicalNumber.at(i);
        if (c == u'.') {
            if (separatorSeen)
                return false;
            separatorSeen = true;
        } else if (c < u'0' || c > u'9') {
            return false;
        }
    }
    return true;
}

// What the user may type or paste: a partial number with at most two decimals.
bool isEntry(const QString& canonicalNumber)
{
    if (!isPartialNumber(canonicalNumber))
        return false;
    const qsizetype separator = canonicalNumber.indexOf(u'.');
    return separator < 0 || canonicalNumber.size() - separator - 1 <= kDecimals;
}

// Whatever the text holds (setText from code is not filtered), the value is
// the one the edit shows once formatted. The same conversion as format() does
// the rounding, so Value() and the text can never disagree.
double roundToShown(double value)
{
    if (!std::isfinite(value))
        return value;
    const double rounded = QString::number(value, 'f', int(kDecimals)).toDouble();
    return rounded == 0.0 ? 0.0 : rounded; // no -0
}

// Judges every change QLineEdit makes on its own: pasting (shortcut, context
// menu, middle button), undo and input methods bypass keyPressEvent.
class EntryValidator : public QValidator
{
public:
    using QValidator::QValidator;

    State validate(QString& input, int& /*pos*/) const override
    {
        const QString number = input.left(numberEnd(input)).trimmed();
        return isEntry(canonical(number)) ? Acceptable : Invalid;
    }
};

double parse(const QString& text)
{
    const QString number = text.left(numberEnd(text)).trimmed();
    const QString plain = canonical(number);
    bool ok = false;
    if (isPartialNumber(plain)) {
        QString digits = plain;
        const bool negative = digits.startsWith(u'-');
        if (negative || digits.startsWith(u'+'))
            digits.remove(0, 1);
        // Half-typed numbers ("", "7,", ",5") are padded with zeros so the
        // C-locale parser reads them.
        digits.prepend(u'0');
        if (digits.endsWith(u'.'))
            digits.append(u'0');
        const double magnitude = digits.toDouble(&ok);
        if (!ok || magnitude == 0.0)
            return 0.0; // "-" and "-0" read as a plain 0
        return negative ? -magnitude : magnitude;
    }
    // Pasted text may carry group separators ("1.234,5").
    const double value = QLocale().toDouble(number, &ok);
    return ok ? value : 0.0;
}

} // namespace

TRateEdit::TRateEdit(QWidget* parent) : QLineEdit(parent)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setInputMethodHints(Qt::ImhFormattedNumbersOnly);
    // Dropped text would bypass the keystroke filter.
    setAcceptDrops(false);
    setValidator(new EntryValidator(this));
    connect(this, &QLineEdit::textChanged, this, &TRateEdit::changed);
    setText(format(0.0));
}

double TRateEdit::Value() const
{
    return roundToShown(parse(text()));
}

void TRateEdit::setValue(double value)
{
    const QString formatted = format(value);
    if (formatted == text())
        emit changed();
    else
        setText(formatted);
}

void TRateEdit::keyPressEvent(QKeyEvent* event)
{
    if (isReadOnly()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const QString typed = event->text();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    // Ctrl and Ctrl+Shift are shortcuts (copy, paste, undo, select all); AltGr
    // arrives as Ctrl+Alt on some systems and does type characters.
    const bool shortcut =
        modifiers == Qt::ControlModifier || modifiers == (Qt::ControlModifier | Qt::ShiftModifier);
    if (shortcut) {
        QLineEdit::keyPressEvent(event);
        return;
    }

    // The keypad's decimal key sends "." or "," depending on the keyboard
    // layout; either one means the separator of the locale the rate is shown in.
    const bool keypadDecimal = (event->modifiers() & Qt::KeypadModifier) &&
                               (event->key() == Qt::Key_Period || event->key() == Qt::Key_Comma);
    if (keypadDecimal || typed == QStringLiteral(".") || typed == QStringLiteral(",")) {
        insertTyped(QLocale().decimalPoint());
        event->accept();
        return;
    }

    // Editing and navigation keys carry no printable text.
    if (typed.isEmpty() || !typed.at(0).isPrint()) {
        QLineEdit::keyPressEvent(event);
        return;
    }

    for (const QChar c : typed)
        insertTyped(QString(c));
    // Swallowed characters must not travel on to the parent as unhandled keys.
    event->accept();
}

// Puts `typed` where the user means it: over the selection or at the cursor,
// but never inside or after the " %". Refuses anything that would not leave a
// (partial) number of at most two decimals.
bool TRateEdit::insertTyped(const QString& typed)
{
    const QString current = text();
    const qsizetype end = numberEnd(current);
    qsizetype from = cursorPosition();
    qsizetype to = from;
    if (hasSelectedText()) {
        from = selectionStart();
        to = selectionEnd();
    }
    from = std::min(from, end);
    to = std::min(to, end);

    QString candidate = current.left(end);
    candidate.replace(from, to - from, typed);
    if (!isEntry(canonical(candidate)))
        return false;

    if (from == to) {
        deselect();
        setCursorPosition(int(from));
    } else {
        setSelection(int(from), int(to - from));
    }
    insert(typed); // goes through QLineEdit so undo and textEdited keep working
    return true;
}

void TRateEdit::selectNumber()
{
    setSelection(0, int(numberEnd(text())));
}

void TRateEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    const Qt::FocusReason reason = event->reason();
    // Back from a context menu the edit is still being worked on; every other
    // way in (including the window opening) starts a new entry.
    if (reason == Qt::PopupFocusReason)
        return;
    selectNumber();
    // The press that gave the focus goes on to place the cursor and drop the
    // selection; select again once the finger is lifted.
    selectAfterClick_ = reason == Qt::MouseFocusReason;
}

void TRateEdit::mouseReleaseEvent(QMouseEvent* event)
{
    QLineEdit::mouseReleaseEvent(event);
    if (selectAfterClick_) {
        selectAfterClick_ = false;
        if (!hasSelectedText())
            selectNumber();
    }
}

void TRateEdit::focusOutEvent(QFocusEvent* event)
{
    selectAfterClick_ = false;
    // A context menu (paste) is still part of editing; everything else ends it.
    // Reformat before QLineEdit emits editingFinished, so listeners see the
    // final text.
    if (event->reason() != Qt::PopupFocusReason) {
        const QString formatted = format(Value());
        if (formatted != text())
            setText(formatted);
    }
    QLineEdit::focusOutEvent(event);
}

} // namespace widgets
