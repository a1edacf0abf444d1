#include "uDlgAbout.h"

#include "FileInfo.h"
#include "LangChanger.h"
#include "uFormat.h"
#include "uTranslateForm.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

QString AboutFlagsText(quint32 flags) {
    QString text;
    if (flags & 0x1)
        text = QStringLiteral(" (Beta)");
    if (flags & 0x2)
        text = QStringLiteral(" (Pre-Release)");
    if (flags & 0x20)
        text = QStringLiteral(" (Special build)");
    return text;
}

namespace {

QString VersionText(const TFixedFileInfo& version, const QDateTime& buildDate) {
    if (version.IsZeroVersion())
        return QString();
    const QString built = QLocale().toString(buildDate.toLocalTime().date(), QLocale::ShortFormat);
    return Format(LangStr(QStringLiteral("sAboutVersion")),
                  {version.Major, version.Minor, version.Release, version.Build, AboutFlagsText(version.FileFlags)}) +
           u' ' + Format(LangStr(QStringLiteral("Built on: %s")), {built});
}

} // namespace

TAboutBox::TAboutBox(QWidget* owner, const TFixedFileInfo& version, const QDateTime& buildDate, const QUrl& homePage)
    : QDialog(owner), m_homePage(homePage) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));

    auto* icon = new QToolButton(this);
    icon->setObjectName(QStringLiteral("imgIcon"));
    icon->setAutoRaise(true);
    icon->setIconSize(QSize(48, 48));
    icon->setIcon(owner ? owner->windowIcon() : QApplication::windowIcon());
    icon->setCursor(Qt::PointingHandCursor);
    connect(icon, &QToolButton::clicked, this, &TAboutBox::OpenHomePage);

    auto* name = new QLabel(GetVersionString(QStringLiteral("ProductName")), this);
    name->setObjectName(QStringLiteral("lblName"));
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);

    auto* versionLabel = new QLabel(VersionText(version, buildDate), this);
    versionLabel->setObjectName(QStringLiteral("lblVersion"));

    auto* link = new QLabel(QStringLiteral("<a href=\"home\">%1</a>").arg(homePage.host().toHtmlEscaped()), this);
    link->setObjectName(QStringLiteral("lblHomePage"));
    link->setCursor(Qt::PointingHandCursor);
    connect(link, &QLabel::linkActivated, this, &TAboutBox::OpenHomePage);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OKButton"));
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(versionLabel);
    texts->addWidget(link);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(texts, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TAboutBox::OpenHomePage() {
    QDesktopServices::openUrl(m_homePage);
}

void ShowAboutBox(QWidget* mainWindow, const QUrl& homePage) {
    TAboutBox box(mainWindow, GetFixedFileInfo(), GetBuildDate(), homePage);
    TranslateForm(&box);
    box.exec();
}
