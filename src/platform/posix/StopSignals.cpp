#include "platform/StopSignals.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;

void OnStopSignal(int)
{
    g_stopRequested = 1;
}

} // namespace

void InstallStopSignals()
{
    g_stopRequested = 0;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    std::signal(SIGHUP, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
}

bool StopSignalReceived()
{
    return g_stopRequested != 0;
}

void ResetStopSignal()
{
    g_stopRequested = 0;
}
