#include "platform/Date.h"

#include <chrono>

namespace talv {

Date Date::now() {
    using namespace std::chrono;
    return {duration<double>(system_clock::now().time_since_epoch()).count()};
}

}  // namespace talv
