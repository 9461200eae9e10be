#pragma once

#include <QTabBar>
#include <QTabWidget>

#include <functional>

namespace widgets {

// A page control that asks before the user changes the page. Every way the user can ask
// for another page (a click or tap on a tab, Ctrl+Tab and Ctrl+PageUp/PageDown from
// within a page) goes through OnCanChange; changing the page from code does not ask.
//
// Neither the control nor its tab bar takes the keyboard focus: Tab stays among the
// page's own controls, the on-screen keypad always types into an edit, and no arrow key
// can leave a page (and ask its save question) behind the user's back.
class TPageControl : public QTabWidget
{
    Q_OBJECT
public:
    explicit TPageControl(QWidget* parent = nullptr);

    // fromPage, toPage, allowChange (comes in true). Runs inside the caller's guard; when
    // it throws, the page stays.
    std::function<void(int fromPage, int toPage, bool& allowChange)> OnCanChange;

    // The user asks for `page`: changes only when the handler allows it.
    bool requestPage(int page);

    void setActivePageIndex(int page) { setCurrentIndex(page); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

class TPageTabBar : public QTabBar
{
    Q_OBJECT
public:
    explicit TPageTabBar(TPageControl* owner);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    TPageControl* m_owner;
};

} // namespace widgets
