#include "formula/random_state.h"

namespace trevalin {

std::int32_t RandomState::state_ = 1;

} // namespace trevalin
