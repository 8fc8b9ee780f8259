// What the desktop layer provides to the station's start-up, loop and
// shutdown. The Qt program implements it; tests and servers without a
// desktop use simpler ones.
#pragma once

#include <optional>
#include <string>

class Beeper;
class BusyIndicator;
class ModifierKeys;
class Profile;
class Prompt;
class SoundPlayer;
class Station;

class StationDesktop {
public:
    virtual ~StationDesktop() = default;

    virtual Prompt& Messages() = 0;
    virtual Profile& UserProfile() = 0;
    virtual ModifierKeys& Keys() = 0;
    virtual BusyIndicator& Busy() = 0;
    // The looping alarm sound and the speaker's tones.
    virtual SoundPlayer& Sound() = 0;
    virtual Beeper& Speaker() = 0;

    // The language name of the user's interface when it is one the station
    // may have a translation for (English, Spanish, French, Italian, Dutch,
    // Polish), else nothing.
    virtual std::optional<std::string> InterfaceLanguage() = 0;

    // The start-up progress window: shown at 0, closed at 100.
    virtual void ShowStartupProgress(int percent) = 0;

    // Called once per loop round: dispatch every waiting desktop event.
    virtual void DrainEvents() = 0;

    // The main window, created once the listener runs and destroyed after
    // the loop has stopped.
    virtual void CreateMainWindow(Station& station) = 0;
    virtual void DestroyMainWindow() = 0;
    // The loop has stopped; the database still takes alarms. Forwarding mode
    // ends here, storing what it still holds.
    virtual void LoopEnded() {}
    // The loop has stopped, by the close box or by a stop signal: the main
    // window keeps what an orderly end keeps (column widths, window mode)
    // before the configuration is saved.
    virtual void EndMainWindow() {}
    // The station is ending: every open dialog and message box is cancelled
    // as its "Abbrechen" (or "Nein") would, so that the loops they run
    // return.
    virtual void CancelModalDialogs() {}
};
