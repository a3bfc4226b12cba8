#include "app/TForm1.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Framewell"));
    TForm1 window;
    window.show();
    return QApplication::exec();
}
