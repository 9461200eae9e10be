#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace win {

// The name of this machine as the network knows it (the host name).
QString GetComputerName();

// The account the process runs under.
QString GetUserName();

// Whether the user sits at another machine than this one: the counterpart of
// a Windows remote desktop session. True when the process was reached over
// SSH (SSH_CONNECTION, SSH_CLIENT or SSH_TTY), runs in an xrdp session
// (XRDP_SESSION), or draws on an X display of another host (DISPLAY with a
// host part other than "localhost", "unix", a loopback address or a socket
// path, e.g. "kasse2:10.0"). A variable set to an empty value counts as unset.
// An X display reached over TCP on this very host by its own name counts as
// remote too; no installation does that.
bool IsRemoteSession();
bool IsRemoteSession(const QProcessEnvironment& environment);

} // namespace win
