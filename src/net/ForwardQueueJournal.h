// Where the forwarding client records every change of its queue, so that a
// process killed in the middle loses nothing that was queued.
#pragma once

struct ForwardQueueItem;

class ForwardQueueJournal {
public:
    virtual ~ForwardQueueJournal() = default;

    // The item was added at the end of the queue.
    virtual void Appended(const ForwardQueueItem& item) = 0;
    // The oldest item left the queue.
    virtual void HeadRemoved() = 0;
};
