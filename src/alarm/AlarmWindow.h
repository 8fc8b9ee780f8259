// The logic of one open alarm window: the alarm it shows (a copy of the
// context, so it survives edits of the settings), the record it belongs to,
// the animation state, and the operator's actions handed to the manager.
#pragma once

#include "alarm/AlarmContext.h"
#include "alarm/AlarmWindowContent.h"
#include "alarm/AlarmWindowEvents.h"
#include "alarm/AlarmWindowView.h"

#include <cstdint>
#include <memory>
#include <optional>

class AlarmWindowManager;

class AlarmWindow final : public AlarmWindowEvents {
public:
    // Every tenth tick of the 25 ms timer toggles the caption's flash.
    static constexpr int kTicksPerFlash = 10;

    AlarmWindow(AlarmWindowManager& manager, AlarmContext context, int recordHint,
                PostProcessing postProcessing);

    void SetView(std::unique_ptr<AlarmWindowView> view) { m_view = std::move(view); }
    AlarmWindowView& View() { return *m_view; }

    const AlarmContext& Context() const { return m_context; }
    int64_t Arrival() const { return m_context.arrival; }
    // The record's number when the window opened; records may have moved
    // since, so it is only a hint for the lookup by arrival time.
    int RecordHint() const { return m_recordHint; }
    PostProcessing IsPostProcessing() const { return m_postProcessing; }

    // Advances the running text; flashes the caption every tenth tick.
    void Tick();
    bool CaptionFlash() const { return m_flash; }
    int Ticks() const { return m_ticks; }

    // The width the operator gave the window, if it was resized.
    std::optional<int> ResizedWidth() const { return m_resizedWidth; }

    bool IsClosed() const { return m_closed; }
    void MarkClosed() { m_closed = true; }

    void OnConfirm() override;
    void OnClose() override;
    void OnMoved(WindowPoint position) override;
    void OnResized(int width) override;
    void OnMinimiseAll() override;
    void OnRestoreAll() override;

private:
    AlarmWindowManager& m_manager;
    AlarmContext m_context;
    int m_recordHint;
    PostProcessing m_postProcessing;
    std::unique_ptr<AlarmWindowView> m_view;
    int m_ticks = 0;
    bool m_flash = false;
    std::optional<int> m_resizedWidth;
    bool m_closed = false;
};
