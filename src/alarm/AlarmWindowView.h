// The visible alarm window, implemented by the desktop layer. The logic
// decides what it shows and where; the view lays out the controls (hidden
// sections collapse and the window shrinks) and reports the operator's
// actions through AlarmWindowEvents.
//
// The logic may close and destroy a view while one of the view's own event
// callbacks runs; a view that cannot be destroyed there (a widget inside
// its own slot) defers deleting its widget.
#pragma once

#include "alarm/AlarmWindowContent.h"
#include "alarm/WindowPlacement.h"

#include <string>

class AlarmWindowView {
public:
    virtual ~AlarmWindowView() = default;

    // Creates the controls from the content and shows the window, modeless.
    virtual void Show(const AlarmWindowContent& content) = 0;
    // The window's size as laid out.
    virtual WindowSize Size() const = 0;
    virtual WorkArea DesktopWorkArea() const = 0;
    virtual void MoveTo(WindowPoint position) = 0;
    virtual void SetWidth(int width) = 0;

    // One step of the running text.
    virtual void AdvanceScroller() = 0;
    virtual void SetCaptionFlash(bool on) = 0;
    // The comment as typed.
    virtual std::string Comment() const = 0;
    // Why "Bestaetigen" did nothing, shown until the comment is edited.
    virtual void ShowRefusal(const std::string& reason) = 0;

    virtual void Raise() = 0;
    virtual void Minimise() = 0;
    virtual void Restore() = 0;
    virtual void Hide() = 0;
    virtual void Unhide() = 0;
    // Hides the window for good; the logic destroys the view later.
    virtual void Close() = 0;
};
