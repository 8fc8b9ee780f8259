// What the main alarm list works with; everything outlives the list.
#pragma once

class AlarmDatabase;
class AuditTrail;
class AlarmSound;
class AlarmWindowManager;
class ConfigTree;
class LiveViewLink;
class PresentationWindow;
class Prompt;
class UserSession;

struct AlarmListParts {
    ConfigTree& tree;
    AlarmDatabase& database;
    // Opening and bulk confirmation; deletion keeps what a window shows.
    AlarmWindowManager& windows;
    // Follows deletions, so it never sounds for an alarm that is gone.
    AlarmSound& sound;
    // The delete right.
    UserSession& users;
    Prompt& prompt;
    LiveViewLink& liveView;
    const PresentationWindow& presentation;
    // Where deletions are recorded; none when null.
    AuditTrail* audit = nullptr;
};
