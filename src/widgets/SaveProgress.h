#pragma once

#include <QDialog>
#include <QElapsedTimer>

class QLabel;
class QProgressBar;

namespace widgets {

// Progress of a long save, shown on the window once the save has run for a while. It keeps
// the window painted while the work goes on in the same thread, and takes no input: it has
// nothing to press, and neither Escape nor its close button ends it.
class TSaveProgress : public QDialog
{
    Q_OBJECT
public:
    TSaveProgress(const QString& caption, QWidget* window);

    // Reports `done` of `total`; shows the display once the work has taken longer than
    // ShowAfterMs, and lets the window repaint.
    void Step(qint64 done, qint64 total);
    QString Text() const;
    int Value() const;
    int Maximum() const;

    // How long a save may run before its progress shows.
    static int ShowAfterMs;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override {}

private:
    QString m_caption;
    QLabel* m_label;
    QProgressBar* m_bar;
    QElapsedTimer m_clock;
};

} // namespace widgets
