#include "TForm1.h"

TForm1::TForm1(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Framewell 7.6"));
    resize(1024, 700);
}
