#include "widgets/PageControl.h"

#include "win/ErrorReport.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

namespace widgets {

TPageControl::TPageControl(QWidget* parent) : QTabWidget(parent)
{
    setTabBar(new TPageTabBar(this));
}

bool TPageControl::requestPage(int page)
{
    const int from = currentIndex();
    if (page < 0 || page >= count() || page == from)
        return false;
    bool allow = true;
    // A handler that fails keeps the page, and its error goes to the error report.
    const bool finished = win::Guarded([&] {
        if (OnCanChange)
            OnCanChange(from, page, allow);
    });
    if (!finished || !allow)
        return false;
    setCurrentIndex(page);
    return true;
}

void TPageControl::keyPressEvent(QKeyEvent* event)
{
    if ((event->modifiers() & Qt::ControlModifier) &&
        (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab || event->key() == Qt::Key_PageDown ||
         event->key() == Qt::Key_PageUp)) {
        const bool back = event->key() == Qt::Key_Backtab || event->key() == Qt::Key_PageUp ||
                          (event->modifiers() & Qt::ShiftModifier);
        const int n = count();
        if (n > 1)
            requestPage((currentIndex() + (back ? n - 1 : 1)) % n);
        event->accept();
        return;
    }
    QTabWidget::keyPressEvent(event);
}

TPageTabBar::TPageTabBar(TPageControl* owner) : QTabBar(owner), m_owner(owner)
{
    setDrawBase(false);
    setExpanding(false);
    setUsesScrollButtons(false);
}

void TPageTabBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        const int tab = tabAt(event->position().toPoint());
        if (tab >= 0 && tab != currentIndex())
            m_owner->requestPage(tab);
        event->accept();
        return;
    }
    QTabBar::mousePressEvent(event);
}

void TPageTabBar::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
}

void TPageTabBar::mouseMoveEvent(QMouseEvent* event)
{
    // No dragging of tabs.
    event->accept();
}

void TPageTabBar::keyPressEvent(QKeyEvent* event)
{
    const int n = count();
    int target = -1;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        target = currentIndex() - 1;
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        target = currentIndex() + 1;
        break;
    case Qt::Key_Home:
        target = 0;
        break;
    case Qt::Key_End:
        target = n - 1;
        break;
    default:
        QTabBar::keyPressEvent(event);
        return;
    }
    if (target >= 0 && target < n)
        m_owner->requestPage(target);
    event->accept();
}

void TPageTabBar::wheelEvent(QWheelEvent* event)
{
    // Scrolling over the tabs must not leave a page behind the user's back.
    event->ignore();
}

} // namespace widgets
