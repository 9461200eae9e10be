#include "widgets/NumericKeyboard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QToolButton>

namespace widgets {
namespace {

const QColor kBackground(173, 216, 230);

// Light blue faces with a silver edge; pressed keys darken so a finger sees
// the hit even where it covers the caption.
const QString kKeyStyle = QStringLiteral("QToolButton {"
                                         "  background-color: rgb(173, 216, 230);"
                                         "  border: 1px solid rgb(192, 192, 192);"
                                         "  color: black;"
                                         "  font-family: sans-serif;"
                                         "  font-weight: bold;"
                                         "  font-size: 16px;"
                                         "}"
                                         "QToolButton:pressed {"
                                         "  background-color: rgb(132, 198, 219);"
                                         "  border-color: rgb(128, 128, 128);"
                                         "}");

// The words are smaller so that "Back" fits a single 40-pixel key.
const QString kWordKeyStyle = kKeyStyle + QStringLiteral("QToolButton { font-size: 13px; }");

struct KeyDef
{
    const char* caption;
    const char* objectName;
    int key;
    Qt::KeyboardModifiers modifiers;
    const char* text; // what a hardware keyboard would put in the event
    QRect geometry;
};

const KeyDef kKeys[] = {
    {"Tab", "keyTab", Qt::Key_Tab, Qt::NoModifier, "\t", {0, 0, 80, 40}},
    {"Back", "keyBack", Qt::Key_Backspace, Qt::NoModifier, "\b", {80, 0, 40, 40}},
    {"7", "key7", Qt::Key_7, Qt::NoModifier, "7", {0, 40, 40, 40}},
    {"8", "key8", Qt::Key_8, Qt::NoModifier, "8", {40, 40, 40, 40}},
    {"9", "key9", Qt::Key_9, Qt::NoModifier, "9", {80, 40, 40, 40}},
    {"4", "key4", Qt::Key_4, Qt::NoModifier, "4", {0, 80, 40, 40}},
    {"5", "key5", Qt::Key_5, Qt::NoModifier, "5", {40, 80, 40, 40}},
    {"6", "key6", Qt::Key_6, Qt::NoModifier, "6", {80, 80, 40, 40}},
    {"1", "key1", Qt::Key_1, Qt::NoModifier, "1", {0, 120, 40, 40}},
    {"2", "key2", Qt::Key_2, Qt::NoModifier, "2", {40, 120, 40, 40}},
    {"3", "key3", Qt::Key_3, Qt::NoModifier, "3", {80, 120, 40, 40}},
    {"0", "key0", Qt::Key_0, Qt::NoModifier, "0", {0, 160, 80, 40}},
    // The keypad's decimal key: layout-neutral, TRateEdit maps it to the
    // locale's separator.
    {".", "keyDecimal", Qt::Key_Period, Qt::KeypadModifier, ".", {80, 160, 40, 40}},
};

} // namespace

TNumericKeyboard::TNumericKeyboard(QWidget* parent) : QWidget(parent)
{
    setFixedSize(160, 200);
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kBackground);
    setPalette(pal);

    for (const KeyDef& def : kKeys) {
        auto* button = new QToolButton(this);
        const QString caption = QString::fromLatin1(def.caption);
        button->setText(caption);
        button->setObjectName(QString::fromLatin1(def.objectName));
        button->setAccessibleName(caption);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        // Taking the focus would move it away from the control being typed into.
        button->setFocusPolicy(Qt::NoFocus);
        button->setStyleSheet(caption.size() > 1 ? kWordKeyStyle : kKeyStyle);
        button->setGeometry(def.geometry);

        const int key = def.key;
        const Qt::KeyboardModifiers modifiers = def.modifiers;
        const QString text = QString::fromLatin1(def.text);
        connect(button, &QToolButton::clicked, this,
                [this, key, modifiers, text] { sendKey(key, modifiers, text); });
        keys_.append(button);
    }
}

// A real key event rather than a direct edit of the target, so every control
// (and its own key filtering) behaves as with a hardware keyboard, and Tab
// walks the tab order through QWidget::event.
void TNumericKeyboard::sendKey(int key, Qt::KeyboardModifiers modifiers, const QString& text)
{
    QPointer<QWidget> target = QApplication::focusWidget();
    if (!target)
        return;
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(target, &press);
    if (!target)
        return; // the key may have closed the control's window
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(target, &release);
}

} // namespace widgets
