#include "ToolWindow.h"

#include "app/MainForm.h"
#include "widgets/PageControl.h"
#include "win/MessageDlg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <stdexcept>

namespace bench {

ToolWindow::ToolWindow(const QString& programFolder)
{
    m_info.ProgramFolder =
        programFolder.endsWith(QLatin1Char('/')) ? programFolder : programFolder + QLatin1Char('/');
    m_info.ComputerName = QStringLiteral("Kasse1");
    m_info.UserName = QStringLiteral("techniker");
    m_info.Separator = QLatin1Char('/');
    data::TProcessInfo::SetCurrentForTesting(&m_info);
    // A box nobody expected counts as closed instead of waiting for a click.
    win::setAnswerAllWith(win::MsgResult::Cancel);
    QApplication::setQuitOnLastWindowClosed(false);

    m_frm = new app::TMainFrm;
    app::MainFrm = m_frm;
    m_frm->show();
    QElapsedTimer timer;
    timer.start();
    while (m_frm->FEditMode != 1 && timer.elapsed() < 30000 && win::shownMessages().isEmpty())
        QTest::qWait(20);
    if (m_frm->FEditMode != 1)
        throw std::runtime_error("the tool's window did not open the database");
}

ToolWindow::~ToolWindow()
{
    delete m_frm;
    data::TProcessInfo::SetCurrentForTesting(nullptr);
    win::clearAnswers();
}

void ToolWindow::requestPage(int page)
{
    m_frm->pgcVatRates->requestPage(page);
    if (m_frm->pgcVatRates->currentIndex() != page)
        throw std::runtime_error("the page did not change");
}

void ToolWindow::paint()
{
    m_frm->repaint();
}

} // namespace bench
