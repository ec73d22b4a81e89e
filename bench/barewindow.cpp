// The reference of the start-up benchmark: an empty Qt Widgets main window of
// the instrument's size, started the same way as the program.

#include <QApplication>
#include <QMainWindow>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("bare"));
    window.resize(480, 272);
    window.show();
    return app.exec();
}
