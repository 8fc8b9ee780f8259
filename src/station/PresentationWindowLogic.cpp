#include "station/PresentationWindowLogic.h"

#include "alarm/AlarmSettingsLookup.h"
#include "alarm/AlarmWindowManager.h"
#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"
#include "config/Translator.h"
#include "db/AlarmDatabase.h"
#include "db/AlarmRecord.h"
#include "events/TextFormat.h"

#include <algorithm>
#include <charconv>

namespace {

constexpr int kUnknownPriority = 6;

int FieldInt(const AlarmRecord& record, AlarmField field)
{
    std::string_view text = record.Field(field);
    int value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// Awaiting an operator: not confirmed, whether postponed or not.
bool Awaits(const AlarmRecord& record)
{
    int state = FieldInt(record, AlarmField::ConfirmState);
    return state == 0 || state == 1;
}

} // namespace

PresentationWindowLogic::PresentationWindowLogic(ConfigTree& tree, AlarmDatabase& database,
                                                 ViewFactory factory)
    : m_tree(tree), m_database(database), m_factory(std::move(factory))
{
}

PresentationWindowLogic::~PresentationWindowLogic() = default;

void PresentationWindowLogic::Enter(bool returnToNormalWhenEmpty)
{
    if (Exists())
        return;
    m_stackMode = Get(m_tree, kStackWindows) != 0;
    m_returnToNormal = returnToNormalWhenEmpty;
    m_view = m_factory(*this);
    Refresh();
    m_view->Show();
    if (m_handlers.entered)
        m_handlers.entered();
}

void PresentationWindowLogic::Leave()
{
    m_view.reset();
    m_records.clear();
    m_unconfirmed = 0;
    m_refreshPending = false;
}

void PresentationWindowLogic::Closed()
{
    if (Exists() && m_handlers.closed)
        m_handlers.closed();
}

bool PresentationWindowLogic::IsActive() const
{
    return m_view != nullptr && m_view->IsShown();
}

void PresentationWindowLogic::CountNewAlarm()
{
    m_refreshPending = true;
}

void PresentationWindowLogic::AddNewAlarm()
{
    m_refreshPending = true;
}

void PresentationWindowLogic::Open()
{
    if (!Exists()) {
        Enter(true);
        return;
    }
    m_view->Show();
    m_view->Activate();
}

int PresentationWindowLogic::PriorityOf(int recordNumber)
{
    AlarmRecord record;
    if (!m_database.Read(recordNumber, record))
        return kUnknownPriority;
    ConfigLock lock(m_tree);
    ConfigNode* settings = FindAlarmSettings(m_tree, FieldInt(record, AlarmField::AlarmType),
                                             FieldInt(record, AlarmField::CameraID),
                                             record.Field(AlarmField::Recorder));
    return settings != nullptr ? Get(*settings, kSettingPriority) : kUnknownPriority;
}

void PresentationWindowLogic::Refresh()
{
    m_records.clear();
    m_unconfirmed = 0;
    AlarmRecord record;
    for (int number = m_database.RecordCount() - 1; number >= 0; --number) {
        if (!m_database.Read(number, record))
            continue;
        bool awaits = Awaits(record);
        m_unconfirmed += awaits ? 1 : 0;
        if (!m_stackMode || awaits)
            m_records.push_back(number);
    }
    if (m_stackMode) {
        // The most urgent first; among equals the newest, as read.
        std::vector<std::pair<int, int>> keyed;
        keyed.reserve(m_records.size());
        for (int number : m_records)
            keyed.emplace_back(PriorityOf(number), number);
        std::stable_sort(keyed.begin(), keyed.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (size_t i = 0; i < keyed.size(); ++i)
            m_records[i] = keyed[i].second;
    }
    m_refreshPending = false;
    if (m_view != nullptr)
        m_view->Reload();
}

void PresentationWindowLogic::ChooseNextAlarm()
{
    if (m_windows == nullptr)
        return;
    Refresh();
    AlarmRecord record;
    for (int number : m_records) {
        if (m_database.Read(number, record) && Awaits(record)) {
            m_windows->OpenSelectedAlarm(number);
            return;
        }
    }
}

void PresentationWindowLogic::SelectAlarm(int64_t arrival)
{
    if (m_view == nullptr)
        return;
    AlarmRecord record;
    std::string key = std::to_string(arrival);
    for (size_t i = 0; i < m_records.size(); ++i) {
        if (m_database.Read(m_records[i], record) && record.Field(AlarmField::TimeArrival) == key) {
            m_view->Select(static_cast<int>(i));
            return;
        }
    }
}

int PresentationWindowLogic::FirstPriority()
{
    return m_records.empty() ? kUnknownPriority : PriorityOf(m_records.front());
}

std::string PresentationWindowLogic::UnconfirmedText() const
{
    return FormatTr(TrNoop("Unquittierte Alarme: %d"), m_unconfirmed);
}
