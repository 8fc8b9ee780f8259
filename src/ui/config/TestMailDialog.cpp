#include "ui/config/TestMailDialog.h"

#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"
#include "config/Translator.h"
#include "platform/Prompt.h"
#include "ui/WindowClock.h"
#include "ui/config/QtText.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

constexpr int kIconSize = 32;

// The working animation: four frames of the standard icons, turned through.
QPixmap Frame(QStyle* style, TestMailIcon icon, int frame)
{
    switch (icon) {
    case TestMailIcon::Success:
        return style->standardIcon(QStyle::SP_DialogApplyButton).pixmap(kIconSize);
    case TestMailIcon::Error:
        return style->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(kIconSize);
    case TestMailIcon::Working:
        break;
    }
    static const QStyle::StandardPixmap frames[SmtpTestMail::kAnimationFrames] = {
        QStyle::SP_ArrowUp, QStyle::SP_ArrowRight, QStyle::SP_ArrowDown, QStyle::SP_ArrowLeft};
    return style->standardIcon(frames[frame]).pixmap(kIconSize);
}

} // namespace

TestMailDialog::TestMailDialog(SmtpTestMail::Settings settings, Clock& clock, QWidget* parent)
    : QDialog(parent), m_test(std::move(settings), clock)
{
    setObjectName("TestMailDialog");
    setWindowTitle(ToQt(SmtpTestMail::Caption()));
    m_icon = new QLabel(this);
    m_icon->setObjectName("Icon");
    m_icon->setFixedSize(kIconSize + 8, kIconSize + 8);
    m_icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    m_status = new QLabel(ToQt(m_test.ConnectingText()), this);
    m_status->setObjectName("Status");
    m_status->setWordWrap(true);
    m_status->setMinimumWidth(420);
    m_status->setMinimumHeight(110);
    m_status->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setText(ToQt(Tr("OK")));
    m_ok->setObjectName("Ok");
    m_ok->setEnabled(false);
    buttons->button(QDialogButtonBox::Cancel)->setText(ToQt(Tr("Abbrechen")));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("Cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TestMailDialog::reject);
    auto* row = new QHBoxLayout;
    row->addWidget(m_icon, 0, Qt::AlignTop);
    row->addWidget(m_status, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row, 1);
    layout->addWidget(buttons);
    m_icon->setPixmap(Frame(style(), TestMailIcon::Working, 0));

    m_timer.setInterval(SmtpTestMail::kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &TestMailDialog::OnTick);
    // The loop keeps running while the connecting text is shown.
    QTimer::singleShot(kStartDelayMs, this, &TestMailDialog::Begin);
}

QString TestMailDialog::StatusText() const
{
    return m_status->text();
}

void TestMailDialog::Begin()
{
    if (m_finished || m_test.IsRunning())
        return;
    if (m_test.Begin())
        m_timer.start();
    ShowState();
}

void TestMailDialog::OnTick()
{
    m_test.Tick();
    ShowState();
}

void TestMailDialog::ShowState()
{
    m_status->setText(ToQt(m_test.StatusText()));
    m_icon->setPixmap(Frame(style(), m_test.Icon(), m_test.AnimationFrame()));
    if (m_test.IsRunning())
        return;
    m_timer.stop();
    m_finished = true;
    m_ok->setEnabled(true);
    m_ok->setFocus();
    emit ResultShown();
}

void TestMailDialog::reject()
{
    // Abbrechen ends a running test with the result reached so far.
    if (m_test.IsRunning()) {
        m_test.Cancel();
        ShowState();
    }
    m_finished = true;
    QDialog::reject();
}

void RunTestMail(const ConfigNode& system, Prompt& prompt, const std::string& from,
                 const std::string& to, QWidget* parent)
{
    SmtpTestMail::Settings settings;
    settings.server = Get(system, kMailServer);
    settings.auth = Get(system, kMailDoAuth) == 1 ? SmtpAuth::Yes : SmtpAuth::No;
    settings.authUser = Get(system, kMailAuthUser);
    settings.authPassword = Get(system, kMailAuthPassword);
    settings.from = from;
    settings.to = to;
    TestMailDialog dialog(std::move(settings), WindowClock(), parent);
    if (!dialog.Test().HasRequiredFields()) {
        prompt.Show(SmtpTestMail::MissingFieldsText(), SmtpTestMail::MissingFieldsCaption(),
                    PromptIcon::Error, PromptButtons::Ok);
        return;
    }
    dialog.exec();
}
