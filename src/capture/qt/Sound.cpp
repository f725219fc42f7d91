#include "capture/qt/Sound.h"

#ifdef AMBREL_HAVE_CANBERRA
#include <canberra.h>
#endif

namespace Sound {
void playCapture()
{
#ifdef AMBREL_HAVE_CANBERRA
    // One context for the process: opening it connects to the sound server, which is slow to repeat.
    static ca_context* context = [] {
        ca_context* created = nullptr;
        if (ca_context_create(&created) != CA_SUCCESS)
            return static_cast<ca_context*>(nullptr);
        ca_context_change_props(created, CA_PROP_APPLICATION_NAME, "Ambrel", CA_PROP_APPLICATION_ID, "ambrel", nullptr);
        if (ca_context_open(created) != CA_SUCCESS) {
            ca_context_destroy(created);
            return static_cast<ca_context*>(nullptr);
        }
        return created;
    }();
    if (context)
        ca_context_play(context, 0, CA_PROP_EVENT_ID, "screen-capture", CA_PROP_EVENT_DESCRIPTION, "Text copied",
                        nullptr);
#endif
}
} // namespace Sound
