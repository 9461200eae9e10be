#include "win/ErrorReport.h"

#include "fb/FbError.h"
#include "win/MessageDlg.h"

#include <QtGlobal>

namespace win {
namespace {

void report(const char* utf8Message) noexcept
{
    try {
        MessageDlgTitled(ApplicationTitle(), ExceptionMessage(QString::fromUtf8(utf8Message)), MsgKind::Error,
                         MsgButtons::Ok);
    } catch (...) {
        // Nothing left to show it with; at least keep it in the log.
        qCritical("%s", utf8Message);
    }
}

} // namespace

QString ApplicationTitle()
{
    return QStringLiteral("KOVANTELMwst");
}

QString ConnectionLostText()
{
    return QStringLiteral("Die Verbindung zur Datenbank ist unterbrochen. Bitte beenden Sie das Programm und "
                          "starten Sie es neu.");
}

QString ExceptionMessage(const QString& message)
{
    if (!message.isEmpty() && message.back() > u'.')
        return message + u'.';
    return message;
}

void ShowException(const std::exception& e) noexcept
{
    // With the server gone every later action fails the same way; the client's English
    // words alone would not tell the technician that only a new start helps.
    if (const auto* db = dynamic_cast<const fb::FbError*>(&e); db && db->isConnectionLost()) {
        const QByteArray text = (ConnectionLostText() + QStringLiteral("\n\n") + db->message()).toUtf8();
        report(text.constData());
        return;
    }
    report(e.what());
}

void ShowException() noexcept
{
    report("Unbekannter Fehler");
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowException(e);
    } catch (...) {
        ShowException();
    }
    return false;
}

} // namespace win
