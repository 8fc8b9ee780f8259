#include "alarm/AlarmWindowContent.h"

#include "config/Timestamp.h"
#include "config/Translator.h"
#include "events/AlarmTypeCatalogue.h"
#include "events/TextFormat.h"

namespace {

std::string DateAndTime(int64_t storedMs, std::string_view separator)
{
    Timestamp time = Timestamp::FromMs(storedMs);
    return time.FormatDate() + std::string(separator) + time.FormatTime(WithMs::No);
}

} // namespace

AlarmWindowContent ComposeAlarmWindow(const AlarmContext& context, PostProcessing postProcessing)
{
    AlarmSettings none;
    const AlarmSettings& settings = context.settings ? *context.settings : none;
    AlarmWindowContent content;
    content.caption = postProcessing == PostProcessing::Yes
                          ? FormatTr(TrNoop("Nachbearbeitung Rekorder %s"), context.recorderName)
                          : FormatTr(TrNoop("Meldung von Rekorder %s"), context.recorderName);
    content.priority = settings.priority;
    content.priorityColor = PriorityColor(settings.priority);
    content.arrivalText = DateAndTime(context.arrival, ",");
    content.departureText = DateAndTime(context.departure, ", ");

    content.showShortText = settings.showShortText != 0;
    content.shortText = settings.title;
    content.showLongText = settings.showLongText != 0;
    content.longText = settings.message;

    content.showScroller = settings.showScroller == 1;
    if (content.showScroller) {
        std::string cameraPart =
            context.camera < 0
                ? std::string()
                : FormatTr(TrNoop("Kamera: %d +++ "), static_cast<int64_t>(context.camera) + 1);
        std::string trackPart =
            context.track < 0 ? std::string()
                              : FormatTr(TrNoop("Spur-ID: %s +++ "), std::to_string(context.track));
        content.scrollerText =
            FormatTr(TrNoop("Zeitpunkt-Kavex Station: %s +++ Zeitpunkt-Rekorder: %s +++ Art: %s "
                            "+++ %s Rekorder: %s +++ %s"),
                     content.arrivalText, content.departureText,
                     AlarmTypeName(context.alarmType, NameTranslation::Translated), cameraPart,
                     context.recorderName, trackPart);
    }

    content.showComment = settings.requireComment == 1;
    content.commentLabel = Tr("Bearbeitungsnotiz:");
    if (settings.RequiresPhrase()) {
        // The blank too, which French puts before the colon.
        std::string& label = content.commentLabel;
        if (!label.empty() && label.back() == ':')
            label.pop_back();
        while (!label.empty() && label.back() == ' ')
            label.pop_back();
        content.commentLabel += Tr(" (Phrase erforderlich):");
        content.focus = WindowFocus::Comment;
    }
    return content;
}
