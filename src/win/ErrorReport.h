#pragma once

#include <QApplication>
#include <QString>

#include <exception>
#include <utility>

namespace win {

// The application's title, which the error report shows instead of "Fehler".
QString ApplicationTitle();

// The text of the error report: the message with a full stop added when its
// last character sorts after "." (letters, digits, ":", "?" ...; not ")" or
// "!"). An empty message stays empty.
QString ExceptionMessage(const QString& message);

// What the user reads once the connection to the database is gone: only a new start helps.
QString ConnectionLostText();

// Shows the error report for an exception that reached the surface: an error
// box with OK, titled with the application title. what() is read as UTF-8.
// Never throws: should the box itself fail, the message goes to the log.
void ShowException(const std::exception& e) noexcept;
// For anything thrown that is not a std::exception.
void ShowException() noexcept;

// Runs f and reports whatever it throws instead of letting it unwind into
// Qt's event loop, which is undefined behaviour. Every event handler of the
// application is wrapped in it:
//     connect(btn, &QAbstractButton::clicked, this, [this] { win::Guarded([&] { btnCloseClick(this); }); });
// Returns whether f completed.
template <class F> bool Guarded(F&& f) noexcept
{
    try {
        std::forward<F>(f)();
        return true;
    } catch (const std::exception& e) {
        ShowException(e);
    } catch (...) {
        ShowException();
    }
    return false;
}

// The last net for exceptions an unguarded handler lets escape: they are
// reported and the event counts as not handled.
class Application : public QApplication
{
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace win
