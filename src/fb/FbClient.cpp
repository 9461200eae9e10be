#include "fb/FbClient.h"

#include "fb/FbError.h"

#include <firebird/Interface.h>

#include <dlfcn.h>
#include <signal.h>

namespace fb {

namespace {
QString& libraryNameRef()
{
    static QString name = QStringLiteral("libfbclient.so.2");
    return name;
}
} // namespace

Client& Client::instance()
{
    static Client client;
    return client;
}

void Client::setLibraryName(const QString& name)
{
    libraryNameRef() = name;
}

QString Client::libraryName()
{
    return libraryNameRef();
}

void Client::ensureLoaded()
{
    if (m_master)
        return;
    if (!m_signalsSaved) {
        static struct sigaction savedInt, savedTerm;
        sigaction(SIGINT, nullptr, &savedInt);
        sigaction(SIGTERM, nullptr, &savedTerm);
        m_savedInt = &savedInt;
        m_savedTerm = &savedTerm;
        m_signalsSaved = true;
    }
    // A failed load is retried on the next attempt: the library may have been installed since.
    void* handle = dlopen(libraryName().toLocal8Bit().constData(), RTLD_NOW | RTLD_GLOBAL);
    if (!handle) {
        const char* why = dlerror();
        throw FbClientMissing(
            QStringLiteral("Die Firebird-Clientbibliothek %1 konnte nicht geladen werden: %2")
                .arg(libraryName(), QString::fromLocal8Bit(why ? why : "")));
    }
    using GetMaster = Firebird::IMaster* (*)();
    auto getMaster = reinterpret_cast<GetMaster>(dlsym(handle, "fb_get_master_interface"));
    if (!getMaster) {
        dlclose(handle);
        throw FbClientMissing(
            QStringLiteral("Die Bibliothek %1 ist keine Firebird-Clientbibliothek.").arg(libraryName()));
    }
    m_handle = handle;
    m_master = getMaster();
    m_util = m_master->getUtilInterface();
    // The dispatcher lives as long as the process; the library is never unloaded because
    // its threads may outlive any single connection.
    m_provider = m_master->getDispatcher();
    m_fbSqlState = reinterpret_cast<void (*)(char*, const std::intptr_t*)>(dlsym(handle, "fb_sqlstate"));
}

void Client::restoreSignalHandlers()
{
    if (!m_signalsSaved)
        return;
    sigaction(SIGINT, m_savedInt, nullptr);
    sigaction(SIGTERM, m_savedTerm, nullptr);
}

QString Client::sqlState(const std::intptr_t* statusVector)
{
    if (!m_fbSqlState || !statusVector)
        return {};
    char state[6] = {};
    m_fbSqlState(state, statusVector);
    return QString::fromLatin1(state, 5);
}

Firebird::IMaster* Client::master()
{
    ensureLoaded();
    return m_master;
}

Firebird::IUtil* Client::util()
{
    ensureLoaded();
    return m_util;
}

Firebird::IProvider* Client::provider()
{
    ensureLoaded();
    return m_provider;
}

} // namespace fb
