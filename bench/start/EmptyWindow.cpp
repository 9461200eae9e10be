// The floor for the start-up path: a Qt Widgets program that shows one empty window of
// the tool's size, placed as the tool places itself.

#include <QApplication>
#include <QScreen>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(1014, 692);
    // Placed before it is shown, as the tool places itself while it is being shown.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(0, 0), window.size());
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
    window.show();
    return QApplication::exec();
}
