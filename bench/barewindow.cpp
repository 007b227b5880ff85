// The least a Qt Widgets program does to show a window the bench's size:
// startup_bench times it beside the bench as the floor of any Qt start-up.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare QMainWindow"));
    window.resize(1280, 722); // the bench's form
    window.show();
    return application.exec();
}
