// The rate edit, the touch number pad and the pictures, driven the way a
// user drives them: clicks on the pad's keys, typed keys, focus changes.

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QSvgRenderer>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

#include "widgets/NumericKeyboard.h"
#include "widgets/RateEdit.h"
#include "widgets/Resources.h"

using widgets::TNumericKeyboard;
using widgets::TRateEdit;

namespace {

// Five rates in a row above the number pad, as on the page that edits them.
struct Form
{
    QWidget window;
    QList<TRateEdit*> edits;
    TNumericKeyboard* keyboard = nullptr;

    Form()
    {
        auto* column = new QVBoxLayout(&window);
        auto* row = new QHBoxLayout;
        for (int i = 0; i < 5; ++i) {
            auto* edit = new TRateEdit(&window);
            edit->setObjectName(QStringLiteral("rate%1").arg(i));
            row->addWidget(edit);
            edits.append(edit);
        }
        column->addLayout(row);
        keyboard = new TNumericKeyboard(&window);
        column->addWidget(keyboard);
    }

    QAbstractButton* key(const QString& name) const
    {
        for (QAbstractButton* button : keyboard->keys())
            if (button->objectName() == name)
                return button;
        return nullptr;
    }
};

QImage renderSvg(const QString& file)
{
    QSvgRenderer renderer(file);
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    return image;
}

} // namespace

class TestWidgets : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void keyboardTypesIntoFocusedEdit_data();
    void keyboardTypesIntoFocusedEdit();
    void keyboardTabWalksTheTabOrder();
    void tapOnEditSelectsNumberForTheKeyboard();

    void typing_data();
    void typing();
    void clipboardShortcutsStillWork();
    void pasting_data();
    void pasting();

    void setValueFormats_data();
    void setValueFormats();
    void changedFiresOnEveryChange();
    void valueReadsText_data();
    void valueReadsText();

    void pictures_data();
    void pictures();
    void loadIconUsesDrawnDisabledLook_data();
    void loadIconUsesDrawnDisabledLook();
    void loadIconOfUnknownNameIsNull();

private:
    bool clickKeys(const QStringList& names);

    std::unique_ptr<Form> form_;
};

void TestWidgets::init()
{
    form_ = std::make_unique<Form>();
    form_->window.show();
    form_->window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form_->window));
    form_->edits[0]->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), form_->edits[0]);
}

void TestWidgets::cleanup()
{
    form_.reset();
}

bool TestWidgets::clickKeys(const QStringList& names)
{
    for (const QString& name : names) {
        QAbstractButton* key = form_->key(name);
        if (!key) {
            qWarning("no key %s", qPrintable(name));
            return false;
        }
        QTest::mouseClick(key, Qt::LeftButton);
    }
    return true;
}

void TestWidgets::keyboardTypesIntoFocusedEdit_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");

    QTest::newRow("every digit key") << QStringList{"key1", "key2", "key3", "key4", "key5",
                                                    "key6", "key7", "key8", "key9", "key0"}
                                     << "1234567890 %" << 1234567890.0;
    QTest::newRow("decimal key gives the German comma")
        << QStringList{"key7", "keyDecimal", "key5"} << "7,5 %" << 7.5;
    QTest::newRow("second decimal ignored")
        << QStringList{"key7", "keyDecimal", "key5", "keyDecimal", "key2"} << "7,52 %" << 7.52;
    QTest::newRow("third decimal ignored")
        << QStringList{"key7", "keyDecimal", "key1", "key2", "key5"} << "7,12 %" << 7.12;
    QTest::newRow("back removes the last character")
        << QStringList{"key7", "keyDecimal", "key5", "keyBack"} << "7, %" << 7.0;
    QTest::newRow("back on a fresh edit clears the selected number") << QStringList{"keyBack"} << " %" << 0.0;
}

void TestWidgets::keyboardTypesIntoFocusedEdit()
{
    QFETCH(QStringList, keys);
    QFETCH(QString, text);
    QFETCH(double, value);

    QVERIFY(clickKeys(keys));

    QCOMPARE(form_->edits[0]->text(), text);
    QCOMPARE(form_->edits[0]->Value(), value);
    QCOMPARE(QApplication::focusWidget(), form_->edits[0]);
    for (int i = 1; i < form_->edits.size(); ++i)
        QCOMPARE(form_->edits[i]->text(), "0,00 %");
}

void TestWidgets::keyboardTabWalksTheTabOrder()
{
    // Each edit gets a digit, then Tab: the next edit must have the focus with
    // its number selected (so the digit replaces it) and the one left behind
    // must show the full format again.
    for (int i = 0; i < 4; ++i) {
        QVERIFY(clickKeys({QStringLiteral("key%1").arg(i + 1), "keyTab"}));
        QTRY_COMPARE(QApplication::focusWidget(), form_->edits[i + 1]);
        QCOMPARE(form_->edits[i]->text(), QStringLiteral("%1,00 %").arg(i + 1));
    }
    QVERIFY(clickKeys({"key9"}));
    QCOMPARE(form_->edits[4]->text(), "9 %");

    // The pad's own keys are not in the tab order: Tab wraps to the first rate.
    QVERIFY(clickKeys({"keyTab"}));
    QTRY_COMPARE(QApplication::focusWidget(), form_->edits[0]);
}

void TestWidgets::tapOnEditSelectsNumberForTheKeyboard()
{
    TRateEdit* edit = form_->edits[2];
    edit->setValue(19);
    QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(4, edit->height() / 2));
    QTRY_COMPARE(QApplication::focusWidget(), edit);

    QVERIFY(clickKeys({"key8"}));
    QCOMPARE(edit->text(), "8 %");
}

void TestWidgets::typing_data()
{
    QTest::addColumn<int>("firstKey"); // Qt::Key_unknown: type over the selected number
    QTest::addColumn<QString>("input");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("textWhileEditing");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("textAfterLeaving");

    const int none = Qt::Key_unknown;
    const Qt::KeyboardModifiers plain = Qt::NoModifier;
    QTest::newRow("letters swallowed") << none << "12a3" << plain << "123 %" << 123.0 << "123,00 %";
    QTest::newRow("one separator only") << none << "1,5,5" << plain << "1,55 %" << 1.55 << "1,55 %";
    QTest::newRow("third decimal swallowed") << none << "7,125" << plain << "7,12 %" << 7.12 << "7,12 %";
    QTest::newRow("point typed as separator") << none << "1.5" << plain << "1,5 %" << 1.5 << "1,50 %";
    QTest::newRow("keypad decimal first")
        << none << ".5" << Qt::KeyboardModifiers(Qt::KeypadModifier) << ",5 %" << 0.5 << "0,50 %";
    QTest::newRow("keypad comma first")
        << none << ",5" << Qt::KeyboardModifiers(Qt::KeypadModifier) << ",5 %" << 0.5 << "0,50 %";
    QTest::newRow("leading minus") << none << "-5" << plain << "-5 %" << -5.0 << "-5,00 %";
    QTest::newRow("leading plus") << none << "+5" << plain << "+5 %" << 5.0 << "5,00 %";
    QTest::newRow("sign after digits ignored") << none << "5-" << plain << "5 %" << 5.0 << "5,00 %";
    QTest::newRow("second sign ignored") << none << "--5" << plain << "-5 %" << -5.0 << "-5,00 %";
    QTest::newRow("no upper limit") << none << "150" << plain << "150 %" << 150.0 << "150,00 %";
    QTest::newRow("junk alone keeps the number")
        << none << "ab %x" << plain << "19,00 %" << 19.0 << "19,00 %";
    QTest::newRow("lone minus reads 0") << none << "-" << plain << "- %" << 0.0 << "0,00 %";
    QTest::newRow("emptied reads 0") << int(Qt::Key_Backspace) << "" << plain << " %" << 0.0 << "0,00 %";
    QTest::newRow("sign at the start")
        << int(Qt::Key_Home) << "-" << plain << "-19,00 %" << -19.0 << "-19,00 %";
    QTest::newRow("sign inside the number ignored")
        << int(Qt::Key_End) << "-" << plain << "19,00 %" << 19.0 << "19,00 %";
    QTest::newRow("no third decimal at the end")
        << int(Qt::Key_End) << "25" << plain << "19,00 %" << 19.0 << "19,00 %";
    QTest::newRow("digits before the separator still go in")
        << int(Qt::Key_Home) << "1" << plain << "119,00 %" << 119.0 << "119,00 %";
    QTest::newRow("separator in front of a separator ignored")
        << int(Qt::Key_Home) << ",2" << plain << "219,00 %" << 219.0 << "219,00 %";
}

void TestWidgets::typing()
{
    QFETCH(int, firstKey);
    QFETCH(QString, input);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, textWhileEditing);
    QFETCH(double, value);
    QFETCH(QString, textAfterLeaving);

    TRateEdit* edit = form_->edits[1];
    edit->setValue(19);
    edit->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), edit);

    if (firstKey != Qt::Key_unknown)
        QTest::keyClick(edit, Qt::Key(firstKey));
    QTest::keyClicks(edit, input, modifiers);
    QCOMPARE(edit->text(), textWhileEditing);
    QCOMPARE(edit->Value(), value);

    form_->edits[2]->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), form_->edits[2]);
    QCOMPARE(edit->text(), textAfterLeaving);
}

void TestWidgets::clipboardShortcutsStillWork()
{
    TRateEdit* source = form_->edits[0];
    TRateEdit* target = form_->edits[1];
    source->setValue(7.5);
    source->setSelection(0, 4);
    QTest::keySequence(source, QKeySequence::Copy);
    QCOMPARE(QGuiApplication::clipboard()->text(), "7,50");

    target->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), target);
    QTest::keySequence(target, QKeySequence::Paste);
    QCOMPARE(target->text(), "7,50 %");
    QCOMPARE(target->Value(), 7.5);

    QTest::keySequence(target, QKeySequence::Undo);
    QCOMPARE(target->text(), "0,00 %");
}

void TestWidgets::pasting_data()
{
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<bool>("behindSuffix"); // else over the selected number
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");

    QTest::newRow("number") << "7,5" << false << "7,5 %" << 7.5;
    QTest::newRow("number with its suffix") << "7,50 %" << false << "7,50 % %" << 7.5;
    QTest::newRow("point as separator") << "7.25" << false << "7.25 %" << 7.25;
    // Refused pastes change nothing, as a refused key does.
    QTest::newRow("third decimal") << "7,125" << false << "19,00 %" << 19.0;
    QTest::newRow("letters") << "abc" << false << "19,00 %" << 19.0;
    QTest::newRow("two separators") << "1,2,3" << false << "19,00 %" << 19.0;
    QTest::newRow("group separator") << "1.234,5" << false << "19,00 %" << 19.0;
    QTest::newRow("behind the suffix") << "5" << true << "19,00 %" << 19.0;
}

void TestWidgets::pasting()
{
    QFETCH(QString, clipboard);
    QFETCH(bool, behindSuffix);
    QFETCH(QString, text);
    QFETCH(double, value);

    TRateEdit* edit = form_->edits[1];
    edit->setValue(19);
    edit->setFocus(Qt::TabFocusReason); // selects the number
    QTRY_COMPARE(QApplication::focusWidget(), edit);
    if (behindSuffix)
        edit->end(false);
    QGuiApplication::clipboard()->setText(clipboard);
    QTest::keySequence(edit, QKeySequence::Paste);
    QCOMPARE(edit->text(), text);
    QCOMPARE(edit->Value(), value);
}

void TestWidgets::setValueFormats_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("readBack");

    QTest::newRow("standard rate") << 19.0 << "19,00 %" << 19.0;
    QTest::newRow("reduced rate") << 7.5 << "7,50 %" << 7.5;
    QTest::newRow("zero") << 0.0 << "0,00 %" << 0.0;
    QTest::newRow("negative") << -3.25 << "-3,25 %" << -3.25;
    QTest::newRow("above 100") << 150.0 << "150,00 %" << 150.0;
    QTest::newRow("no group separator") << 1234.5 << "1234,50 %" << 1234.5;
    QTest::newRow("rounded to two decimals") << 16.004 << "16,00 %" << 16.0;
    QTest::newRow("no negative zero") << -0.001 << "0,00 %" << 0.0;
}

void TestWidgets::setValueFormats()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QFETCH(double, readBack);

    // Set while another control has the focus, as a page does on loading.
    TRateEdit* edit = form_->edits[3];
    edit->setValue(value);
    QCOMPARE(edit->text(), text);
    QCOMPARE(edit->Value(), readBack);
}

void TestWidgets::changedFiresOnEveryChange()
{
    TRateEdit* edit = form_->edits[0];
    QSignalSpy spy(edit, &TRateEdit::changed);

    edit->setValue(19);
    QCOMPARE(spy.count(), 1);
    edit->setValue(19); // same text: QLineEdit alone would stay silent
    QCOMPARE(spy.count(), 2);
    edit->setValue(19.001); // different number, same text
    QCOMPARE(spy.count(), 3);

    edit->home(false); // behind "19,00" a digit would be a third decimal
    QTest::keyClick(edit, Qt::Key_5);
    QCOMPARE(spy.count(), 4);
    QTest::keyClick(edit, Qt::Key_A); // swallowed: nothing changed
    QCOMPARE(spy.count(), 4);
    QVERIFY(clickKeys({"key1"}));
    QCOMPARE(spy.count(), 5);
}

void TestWidgets::valueReadsText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");

    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("blanks") << "   " << 0.0;
    QTest::newRow("suffix only") << " %" << 0.0;
    QTest::newRow("formatted") << "19,00 %" << 19.0;
    QTest::newRow("suffix without blank") << "7,5%" << 7.5;
    QTest::newRow("surrounding blanks") << "  7,5 %  " << 7.5;
    QTest::newRow("point as separator") << "7.5" << 7.5;
    QTest::newRow("plus sign") << "+3" << 3.0;
    QTest::newRow("pasted with group separator") << "1.234,5" << 1234.5;
    QTest::newRow("pasted in front of the suffix") << "7,50 % %" << 7.5;
    QTest::newRow("two separators") << "1,2,3" << 0.0;
    QTest::newRow("words") << "neunzehn" << 0.0;
    QTest::newRow("junk after the suffix") << "19 %x" << 0.0;
    // Only typing is filtered; text from code is read as it would show.
    QTest::newRow("third decimal rounded up") << "7,125 %" << 7.13;
    QTest::newRow("third decimal rounded down") << "7,124" << 7.12;
}

void TestWidgets::valueReadsText()
{
    QFETCH(QString, text);
    QFETCH(double, value);

    TRateEdit* edit = form_->edits[3];
    edit->setText(text);
    QCOMPARE(edit->Value(), value);
}

void TestWidgets::pictures_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("grey");

    QTest::newRow("app") << ":/icons/app.svg" << false;
    for (const char* name : {"door", "floppy", "docs_plus", "docs_minus", "arrow_right", "arrow_left"}) {
        const QString base = QStringLiteral(":/icons/%1").arg(QLatin1String(name));
        QTest::newRow(name) << base + ".svg" << false;
        QTest::newRow(qPrintable(base.mid(8) + "_disabled")) << base + "_disabled.svg" << true;
    }
}

void TestWidgets::pictures()
{
    QFETCH(QString, file);
    QFETCH(bool, grey);

    QSvgRenderer renderer(file);
    QVERIFY(renderer.isValid());
    QCOMPARE(renderer.viewBoxF(), QRectF(0, 0, 32, 32));

    // Something is drawn, and its colours fit the state: a disabled look must
    // be free of colour, a normal one must have some.
    const QImage image = renderSvg(file).convertToFormat(QImage::Format_ARGB32);
    int visible = 0;
    int maxChroma = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() < 128)
                continue;
            ++visible;
            const int chroma =
                std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()});
            maxChroma = std::max(maxChroma, chroma);
        }
    }
    QVERIFY2(visible > 32 * 32 / 4, qPrintable(QStringLiteral("only %1 pixels drawn").arg(visible)));
    if (grey)
        QVERIFY2(maxChroma <= 4, qPrintable(QStringLiteral("colour %1 in a disabled look").arg(maxChroma)));
    else
        QVERIFY(maxChroma >= 60);
}

void TestWidgets::loadIconUsesDrawnDisabledLook_data()
{
    QTest::addColumn<QString>("name");
    for (const char* name : {"door", "floppy", "docs_plus", "docs_minus", "arrow_right", "arrow_left"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestWidgets::loadIconUsesDrawnDisabledLook()
{
    QFETCH(QString, name);

    const QIcon icon = widgets::LoadIcon(name);
    QVERIFY(!icon.isNull());
    const auto pixels = [&](QIcon::Mode mode) {
        return icon.pixmap(QSize(32, 32), 1.0, mode).toImage().convertToFormat(QImage::Format_ARGB32);
    };
    QCOMPARE(pixels(QIcon::Normal),
             renderSvg(QStringLiteral(":/icons/%1.svg").arg(name)).convertToFormat(QImage::Format_ARGB32));
    QCOMPARE(pixels(QIcon::Disabled), renderSvg(QStringLiteral(":/icons/%1_disabled.svg").arg(name))
                                          .convertToFormat(QImage::Format_ARGB32));
}

void TestWidgets::loadIconOfUnknownNameIsNull()
{
    QVERIFY(widgets::LoadIcon(QStringLiteral("no_such_picture")).isNull());
    // The application icon has no disabled drawing and must still load.
    QVERIFY(!widgets::LoadIcon(QStringLiteral("app")).isNull());
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    widgets::InitResources();
    TestWidgets test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_widgets.moc"
