#include "win/StationIdentity.h"

#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

namespace {

struct RemoteCase
{
    const char* name;
    std::vector<std::pair<const char*, const char*>> variables;
    bool remote;
};

class RemoteSession : public testing::TestWithParam<RemoteCase>
{
};

TEST_P(RemoteSession, FollowsTheEnvironment)
{
    QProcessEnvironment env;
    for (const auto& [name, value] : GetParam().variables)
        env.insert(QString::fromUtf8(name), QString::fromUtf8(value));
    EXPECT_EQ(win::IsRemoteSession(env), GetParam().remote);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RemoteSession,
    testing::Values(
        RemoteCase{"Nothing", {}, false}, RemoteCase{"LocalDisplay", {{"DISPLAY", ":0"}}, false},
        RemoteCase{"LocalDisplayWithScreen", {{"DISPLAY", ":1.0"}, {"HOME", "/root"}}, false},
        RemoteCase{"UnixDisplay", {{"DISPLAY", "unix:0"}}, false},
        RemoteCase{"LocalhostDisplay", {{"DISPLAY", "localhost:0.0"}}, false},
        RemoteCase{"LoopbackDisplay", {{"DISPLAY", "127.0.0.1:0"}}, false},
        RemoteCase{"SocketPathDisplay", {{"DISPLAY", "/tmp/launch-x/org.xquartz:0"}}, false},
        RemoteCase{"WaylandOnly", {{"WAYLAND_DISPLAY", "wayland-0"}}, false},
        RemoteCase{"EmptySshVariables", {{"SSH_CONNECTION", ""}, {"SSH_TTY", ""}, {"DISPLAY", ":0"}}, false},
        RemoteCase{"SshConnection", {{"SSH_CONNECTION", "10.0.0.5 50022 10.0.0.1 22"}}, true},
        RemoteCase{"SshClient", {{"SSH_CLIENT", "10.0.0.5 50022 22"}}, true},
        RemoteCase{"SshTty", {{"SSH_TTY", "/dev/pts/3"}}, true},
        // ssh -X: the display looks local, the connection gives it away.
        RemoteCase{"SshForwardedX",
                   {{"SSH_CONNECTION", "10.0.0.5 1 10.0.0.1 22"}, {"DISPLAY", "localhost:10.0"}},
                   true},
        RemoteCase{"Xrdp", {{"XRDP_SESSION", "1"}, {"DISPLAY", ":10.0"}}, true},
        RemoteCase{"RemoteHostDisplay", {{"DISPLAY", "kasse2:10.0"}}, true},
        RemoteCase{"RemoteAddressDisplay", {{"DISPLAY", "192.168.1.20:0"}}, true},
        RemoteCase{"RemoteIpv6Display", {{"DISPLAY", "fe80::2:0"}}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StationIdentity, NamesThisHostAndAccount)
{
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    EXPECT_EQ(win::GetComputerName().toStdString(), std::string(host));

    const QString user = win::GetUserName();
    EXPECT_FALSE(user.isEmpty());
    // The account of the process, not whatever the environment claims.
    const QByteArray realUser = qgetenv("USER");
    qputenv("USER", "nicht-der-benutzer");
    EXPECT_EQ(win::GetUserName(), user);
    qputenv("USER", realUser);
}

} // namespace
