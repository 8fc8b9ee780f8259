#include "alarm/AlarmHandling.h"

#include "alarm/AlarmIntake.h"

AlarmHandling::AlarmHandling(const AlarmHandlingParts& parts)
    : m_intake(parts.intake), m_sound(parts.tree, parts.database, parts.soundPlayer),
      m_actions(parts.tree, parts.launcher, parts.mail, parts.liveView, parts.stationFolder),
      m_windows(parts.tree, parts.database, m_sound, m_actions, parts.liveView, parts.station,
                parts.presentation, parts.views, parts.prompt, parts.beeper),
      m_dispatcher(parts.tree, parts.database, m_sound, m_actions, m_windows, parts.liveView,
                   parts.beeper, parts.station, parts.presentation, parts.trend, parts.diagram),
      m_escalation(parts.tree, parts.database, m_sound, m_actions, m_windows, parts.beeper,
                   parts.dataFolder)
{
    m_intake.AddListener(&m_dispatcher);
    m_intake.AddListener(&m_escalation);
}

AlarmHandling::~AlarmHandling()
{
    m_intake.RemoveListener(&m_escalation);
    m_intake.RemoveListener(&m_dispatcher);
}
