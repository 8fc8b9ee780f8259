#include "ui/alarms/AlarmWindowDialog.h"

#include "config/Translator.h"
#include "events/RgbColor.h"
#include "ui/alarms/AlarmScroller.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindowStateChangeEvent>

namespace {

QString ToQt(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QColor ToQColor(RgbColor color)
{
    return {color.red, color.green, color.blue};
}

QColor TextOn(const QColor& background)
{
    RgbColor text = ReadableTextOn({static_cast<uint8_t>(background.red()),
                                    static_cast<uint8_t>(background.green()),
                                    static_cast<uint8_t>(background.blue())});
    return {text.red, text.green, text.blue};
}

QFont Scaled(const QFont& base, double factor, bool bold)
{
    QFont font = base;
    font.setPointSizeF(base.pointSizeF() * factor);
    font.setBold(bold);
    return font;
}

void Colour(QWidget* widget, const QColor& background, const QColor& text)
{
    QPalette colours = widget->palette();
    colours.setColor(QPalette::Window, background);
    colours.setColor(QPalette::WindowText, text);
    widget->setPalette(colours);
}

const QColor kBandDark(25, 25, 25);
const QColor kBandLight(250, 250, 250);

} // namespace

AlarmWindowDialog::AlarmWindowDialog(AlarmWindowEvents& events, std::function<bool()> shiftHeld)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_events(&events), m_shiftHeld(std::move(shiftHeld))
{
    setObjectName("AlarmWindow");
    setModal(false);
    setAutoFillBackground(true);
    BuildControls();
}

void AlarmWindowDialog::BuildControls()
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    m_band = new QWidget(this);
    m_band->setObjectName("CaptionBand");
    m_band->setAutoFillBackground(true);
    auto* bandRow = new QHBoxLayout(m_band);
    bandRow->setContentsMargins(16, 10, 16, 10);
    m_caption = new QLabel(m_band);
    m_caption->setFont(Scaled(font(), 1.3, true));
    m_priority = new QLabel(m_band);
    m_priority->setFont(Scaled(font(), 1.3, true));
    bandRow->addWidget(m_caption, 1);
    bandRow->addWidget(m_priority);
    outer->addWidget(m_band);

    auto* body = new QVBoxLayout;
    body->setContentsMargins(16, 12, 16, 16);
    body->setSpacing(10);
    outer->addLayout(body);

    auto* times = new QGridLayout;
    times->setHorizontalSpacing(12);
    times->setVerticalSpacing(2);
    m_arrival = new QLabel(this);
    m_departure = new QLabel(this);
    int row = 0;
    for (auto [label, value] : {std::pair{TrNoop("Zeit-Eingang"), m_arrival},
                                std::pair{TrNoop("Zeit-Versand"), m_departure}}) {
        auto* caption = new QLabel(ToQt(Tr(label)), this);
        m_captions.append(caption);
        value->setFont(Scaled(font(), 1.1, true));
        times->addWidget(caption, row, 0);
        times->addWidget(value, row, 1);
        ++row;
    }
    times->setColumnStretch(1, 1);
    body->addLayout(times);

    m_shortText = new QLabel(this);
    m_shortText->setObjectName("ShortText");
    m_shortText->setWordWrap(true);
    m_shortText->setFont(Scaled(font(), 1.7, true));
    body->addWidget(m_shortText);

    m_longText = new QLabel(this);
    m_longText->setObjectName("LongText");
    m_longText->setWordWrap(true);
    m_longText->setFont(Scaled(font(), 1.15, false));
    body->addWidget(m_longText);

    m_scroller = new AlarmScroller(this);
    body->addWidget(m_scroller);

    BuildConfirmation(*body);
}

// The comment, the refusal that a wrong phrase brings, and the button.
void AlarmWindowDialog::BuildConfirmation(QVBoxLayout& body)
{
    m_commentLabel = new QLabel(this);
    m_commentLabel->setObjectName("CommentLabel");
    m_comment = new QLineEdit(this);
    m_comment->setObjectName("Comment");
    m_comment->setMaxLength(AlarmWindowContent::kCommentLimit);
    m_commentLabel->setBuddy(m_comment);
    body.addWidget(m_commentLabel);
    body.addWidget(m_comment);
    m_refusal = new QLabel(this);
    m_refusal->setObjectName("Refusal");
    m_refusal->setWordWrap(true);
    m_refusal->setFont(Scaled(font(), 1.0, true));
    m_refusal->hide();
    body.addWidget(m_refusal);
    connect(m_comment, &QLineEdit::textEdited, this, [this] {
        if (m_refusal->isHidden())
            return;
        m_refusal->hide();
        m_quiet = true;
        FitHeight(width());
        m_quiet = false;
    });

    m_confirm = new QPushButton(ToQt(Tr("Bestaetigen")), this);
    m_confirm->setObjectName("Confirm");
    m_confirm->setDefault(true);
    m_confirm->setFont(Scaled(font(), 1.2, true));
    m_confirm->setMinimumHeight(44);
    // Does what the close box does, for an operator who does not look for it.
    m_postpone = new QPushButton(ToQt(Tr("Zurueckstellen")), this);
    m_postpone->setObjectName("Postpone");
    m_postpone->setAutoDefault(false);
    m_postpone->setMinimumHeight(44);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_confirm, 3);
    buttons->addWidget(m_postpone, 1);
    body.addLayout(buttons);
    connect(m_confirm, &QPushButton::clicked, this, [this] {
        if (m_events != nullptr && !m_closedForGood)
            m_events->OnConfirm();
    });
    connect(m_postpone, &QPushButton::clicked, this, [this] {
        if (m_events != nullptr && !m_closedForGood)
            m_events->OnClose();
    });
}

void AlarmWindowDialog::ApplyColours()
{
    QColor background = ToQColor(m_content.priorityColor);
    QColor text = TextOn(background);
    Colour(this, background, text);
    for (QLabel* label :
         {m_arrival, m_departure, m_shortText, m_longText, m_commentLabel, m_refusal})
        Colour(label, background, text);
    for (QLabel* caption : m_captions)
        Colour(caption, background, text);
    SetCaptionFlash(m_flash);
}

void AlarmWindowDialog::SetCaptionFlash(bool on)
{
    m_flash = on;
    // Dark and light alternate, which shows on every priority colour.
    QColor background = on ? kBandLight : kBandDark;
    QColor text = TextOn(background);
    for (QWidget* widget :
         {m_band, static_cast<QWidget*>(m_caption), static_cast<QWidget*>(m_priority)})
        Colour(widget, background, text);
}

void AlarmWindowDialog::ShowContent(const AlarmWindowContent& content)
{
    m_content = content;
    m_resizable = content.resizable;
    QString caption = ToQt(content.caption);
    setWindowTitle(caption);
    m_caption->setText(caption);
    m_priority->setText(ToQt(Tr("Prio.")) + " " + QString::number(content.priority + 1));
    m_arrival->setText(ToQt(content.arrivalText));
    m_departure->setText(ToQt(content.departureText));

    m_shortText->setText(ToQt(content.shortText));
    m_shortText->setVisible(content.showShortText);
    m_longText->setText(ToQt(content.longText));
    m_longText->setVisible(content.showLongText);
    m_scroller->SetText(ToQt(content.scrollerText));
    m_scroller->setVisible(content.showScroller);

    m_commentLabel->setText(ToQt(content.commentLabel));
    m_commentLabel->setVisible(content.showComment);
    m_comment->setVisible(content.showComment);
    m_comment->setEnabled(content.showComment);
    ApplyColours();

    m_quiet = true;
    FitHeight(kDefaultWidth);
    show();
    m_quiet = false;
    m_reportedWidth = width();
    if (content.showComment && content.focus == WindowFocus::Comment)
        m_comment->setFocus();
    else
        m_confirm->setFocus();
    // Where the window manager refuses the focus, the task bar entry asks.
    QApplication::alert(this);
}

void AlarmWindowDialog::FitHeight(int width)
{
    QLayout* outer = layout();
    outer->activate();
    int height = outer->hasHeightForWidth() ? outer->totalHeightForWidth(width)
                                            : outer->totalSizeHint().height();
    height = std::max(height, outer->totalMinimumSize().height());
    if (m_resizable) {
        setMinimumSize(kMinimumWidth, height);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        resize(width, height);
        return;
    }
    setFixedSize(width, height);
}

void AlarmWindowDialog::PlaceAt(QPoint position)
{
    m_quiet = true;
    move(position);
    m_quiet = false;
    m_placed = true;
    m_reportedPosition = pos();
}

void AlarmWindowDialog::SetWidth(int width)
{
    m_quiet = true;
    FitHeight(std::max(width, kMinimumWidth));
    m_quiet = false;
    m_reportedWidth = this->width();
}

void AlarmWindowDialog::AdvanceScroller()
{
    if (m_scroller->isVisible())
        m_scroller->Advance();
}

void AlarmWindowDialog::MinimiseQuietly()
{
    m_quiet = true;
    showMinimized();
    m_quiet = false;
}

void AlarmWindowDialog::RestoreQuietly()
{
    m_quiet = true;
    showNormal();
    m_quiet = false;
}

void AlarmWindowDialog::CloseForGood()
{
    m_closedForGood = true;
    hide();
}

QString AlarmWindowDialog::Comment() const
{
    return m_comment->text();
}

void AlarmWindowDialog::ShowRefusal(const QString& reason)
{
    m_refusal->setText(reason);
    m_refusal->show();
    m_quiet = true;
    FitHeight(width());
    m_quiet = false;
    m_comment->setFocus();
    m_comment->selectAll();
}

void AlarmWindowDialog::reject()
{
    if (m_closedForGood || m_events == nullptr) {
        QDialog::reject();
        return;
    }
    m_events->OnClose();
}

void AlarmWindowDialog::closeEvent(QCloseEvent* event)
{
    if (m_closedForGood || m_events == nullptr) {
        event->accept();
        return;
    }
    // The logic postpones the alarm and hides the window itself.
    event->ignore();
    m_events->OnClose();
}

void AlarmWindowDialog::moveEvent(QMoveEvent* event)
{
    QDialog::moveEvent(event);
    if (m_quiet || !m_placed || m_closedForGood || m_events == nullptr)
        return;
    if (pos() == m_reportedPosition)
        return;
    m_reportedPosition = pos();
    m_events->OnMoved({m_reportedPosition.x(), m_reportedPosition.y()});
}

void AlarmWindowDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (!m_resizable || m_quiet || !m_placed || m_closedForGood || m_events == nullptr)
        return;
    if (width() == m_reportedWidth)
        return;
    m_reportedWidth = width();
    m_events->OnResized(m_reportedWidth);
}

void AlarmWindowDialog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || m_quiet || m_closedForGood ||
        m_events == nullptr)
        return;
    bool wasMinimised =
        static_cast<QWindowStateChangeEvent*>(event)->oldState().testFlag(Qt::WindowMinimized);
    if (wasMinimised == isMinimized() || !m_shiftHeld || !m_shiftHeld())
        return;
    if (isMinimized())
        m_events->OnMinimiseAll();
    else
        m_events->OnRestoreAll();
}
