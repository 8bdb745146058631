// Appends records to a code area while folding constant sub-expressions. Only
// the newest one or two records are considered, so x*2*3 keeps both literals
// while x*(2*3) folds to x, 6, *.
#pragma once

#include <cstdint>

namespace trevalin {

class CodeEmitter {
  public:
    explicit CodeEmitter(std::uint8_t* area);

    // Each returns false, writing nothing, when the record would not leave room
    // for the End byte.
    bool emitLiteral(double value);
    bool emitVariable(std::uint8_t slot);
    bool emitOperation(std::uint8_t code);
    // Writes the End byte at the write position without moving it.
    void writeEnd();

    int size() const { return pos_; }

  private:
    bool emit(std::uint8_t kind, std::uint8_t code);
    double literalAt(int valuePos) const;
    void setLiteralAt(int valuePos, double value);

    std::uint8_t* area_;
    int pos_ = 0;
    // One bit per emitted record, newest in bit 0: set when it is a literal.
    std::uint32_t constantMarks_ = 0;
};

} // namespace trevalin
