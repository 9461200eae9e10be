#pragma once

#include "HostDb.h"
#include "app/MainForm.h"
#include "data/MainData.h"

#include <QTemporaryDir>

#include <memory>

namespace testsupport {

// A program folder with Kovantel.ini, a host database and the real main window, as the
// GUI tests need them. The window is shown; its deferred open runs on its own timer.
class AppHarness
{
public:
    explicit AppHarness(ProtocolForm form = ProtocolForm::V8, const QString& server = QStringLiteral("main"));
    ~AppHarness();

    HostDb& host() { return *m_host; }
    QString programFolder() const { return m_dir.path() + QLatin1Char('/'); }
    void writeIni() { m_host->writeIni(m_dir.path()); }
    void writeIniText(const QString& text);
    void removeIni();

    // Creates and shows the window (MainFrm).
    app::TMainFrm* start();
    // Waits until the deferred open has run: the window is editable, or closed, or a box
    // has been shown.
    bool waitForOpen(int timeoutMs = 15000);
    app::TMainFrm* window() const { return m_window; }

private:
    QTemporaryDir m_dir;
    data::TProcessInfo m_info;
    std::unique_ptr<HostDb> m_host;
    app::TMainFrm* m_window = nullptr;
};

// German locale, 96 dpi fonts, no quitting when the window closes; call at the start of a
// GUI test's main.
void PrepareGuiTestApplication();

} // namespace testsupport
