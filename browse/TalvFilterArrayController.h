#pragma once
// The controller of a filter list: its first entry (the All entry) stays on top whatever the sort
// order; the rest is arranged as usual.
#include "browse/ArrayController.h"

namespace talv {

class TalvFilterArrayController : public ArrayController {
public:
    Value::Array arrangeObjects(const Value::Array& objects) const override;
};

}  // namespace talv
