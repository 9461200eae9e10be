#include "widgets/PageControl.h"

#include "win/ErrorReport.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

namespace widgets {

TPageControl::TPageControl(QWidget* parent) : QTabWidget(parent)
{
    setTabBar(new TPageTabBar(this));
    setFocusPolicy(Qt::NoFocus);
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
    setFocusPolicy(Qt::NoFocus);
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
    // QTabBar would switch on the arrow keys without asking. The bar takes no focus, so
    // keys reach it only if code gives it the focus; they go on to the page control,
    // which knows Ctrl+Tab.
    event->ignore();
}

void TPageTabBar::wheelEvent(QWheelEvent* event)
{
    // Scrolling over the tabs must not leave a page behind the user's back.
    event->ignore();
}

} // namespace widgets
