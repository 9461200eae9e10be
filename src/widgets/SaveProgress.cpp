#include "widgets/SaveProgress.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace widgets {

int TSaveProgress::ShowAfterMs = 500;

TSaveProgress::TSaveProgress(const QString& caption, QWidget* window)
    : QDialog(window, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_caption(caption),
      m_label(new QLabel(caption, this)), m_bar(new QProgressBar(this))
{
    setObjectName(QStringLiteral("SaveProgress"));
    setWindowTitle(caption);
    setAccessibleName(caption);
    setWindowModality(Qt::WindowModal);
    m_label->setAlignment(Qt::AlignCenter);
    m_bar->setAccessibleName(caption);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_bar);
    setFixedWidth(360);
    m_clock.start();
}

void TSaveProgress::Step(qint64 done, qint64 total)
{
    if (!isVisible() && m_clock.elapsed() < ShowAfterMs)
        return;
    m_bar->setRange(0, static_cast<int>(total));
    m_bar->setValue(static_cast<int>(done));
    m_label->setText(QStringLiteral("%1\n%2 von %3").arg(m_caption).arg(done).arg(total));
    if (!isVisible())
        show();
    // Paint. Input is handled too, so that it is dropped now rather than replayed once the
    // save is over: the window is blocked by this display, and the display itself has
    // nothing to press.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

QString TSaveProgress::Text() const
{
    return m_label->text();
}

int TSaveProgress::Value() const
{
    return m_bar->value();
}

int TSaveProgress::Maximum() const
{
    return m_bar->maximum();
}

void TSaveProgress::keyPressEvent(QKeyEvent* event)
{
    event->ignore();
}

void TSaveProgress::closeEvent(QCloseEvent* event)
{
    event->ignore();
}

} // namespace widgets
