#pragma once

#include <QMainWindow>

/// The main window: the frame strip and the editor and animator pages.
class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr);
};
