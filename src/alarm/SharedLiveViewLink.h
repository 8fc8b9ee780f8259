// The live-view link over the shared-memory channels: the alarm table, the
// request queue and the command mailbox's subscribers. The channels belong to
// the main window, which attaches them at start-up. An update that finds a
// channel's mutex held by another program is kept and tried again at the
// next tick, in order, so the station never waits for that program.
#pragma once

#include "alarm/LiveViewLink.h"

#include <cstddef>
#include <deque>
#include <functional>

class AlarmTable;
class CommandMailbox;
class ViewerRequestQueue;

class SharedLiveViewLink final : public LiveViewLink {
public:
    SharedLiveViewLink(AlarmTable& table, ViewerRequestQueue& requests, CommandMailbox& mailbox);

    void AddAlarm(std::string_view recorderName, int32_t camera, std::string_view trackName,
                  int64_t arrival, int32_t priority) override;
    void RemoveAlarm(int64_t arrival) override;
    void SetShownAlarm(int64_t arrival) override;
    void Notify(StationEvent event) override;

    bool ShowLive(std::string_view recorder, int32_t camera, uint8_t flag, int index) override;
    bool ShowTrackByName(std::string_view recorder, std::string_view trackName, int32_t camera,
                         int64_t time, uint8_t flag, int index) override;
    bool ShowTrackByNumber(std::string_view recorder, int32_t trackNumber, int32_t camera,
                           int64_t time, uint8_t flag, int index) override;
    bool LoadPreset(std::string_view presetName) override;

    // Runs the kept updates until one finds its mutex still held.
    void RetryPending() override;
    size_t PendingCount() const { return m_pending.size(); }

    // Beyond this many kept updates the oldest are dropped.
    static constexpr size_t kMaxPending = 1000;

private:
    using Update = std::function<bool()>;

    // Runs the update, or keeps it when earlier ones wait or its mutex is
    // held elsewhere. Returns false only when it failed for another reason.
    bool Run(Update update);
    bool IsHeldElsewhere() const;

    AlarmTable& m_table;
    ViewerRequestQueue& m_requests;
    CommandMailbox& m_mailbox;
    std::deque<Update> m_pending;
};
