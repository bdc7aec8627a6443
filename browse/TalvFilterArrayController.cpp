#include "browse/TalvFilterArrayController.h"

namespace talv {

Value::Array TalvFilterArrayController::arrangeObjects(const Value::Array& objects) const {
    if (objects.empty()) return {};
    Value::Array arranged{objects.front()};
    Value::Array rest = ArrayController::arrangeObjects(Value::Array(objects.begin() + 1, objects.end()));
    arranged.insert(arranged.end(), rest.begin(), rest.end());
    return arranged;
}

}  // namespace talv
