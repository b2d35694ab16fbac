#include "engine/script_value.h"

#include <cmath>
#include <limits>

namespace varnet::engine {

ScriptValue ScriptValue::Number(double value) {
  if (std::isfinite(value) && std::trunc(value) == value && !(value == 0 && std::signbit(value))) {
    if (value >= std::numeric_limits<std::int32_t>::min() &&
        value <= std::numeric_limits<std::int32_t>::max())
      return Int(static_cast<std::int32_t>(value));
    if (value >= 0 && value <= std::numeric_limits<std::uint32_t>::max())
      return UInt(static_cast<std::uint32_t>(value));
  }
  return Double(value);
}

}  // namespace varnet::engine
