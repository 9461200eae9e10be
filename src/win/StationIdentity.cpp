#include "win/StationIdentity.h"

#include <QSysInfo>

#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace win {
namespace {

bool isLocalDisplayHost(QStringView host)
{
    // "/tmp/.X11-unix/X0" and the like name a local socket.
    if (host.isEmpty() || host.startsWith(u'/'))
        return true;
    static const char16_t* const localNames[] = {u"localhost", u"unix", u"127.0.0.1", u"::1", u"[::1]"};
    for (const char16_t* name : localNames) {
        if (host.compare(QStringView(name), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool displayIsRemote(const QString& display)
{
    // host:display[.screen]; the host may be an IPv6 address with colons of
    // its own, so the display number follows the last colon.
    const qsizetype colon = display.lastIndexOf(u':');
    if (colon < 0)
        return false;
    return !isLocalDisplayHost(QStringView(display).first(colon));
}

} // namespace

QString GetComputerName()
{
    char buffer[256] = {};
    if (gethostname(buffer, sizeof buffer - 1) == 0 && buffer[0] != '\0')
        return QString::fromLocal8Bit(buffer);
    return QSysInfo::machineHostName();
}

QString GetUserName()
{
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(static_cast<size_t>(size > 0 ? size : 16384));
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_name != nullptr && found->pw_name[0] != '\0')
        return QString::fromLocal8Bit(found->pw_name);
    return qEnvironmentVariable("USER");
}

bool IsRemoteSession()
{
    return IsRemoteSession(QProcessEnvironment::systemEnvironment());
}

bool IsRemoteSession(const QProcessEnvironment& environment)
{
    for (const char* name : {"SSH_CONNECTION", "SSH_CLIENT", "SSH_TTY", "XRDP_SESSION"}) {
        if (!environment.value(QLatin1String(name)).isEmpty())
            return true;
    }
    return displayIsRemote(environment.value(QStringLiteral("DISPLAY")));
}

} // namespace win
