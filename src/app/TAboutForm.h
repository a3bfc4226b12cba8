#pragma once

#include <QDialog>

#include <functional>

class QLabel;

/// The About window: product name, version, the maker's web page and support address.
class TAboutForm : public QDialog {
    Q_OBJECT

public:
    explicit TAboutForm(std::function<bool(const QUrl&)> openUrl, QWidget* parent = nullptr);

    QLabel* homePageLink;
    QLabel* supportLink;

protected:
    void paintEvent(QPaintEvent* event) override;
};
