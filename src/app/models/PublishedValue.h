#pragma once

#include <utility>

namespace qm {

// Stores `value` in `field` and emits `owner`'s `changed` signal, only when the value differs (by
// `==`); returns whether it did. The one shape of a view model's plain property setter.
template <typename Owner, typename Field, typename Value>
bool publish(Owner* owner, Field& field, Value&& value, void (Owner::*changed)())
{
    if (field == value)
        return false;
    field = std::forward<Value>(value);
    (owner->*changed)();
    return true;
}

} // namespace qm
