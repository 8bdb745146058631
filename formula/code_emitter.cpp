#include "formula/code_emitter.h"

#include <cstring>

#include "formula/arith.h"
#include "formula/opcodes.h"

namespace trevalin {
namespace {

// Folds a binary operation on two literals; false for codes that never fold.
bool foldBinary(std::uint8_t code, double a, double b, double& result) {
    switch (static_cast<Op>(code)) {
    case Op::Add: result = a + b; return true;
    case Op::Subtract: result = a - b; return true;
    case Op::Multiply: result = a * b; return true;
    case Op::Divide: result = divideOp(a, b); return true;
    case Op::Pow: result = powOp(a, b); return true;
    case Op::Mod: result = modOp(a, b); return true;
    case Op::BitAnd: result = bitAndOp(a, b); return true;
    case Op::BitOr: result = bitOrOp(a, b); return true;
    case Op::Xor: result = xorOp(a, b); return true;
    default: return false;
    }
}

bool foldUnary(std::uint8_t code, double v, double& result) {
    switch (static_cast<Op>(code)) {
    case Op::Negate: result = -v; return true;
    case Op::Pow2: result = pow2Op(v); return true;
    case Op::Int: result = intOp(v); return true;
    case Op::Complement: result = complementOp(v); return true;
    default: return false;
    }
}

} // namespace

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
    if (kind == kRecordOperation && (constantMarks_ & 1u)) {
        const int newest = pos_ - 8;
        double result;
        if (foldUnary(code, literalAt(newest), result)) {
            setLiteralAt(newest, result);
            return true;
        }
        if ((constantMarks_ & 2u) &&
            foldBinary(code, literalAt(newest - kLiteralRecordSize), literalAt(newest), result)) {
            setLiteralAt(newest - kLiteralRecordSize, result);
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
