#include "formula/stack_depth.h"

#include <vector>

#include "formula/code_walk.h"

namespace trevalin {

int maxStackDepth(const std::uint8_t* code) {
    // One entry per value on the stack: true for a triple (three slots).
    std::vector<bool> values;
    int slots = 0, deepest = 0;
    auto push = [&](bool triple) {
        values.push_back(triple);
        slots += triple ? 3 : 1;
        if (slots > deepest) deepest = slots;
    };
    // A missing operand reads as the number 0 and removes nothing.
    auto pop = [&]() {
        if (values.empty()) return false;
        const bool triple = values.back();
        values.pop_back();
        slots -= triple ? 3 : 1;
        return triple;
    };

    for (int pos = 0; pos < kCodeAreaSize && code[pos] != kRecordEnd;
         pos += recordSize(code + pos)) {
        if (code[pos] == kRecordVariable) {
            const std::uint8_t slot = code[pos + 1];
            if (slot >= kSlotLiteral && slot <= kLastSlot) push(false);
        } else if (code[pos] == kRecordOperation) {
            const OpInfo& info = opInfo(code[pos + 1]);
            if (info.shape == ResultShape::Inert) continue;
            bool anyTriple = false;
            // Operands come off last first; the value operands are the first ones.
            for (int k = info.args - 1; k >= 0; --k) {
                const bool triple = pop();
                if (k < info.values) anyTriple = anyTriple || triple;
            }
            push(info.shape == ResultShape::Triple ||
                 (info.shape == ResultShape::Operands && anyTriple));
        }
    }
    return deepest;
}

} // namespace trevalin
