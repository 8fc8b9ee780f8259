#include "ui/about/AboutDialog.h"

#include "config/Translator.h"
#include "config/Version.h"
#include "events/TextFormat.h"

#include <QDate>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

QString ToQt(const std::string& text)
{
    return QString::fromStdString(text);
}

// The compiler's date of this file, "Dec  7 2026", as 07.12.2026.
std::string BuildDate()
{
    QString compiled = QString::fromLatin1(__DATE__).simplified();
    QDate date = QLocale::c().toDate(compiled, QStringLiteral("MMM d yyyy"));
    return (date.isValid() ? date.toString(QStringLiteral("dd.MM.yyyy")) : compiled).toStdString();
}

} // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(ToQt(Tr("Info ueber Wardex")));
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(48, 48));
    auto* name = new QLabel(QStringLiteral("Wardex"), this);
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    name->setFont(big);
    auto* details = new QLabel(Details(), this);
    details->setObjectName("Details");
    details->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(ToQt(Tr("OK")), QDialogButtonBox::AcceptRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* text = new QVBoxLayout;
    text->addWidget(name);
    text->addWidget(details);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    setMinimumWidth(360);
}

QString AboutDialog::Details() const
{
    return ToQt(FormatTr(TrNoop("Alarmempfangsstation, Version %s"), ProductVersion())) + "\n" +
           ToQt(FormatTr(TrNoop("Erstellt am %s"), BuildDate())) + "\n" +
           ToQt(FormatTr(TrNoop("Qt-Version %s"), std::string(qVersion())));
}
