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

// Folding works on records, not on stack positions: in postfix code the
// records right before an operation that are literals are exactly its newest
// operands, because a literal record pushes one value and pops none. So when
// the newest one (or two) records are literals, the operation's result can
// replace them without looking further back.
bool CodeEmitter::emit(std::uint8_t kind, std::uint8_t code) {
    if (kind == kRecordOperation && (constantMarks_ & 1u)) {
        const FoldRule& rule = foldRule(code);
        // The newest record is a literal, so its value bytes end at pos_.
        const int newest = pos_ - kLiteralValueSize;
        // A unary fold rewrites the literal in place; the record stays a
        // literal, so its mark stays set and a later operation can fold again
        // (-(2^3) folds twice).
        if (rule.operands == 1) {
            setLiteralAt(newest, rule.unary(literalAt(newest)));
            return true;
        }
        // The one before it is a literal too: fold both into the older record
        // and drop the newer one, with its mark. With one literal only (x*2)
        // the operation is emitted as usual.
        if (rule.operands == 2 && (constantMarks_ & 2u)) {
            const int older = newest - kLiteralRecordSize;
            setLiteralAt(older, rule.binary(literalAt(older), literalAt(newest)));
            pos_ -= kLiteralRecordSize;
            constantMarks_ >>= 1;
            return true;
        }
        // Codes that do not fold (rule.operands 0) fall through. Extra operands
        // below the folded ones are left alone, as the interpreter leaves them.
    }
    if (pos_ + kRecordHeaderSize + 1 > kCodeAreaSize) return false; // + 1: the End byte
    area_[pos_++] = kind;
    area_[pos_++] = code;
    // Marks further back than two records are never read; shifting them out
    // of the word is harmless.
    constantMarks_ <<= 1;
    if (kind == kRecordVariable && code == kSlotLiteral) constantMarks_ |= 1u;
    return true;
}

bool CodeEmitter::emitLiteral(double value) {
    // Checked here for the whole record: emit only checks for the header.
    if (pos_ + kLiteralRecordSize + 1 > kCodeAreaSize) return false;
    emit(kRecordVariable, kSlotLiteral); // a variable record never folds
    setLiteralAt(pos_, value);
    pos_ += kLiteralValueSize;
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
