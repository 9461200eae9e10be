#include "app/MainForm.h"

#include <QAction>

namespace app {

void TMainFrm::CreateArticlesPage() {}

void TMainFrm::FillArticleGrids()
{
    // Nothing is selected after a fill, so there is nothing to save.
    actSetArticlesVatRates->setEnabled(false);
}

bool TMainFrm::SaveArticleChanges()
{
    actSetArticlesVatRates->setEnabled(false);
    return true;
}

} // namespace app
