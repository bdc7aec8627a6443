#pragma once
// The main thread's ThreadMessage, through which background threads reach the main thread.
#include "platform/ThreadMessage.h"

namespace talv {

class MainThreadMessage {
public:
    // Created by the first call, which the program's entry makes on the main thread before
    // the main loop runs; the port is then served by the main thread's loop.
    static ThreadMessage& sharedThreadMessage();
};

}  // namespace talv
