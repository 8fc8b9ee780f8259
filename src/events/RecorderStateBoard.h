// Every recorder's state at the last look, for the overview, the status bar
// and the availability record. The main window's tick updates it a few times
// a second; it reads the tree, keeps nothing the tree does not have, and
// tells its listener of each recorder whose state changed.
#pragma once

#include "events/RecorderState.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class ConfigTree;

struct RecorderStatus {
    std::string name;
    std::string ip;
    int32_t hybrid = 0;
    RecorderSignals keys;
    RecorderState state = RecorderState::NeverSeen;

    // Address and Hybrid tell recorders apart, as everywhere in the station.
    std::pair<std::string, int32_t> Key() const { return {ip, hybrid}; }

    friend bool operator==(const RecorderStatus&, const RecorderStatus&) = default;
};

class RecorderStateListener {
public:
    virtual ~RecorderStateListener() = default;
    // `before` is empty for a recorder the board sees for the first time
    // (at the start, or newly entered).
    virtual void OnRecorderState(const RecorderStatus& status, std::optional<RecorderState> before,
                                 int64_t atMs) = 0;
};

class RecorderStateBoard {
public:
    RecorderStateBoard(ConfigTree& tree, int graceMinutes);

    // Not owned; null for none.
    void SetListener(RecorderStateListener* listener) { m_listener = listener; }

    // Reads every recorder. True when anything the overview shows changed
    // (a state, a signal time, a class, a name, the list itself).
    bool Update(int64_t nowMs);

    // In the order of the recorder list.
    const std::vector<RecorderStatus>& Recorders() const { return m_recorders; }
    std::array<int, kRecorderStateCount> Counts() const;
    int GraceMinutes() const { return m_graceMinutes; }
    // Grows with every state change told (and every recorder seen first).
    uint64_t StateChanges() const { return m_stateChanges; }

private:
    ConfigTree& m_tree;
    int m_graceMinutes;
    RecorderStateListener* m_listener = nullptr;
    std::vector<RecorderStatus> m_recorders;
    std::map<std::pair<std::string, int32_t>, RecorderState> m_states;
    uint64_t m_stateChanges = 0;
};
