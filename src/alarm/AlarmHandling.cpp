#include "alarm/AlarmHandling.h"

#include "alarm/AlarmIntake.h"

AlarmHandling::AlarmHandling(const AlarmHandlingParts& parts)
    : m_intake(parts.intake), m_sound(parts.tree, parts.database, parts.soundPlayer),
      m_actions(parts.tree, parts.launcher, parts.mail, parts.liveView, parts.stationFolder),
      m_windows(parts.tree, parts.database, m_sound, m_actions, parts.liveView, parts.station,
                parts.presentation, parts.views, parts.prompt, parts.beeper, parts.clock),
      m_dispatcher(parts.tree, parts.database, m_sound, m_actions, m_windows, parts.liveView,
                   parts.beeper, parts.station, parts.presentation, parts.trend, parts.diagram),
      m_escalation(parts.tree, parts.database, m_sound, m_actions, m_windows, parts.beeper,
                   parts.dataFolder),
      m_responses(parts.dataFolder)
{
    m_windows.SetResponseLog(&m_responses);
    m_escalation.SetStepListener([this](int64_t arrival) { m_responses.StepTaken(arrival); });
    m_intake.AddListener(&m_dispatcher);
    m_intake.AddListener(&m_escalation);
    m_intake.AddListener(&m_responses);
}

void AlarmHandling::Tick(int64_t nowMs)
{
    m_escalation.Tick(nowMs);
    m_responses.Flush();
}

AlarmHandling::~AlarmHandling()
{
    m_responses.Flush();
    m_intake.RemoveListener(&m_responses);
    m_intake.RemoveListener(&m_escalation);
    m_intake.RemoveListener(&m_dispatcher);
}
