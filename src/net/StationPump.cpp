// Housekeeping of the station's pump.
#include "net/StationPump.h"

#include <utility>

StationPump::StationPump(MessageDrain drain) : m_drain(std::move(drain)) {}

void StationPump::Housekeeping()
{
    SocketPump::Housekeeping();
    if (m_drain && !m_sessionEnding)
        m_drain();
    if (m_quitRequested) {
        m_quitRequested = false;
        Stop();
    }
}
