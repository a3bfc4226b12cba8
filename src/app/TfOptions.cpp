#include "TfOptions.h"

#include "AppSettings.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

TfOptions::TfOptions(int* resolution, QWidget* parent) : QDialog(parent), resolution_(resolution)
{
    setWindowTitle(QStringLiteral("Options"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    auto* pages = new QTabWidget(this);
    auto* output = new QWidget;
    auto* row = new QHBoxLayout;
    ResolutionEdit = new QLineEdit(QStringLiteral("100"));
    ResolutionEdit->setToolTip(QStringLiteral("changes the resolution of an images"));
    ResolutionEdit->setMaximumWidth(80);
    row->addWidget(new QLabel(QStringLiteral("Resolution:")));
    row->addWidget(ResolutionEdit);
    row->addWidget(new QLabel(QStringLiteral("dpi")));
    row->addStretch();
    auto* pageLayout = new QVBoxLayout(output);
    pageLayout->addLayout(row);
    pageLayout->addStretch();
    pages->addTab(output, QStringLiteral("Output"));

    btOK = new QPushButton(QStringLiteral("OK"));
    btOK->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btOK);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages);
    layout->addLayout(buttons);
    setFixedSize(290, 212);
    connect(btOK, &QPushButton::clicked, this, &TfOptions::btOKClick);
}

void TfOptions::btOKClick()
{
    *resolution_ = fw::app::parseIntOr(ResolutionEdit->text(), 100);
    accept();
}
