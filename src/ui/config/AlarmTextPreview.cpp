#include "ui/config/AlarmTextPreview.h"

#include "config/Translator.h"
#include "events/RgbColor.h"
#include "station/MainWindowLogic.h"
#include "ui/alarms/AlarmScroller.h"
#include "ui/config/QtText.h"

#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

namespace {

// As the alarm window has it.
QColor TextOn(const QColor& background)
{
    RgbColor text = ReadableTextOn({static_cast<uint8_t>(background.red()),
                                    static_cast<uint8_t>(background.green()),
                                    static_cast<uint8_t>(background.blue())});
    return {text.red, text.green, text.blue};
}

QFont Scaled(QFont font, double factor, bool bold)
{
    font.setPointSizeF(font.pointSizeF() * factor);
    font.setBold(bold);
    return font;
}

} // namespace

AlarmTextPreview::AlarmTextPreview(QWidget* parent)
    : QGroupBox(ToQt(Tr("Vorschau des Alarm-Text-Displays")), parent)
{
    setObjectName("AlarmTextPreview");
    m_band = new QFrame(this);
    m_band->setObjectName("PreviewBand");
    m_band->setAutoFillBackground(true);
    m_band->setFrameShape(QFrame::StyledPanel);
    m_shortText = new QLabel(m_band);
    m_shortText->setObjectName("PreviewShortText");
    m_shortText->setWordWrap(true);
    m_shortText->setFont(Scaled(font(), 1.5, true));
    m_longText = new QLabel(m_band);
    m_longText->setObjectName("PreviewLongText");
    m_longText->setWordWrap(true);
    m_longText->setFont(Scaled(font(), 1.1, false));
    m_scroller = new AlarmScroller(m_band);
    m_empty = new QLabel(ToQt(Tr("(kein Text eingeblendet)")), m_band);
    m_empty->setObjectName("PreviewEmpty");
    auto* column = new QVBoxLayout(m_band);
    column->addWidget(m_shortText);
    column->addWidget(m_longText);
    column->addWidget(m_scroller);
    column->addWidget(m_empty);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_band);
    m_timer.setInterval(MainWindowLogic::kTickMs);
    connect(&m_timer, &QTimer::timeout, m_scroller, &AlarmScroller::Advance);
}

void AlarmTextPreview::ShowContent(const AlarmWindowContent& content)
{
    QColor background(content.priorityColor.red, content.priorityColor.green,
                      content.priorityColor.blue);
    QPalette colours = m_band->palette();
    colours.setColor(QPalette::Window, background);
    colours.setColor(QPalette::WindowText, TextOn(background));
    m_band->setPalette(colours);
    m_shortText->setText(ToQt(content.shortText));
    m_shortText->setVisible(content.showShortText);
    m_longText->setText(ToQt(content.longText));
    m_longText->setVisible(content.showLongText);
    if (m_scroller->Text() != ToQt(content.scrollerText))
        m_scroller->SetText(ToQt(content.scrollerText));
    m_scroller->setVisible(content.showScroller);
    m_empty->setVisible(!content.showShortText && !content.showLongText && !content.showScroller);
}

void AlarmTextPreview::showEvent(QShowEvent* event)
{
    QGroupBox::showEvent(event);
    m_timer.start();
}

void AlarmTextPreview::hideEvent(QHideEvent* event)
{
    m_timer.stop();
    QGroupBox::hideEvent(event);
}
