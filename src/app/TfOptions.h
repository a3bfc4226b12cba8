#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

/// The Options dialog: the output resolution. Its edit always starts at "100"; OK takes the
/// typed integer (100 for anything else).
class TfOptions : public QDialog {
    Q_OBJECT

public:
    explicit TfOptions(int* resolution, QWidget* parent = nullptr);

    QLineEdit* ResolutionEdit;
    QPushButton* btOK;

    void btOKClick();

private:
    int* resolution_;
};
