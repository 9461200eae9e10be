#pragma once

// The tool's real main window, opened on a program folder's Kovantel.ini the way the
// program opens it, for the paths that go through the widgets.

#include "data/MainData.h"

#include <QString>

namespace app {
class TMainFrm;
}

namespace bench {

class ToolWindow
{
public:
    // `programFolder` holds Kovantel.ini; waits until the deferred open has run.
    explicit ToolWindow(const QString& programFolder);
    ~ToolWindow();
    ToolWindow(const ToolWindow&) = delete;
    ToolWindow& operator=(const ToolWindow&) = delete;

    app::TMainFrm* frm() const { return m_frm; }
    // As the user asks for a page; throws when the page did not change.
    void requestPage(int page);
    // Paints the whole window now, as the next event loop pass would.
    void paint();

private:
    data::TProcessInfo m_info;
    app::TMainFrm* m_frm = nullptr;
};

} // namespace bench
