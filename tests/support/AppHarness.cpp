#include "AppHarness.h"

#include "win/MessageDlg.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QTest>
#include <QTimer>

namespace testsupport {

AppHarness::AppHarness(ProtocolForm form, const QString& server)
    : m_host(std::make_unique<HostDb>(form, server))
{
    m_info.ProgramFolder = programFolder();
    m_info.ComputerName = QStringLiteral("Kasse1");
    m_info.UserName = QStringLiteral("techniker");
    m_info.Separator = QLatin1Char('/');
    data::TProcessInfo::SetCurrentForTesting(&m_info);
    win::clearAnswers();
    win::clearShownMessages();
    // A box nobody expected is recorded and counts as closed, instead of blocking the test.
    win::setAnswerAllWith(win::MsgResult::Cancel);
}

AppHarness::~AppHarness()
{
    delete m_window;
    data::TProcessInfo::SetCurrentForTesting(nullptr);
    win::clearAnswers();
    win::clearShownMessages();
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void AppHarness::writeIniText(const QString& text)
{
    writeCp1252File(QDir(m_dir.path()).filePath(QStringLiteral("Kovantel.ini")), text);
}

void AppHarness::removeIni()
{
    QFile::remove(QDir(m_dir.path()).filePath(QStringLiteral("Kovantel.ini")));
}

app::TMainFrm* AppHarness::start()
{
    m_window = new app::TMainFrm;
    app::MainFrm = m_window;
    m_window->show();
    return m_window;
}

bool AppHarness::waitForOpen(int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        QTest::qWait(20);
        if (m_window->tmrOpenBranchOffice->isActive())
            continue;
        if (m_window->FEditMode == 1 || !m_window->isVisible() || !win::shownMessages().isEmpty())
            return true;
    }
    return false;
}

void PrepareGuiTestApplication()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QApplication::setQuitOnLastWindowClosed(false);
}

} // namespace testsupport
