#include "platform/MainThreadMessage.h"

namespace talv {

ThreadMessage& MainThreadMessage::sharedThreadMessage() {
    static ThreadMessage shared;
    return shared;
}

}  // namespace talv
