#include "formula/code_emitter.h"

#include <cstring>

#include "formula/fold_rules.h"
#include "formula/opcodes.h"

namespace trevalin {
CodeEmitter::CodeEmitter(std::uint8_t* area) : area_(area) {}

double CodeEmitter::literalAt(int valuePos) const {
    double v;
    std::memcpy(&v, area_ + valuePos, sizeof v);
    return v;
}

void CodeEmitter::setLiteralAt(int valuePos, double value) {
    std::memcpy(area_ + valuePos, &value, sizeof value);
}

bool CodeEmitter::emit(std::uint8_t kind, std::uint8_t code) {
    // An operation on literals replaces them by its result literal. Only the
    // newest one or two records are looked at; see the header.
    if (kind == kRecordOperation && (constantMarks_ & 1u)) {
        const FoldRule& rule = foldRule(code);
        // The newest record is a literal, so its 8 value bytes end at pos_.
        const int newest = pos_ - 8;
        if (rule.operands == 1) {
            setLiteralAt(newest, rule.unary(literalAt(newest)));
            return true;
        }
        // The one before it is a literal too: fold both into the older record
        // and drop the newer one, with its mark.
        if (rule.operands == 2 && (constantMarks_ & 2u)) {
            const int older = newest - kLiteralRecordSize;
            setLiteralAt(older, rule.binary(literalAt(older), literalAt(newest)));
            pos_ -= kLiteralRecordSize;
            constantMarks_ >>= 1;
            return true;
        }
    }
    if (pos_ + 2 + 1 > kCodeAreaSize) return false;
    area_[pos_++] = kind;
    area_[pos_++] = code;
    constantMarks_ <<= 1;
    if (kind == kRecordVariable && code == kSlotLiteral) constantMarks_ |= 1u;
    return true;
}

bool CodeEmitter::emitLiteral(double value) {
    if (pos_ + kLiteralRecordSize + 1 > kCodeAreaSize) return false;
    emit(kRecordVariable, kSlotLiteral);
    setLiteralAt(pos_, value);
    pos_ += 8;
    return true;
}

bool CodeEmitter::emitVariable(std::uint8_t slot) {
    return emit(kRecordVariable, slot);
}

bool CodeEmitter::emitOperation(std::uint8_t code) {
    return emit(kRecordOperation, code);
}

void CodeEmitter::writeEnd() {
    area_[pos_] = kRecordEnd;
}

} // namespace trevalin
