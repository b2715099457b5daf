// The yardstick of the start-up benchmark: a bare Qt window of the main window's size.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare"));
    window.resize(261, 390);
    window.show();
    return app.exec();
}
