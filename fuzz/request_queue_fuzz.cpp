// Fuzzes the station's side of the request queue with whatever another
// program left in it: every request the station queues stays inside the
// mapping, whatever count the other side wrote.
#include "SharedChannelFuzz.h"
#include "links/SharedLayouts.h"
#include "links/ViewerRequestQueue.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ViewerRequestQueue queue(FuzzPrefix());
    if (!queue.Register(0))
        return 0;
    if (!OverwriteMapping(ViewerRequestQueue::kMappingName, RequestQueueLayout::kSize, data, size))
        std::abort();
    // The viewer's window as written would get a message; no window of that
    // number listens here.
    queue.ShowLive("10.0.0.1", 2, 0, -1);
    queue.ShowTrackByName("10.0.0.1", "Spur", 1, 1000, 0, 3);
    queue.ShowTrackByNumber("10.0.0.1", 7, 1, 1000, 0, -1);
    queue.LoadPreset("Einfahrt");
    queue.Unregister();
    return 0;
}
