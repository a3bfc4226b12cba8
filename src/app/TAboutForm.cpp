#include "TAboutForm.h"

#include "AppEnvironment.h"

#include <QGridLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QUrl>

TAboutForm::TAboutForm(std::function<bool(const QUrl&)> openUrl, QWidget* parent) : QDialog(parent)
{
    using namespace fw::app;
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    auto* grid = new QGridLayout(this);
    auto link = [](const QString& text, const QString& url) {
        // Underlined only while the mouse is over it, like a web link.
        auto* label = new QLabel(QStringLiteral("<a href=\"%1\" style=\"color:#ffffc0; text-decoration:none\">%2</a>")
                                     .arg(url.toHtmlEscaped(), text.toHtmlEscaped()));
        label->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
        QObject::connect(label, &QLabel::linkHovered, label, [label, text, url](const QString& hovered) {
            const char* decoration = hovered.isEmpty() ? "none" : "underline";
            label->setText(QStringLiteral("<a href=\"%1\" style=\"color:#ffffc0; text-decoration:%3\">%2</a>")
                               .arg(url.toHtmlEscaped(), text.toHtmlEscaped(), QLatin1String(decoration)));
        });
        return label;
    };
    const QString mail = QStringLiteral("mailto:") + kSupportAddress + QStringLiteral("?subject=Information request");
    homePageLink = link(kWebPage, kWebPage);
    supportLink = link(kSupportAddress, mail);
    supportLink->setToolTip(QStringLiteral("mailto: ") + kSupportAddress);
    const QList<QPair<QString, QWidget*>> rows = {
        {QStringLiteral("Product Name:"), new QLabel(QStringLiteral("Framewell"))},
        {QStringLiteral("Version:"), new QLabel(QStringLiteral("7.6"))},
        {QStringLiteral("Home Page:"), homePageLink},
        {QStringLiteral("Support:"), supportLink},
    };
    for (int r = 0; r < rows.size(); ++r) {
        auto* name = new QLabel(rows[r].first);
        name->setStyleSheet(QStringLiteral("color: white; font-weight: bold"));
        rows[r].second->setStyleSheet(rows[r].second->styleSheet() + QStringLiteral("color: white"));
        grid->addWidget(name, r, 0);
        grid->addWidget(rows[r].second, r, 1);
    }
    grid->setContentsMargins(24, 24, 24, 24);
    grid->setVerticalSpacing(12);
    for (QLabel* label : {homePageLink, supportLink})
        connect(label, &QLabel::linkActivated, this, [openUrl](const QString& url) {
            if (openUrl)
                openUrl(QUrl(url));
        });
}

void TAboutForm::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QLinearGradient gradient(rect().topLeft(), rect().bottomLeft());
    gradient.setColorAt(0, QColor(0, 128, 0));
    gradient.setColorAt(1, QColor(128, 128, 0));
    painter.fillRect(rect(), gradient);
}
