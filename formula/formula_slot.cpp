#include "formula/formula_slot.h"

#include <cstring>

namespace trevalin {

void setFormulaText(FormulaSlot& slot, const char* text) {
    std::size_t n = std::strlen(text);
    if (n > kFormulaTextSize - 1) n = kFormulaTextSize - 1;
    std::memcpy(slot.text, text, n);
    slot.text[n] = '\0';
}

} // namespace trevalin
