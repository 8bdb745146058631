// The language's vocabulary, one row per built-in operation and per variable.
// Everything that lists built-ins or variables expands these rows: the Op and
// Slot enums, the operation table (operands, result shape), the name tables
// that seed the symbol table, the constant folder, the interpreter's variable
// reads, the disassembler and the help text. Adding a built-in is one row here
// plus its case in the interpreter.
//
// Each list is a macro taking one macro per row kind; expand only the kinds you
// need and define the others as TREVALIN_IGNORE.
#pragma once

#define TREVALIN_IGNORE(...)

// Built-in operations, in the order of the function-name table (the order the
// symbol table is seeded in and the help lists them):
//   FN(code, Name, "name", operands, value operands, shape, fold, "help")
//       an operation called as name(...)
//   ALIAS("name", Name)   another spelling of the FN row above it
//   OP(code, Name, operands, value operands, shape, fold, "help")
//       an operation only an operator or a letter form reaches
// operands: values popped; value operands: of those, how many are popped whole
// (a colour stays a colour); they are always the first in source order.
// shape: a ResultShape. fold: noFold, or fold1/fold2 of the function the
// constant folder applies to literal operands (arith.h); the interpreter must
// compute the same bits.
// The words and, or, mod, xor and the letters r g b c s l have no rows: the
// scanner reads them as operators or letters before any name look-up.
#define TREVALIN_BUILTINS(FN, ALIAS, OP)                                                           \
    FN(1, Int, "int", 1, 0, Number, fold1(intOp), "a truncated toward zero")                       \
    FN(2, Sqrt, "sqrt", 1, 0, Number, noFold, "square root")                                       \
    FN(3, Log, "log", 1, 0, Number, noFold, "natural logarithm")                                   \
    FN(4, Log10, "log10", 1, 0, Number, noFold, "base-10 logarithm")                               \
    FN(5, Abs, "abs", 1, 0, Number, noFold, "absolute value")                                      \
    ALIAS("fabs", Abs)                                                                             \
    FN(6, Sign, "sign", 1, 0, Number, noFold, "-1 for a negative argument, else 1")                \
    FN(7, Exp, "exp", 1, 0, Number, noFold, "e raised to a")                                       \
    FN(8, Cos, "cos", 1, 0, Number, noFold, "cosine (radians)")                                    \
    FN(9, Sin, "sin", 1, 0, Number, noFold, "sine (radians)")                                      \
    FN(10, Tan, "tan", 1, 0, Number, noFold, "tangent (radians)")                                  \
    FN(11, Acos, "acos", 1, 0, Number, noFold, "arc cosine")                                       \
    FN(12, Asin, "asin", 1, 0, Number, noFold, "arc sine")                                         \
    FN(13, Atan, "atan", 1, 0, Number, noFold, "arc tangent")                                      \
    FN(14, Cosh, "cosh", 1, 0, Number, noFold, "hyperbolic cosine")                                \
    FN(15, Sinh, "sinh", 1, 0, Number, noFold, "hyperbolic sine")                                  \
    FN(16, Tanh, "tanh", 1, 0, Number, noFold, "hyperbolic tangent")                               \
    FN(17, Sin2, "sin2", 1, 0, Number, noFold, "sin(a) squared")                                   \
    FN(18, Cos2, "cos2", 1, 0, Number, noFold, "cos(a) squared")                                   \
    FN(19, Sin3, "sin3", 1, 0, Number, noFold, "sin(a) cubed")                                     \
    FN(20, Cos3, "cos3", 1, 0, Number, noFold, "cos(a) cubed")                                     \
    FN(21, Mandel, "mandel", 0, 0, Number, noFold,                                                 \
       "Mandelbrot iteration count at the point (x, y)")                                           \
    ALIAS("mand", Mandel)                                                                          \
    FN(23, Man3, "man3", 0, 0, Number, noFold, "cubic Mandelbrot iteration count at (x, y)")       \
    FN(22, Manc, "manc", 0, 0, Number, noFold, "Mandelbrot, real-valued, at the point (x, y)")     \
    ALIAS("mcpm", Manc)                                                                            \
    FN(24, Julia, "julia", 0, 0, Number, noFold, "Julia set at (x, y) with parameter (jx, jy)")    \
    FN(25, Zebra, "zebra", 4, 0, Number, noFold, "zebra fractal")                                  \
    FN(30, Dragon, "dragon", 0, 0, Number, noFold,                                                 \
       "dragon fractal at (x, y) with parameter (jx, jy)")                                         \
    FN(31, Fbm, "fbm", 6, 0, Number, noFold, "fractional Brownian motion")                         \
    FN(32, Gturb3d, "gturb3d", 3, 0, Number, noFold, "gradient turbulence in three dimensions")    \
    FN(33, Gnoise3d, "gnoise3d", 3, 0, Number, noFold, "gradient noise in three dimensions")       \
    FN(37, Fib, "fib", 1, 0, Number, noFold, "Fibonacci-type count")                               \
    FN(38, Prime, "prime", 1, 0, Number, noFold, "1 when a is prime, else 0")                      \
    FN(26, Noise, "noise", 2, 0, Number, noFold, "value noise in two dimensions")                  \
    FN(28, Noise3d, "noise3d", 3, 0, Number, noFold, "value noise in three dimensions")            \
    FN(27, Turb, "turb", 2, 0, Number, noFold, "turbulence in two dimensions")                     \
    FN(29, Turb3d, "turb3d", 3, 0, Number, noFold, "turbulence in three dimensions")               \
    FN(34, Cond, "cond", 3, 0, Number, noFold, "b when a is not 0, else c")                        \
    FN(35, Angle, "angle", 2, 0, Number, noFold, "angle of the vector (a, b)")                     \
    FN(39, Terp, "terp", 2, 2, Operands, noFold,                                                   \
       "blend of a and b by the time t (colours blend per component)")                             \
    FN(40, Terpt, "terpt", 3, 2, Operands, noFold, "blend of a and b by c")                        \
    FN(41, Ease, "ease", 1, 1, Operands, noFold, "s-curve of a (per component for a colour)")      \
    FN(42, Linen, "linen", 4, 0, Number, noFold, "linear envelope")                                \
    FN(43, Linenr, "linenr", 4, 0, Number, noFold, "envelope with power-law decay")                \
    FN(44, Limit, "limit", 3, 0, Number, noFold, "a clamped to the range b .. c")                  \
    FN(46, Not, "not", 1, 0, Number, noFold, "1 when a is 0, else 0")                              \
    FN(49, Pow2, "pow2", 1, 0, Number, fold1(pow2Op), "2 raised to a")                             \
    FN(48, Pow, "pow", 2, 0, Number, fold2(powOp), "a raised to b")                                \
    FN(67, Red, "red", 2, 0, Number, noFold, "red byte of the source image at (a, b)")             \
    FN(68, Green, "green", 2, 0, Number, noFold, "green byte of the source image at (a, b)")       \
    ALIAS("grn", Green)                                                                            \
    FN(69, Blue, "blue", 2, 0, Number, noFold, "blue byte of the source image at (a, b)")          \
    ALIAS("blu", Blue)                                                                             \
    FN(36, Distance, "distance", 2, 0, Number, noFold, "length of the vector (a, b)")              \
    ALIAS("dist", Distance)                                                                        \
    FN(76, Hypot, "hypot", 2, 0, Number, noFold, "length of the vector (a, b), without overflow")  \
    FN(72, Sample, "sample", 2, 0, Triple, noFold,                                                 \
       "colour of the source image at (a, b), clamped at its edges")                               \
    ALIAS("samp", Sample)                                                                          \
    FN(73, SampleTile, "samptile", 2, 0, Triple, noFold,                                           \
       "colour of the source image at (a, b), tiled")                                              \
    FN(74, Rgb, "rgb", 3, 0, Triple, noFold, "the colour (a, b, c)")                               \
    ALIAS("triple", Rgb)                                                                           \
    FN(75, Hsv, "hsv", 3, 0, Triple, noFold,                                                       \
       "the colour of hue a, saturation b, value c (0 .. 255 each)")                               \
    OP(45, Negate, 1, 0, Number, fold1(negateOp), "negation")                                      \
    OP(47, Complement, 1, 0, Number, fold1(complementOp),                                          \
       "bitwise complement of the truncated value")                                                \
    OP(50, Multiply, 2, 0, Number, fold2(multiplyOp), "product")                                   \
    OP(51, Divide, 2, 0, Number, fold2(divideOp),                                                  \
       "quotient; positive infinity for a zero divisor")                                           \
    OP(52, Mod, 2, 0, Number, fold2(modOp),                                                        \
       "remainder of the truncated values, sign of the dividend; 0 for a zero divisor")            \
    OP(53, Add, 2, 0, Number, fold2(addOp), "sum")                                                 \
    OP(54, Subtract, 2, 0, Number, fold2(subtractOp), "difference")                                \
    OP(55, BitAnd, 2, 0, Number, fold2(bitAndOp), "bitwise and of the truncated values")           \
    OP(56, BitOr, 2, 0, Number, fold2(bitOrOp), "bitwise or of the truncated values")              \
    OP(57, Xor, 2, 0, Number, fold2(xorOp), "bitwise exclusive or of the truncated values")        \
    OP(58, Equal, 2, 0, Number, noFold, "1 when equal, else 0")                                    \
    OP(59, Greater, 2, 0, Number, noFold, "1 when greater, else 0")                                \
    OP(60, Less, 2, 0, Number, noFold, "1 when less, else 0")                                      \
    OP(61, GreaterEqual, 2, 0, Number, noFold, "1 when greater or equal, else 0")                  \
    OP(62, LessEqual, 2, 0, Number, noFold, "1 when less or equal, else 0")                        \
    OP(63, NotEqual, 2, 0, Number, noFold, "1 when not equal, else 0")                             \
    OP(64, LogicalAnd, 2, 0, Number, noFold, "1 when both are not 0, else 0")                      \
    OP(65, LogicalOr, 2, 0, Number, noFold, "1 when either is not 0, else 0")                      \
    /* l[..], c[..], s[..]: the grammar accepts them, and they do nothing. */                      \
    OP(66, LargestAt, 0, 0, Inert, noFold, "no operation; the operands stay")                      \
    OP(70, HueAt, 0, 0, Inert, noFold, "no operation; the operands stay")                          \
    OP(71, SaturationAt, 0, 0, Inert, noFold, "no operation; the operands stay")

// Variables, in the order of the variable-name table:
//   V(Name, slot, "name", dependency, reads, value, "help")
// dependency: the kDepends* bits the variable clears from the compile's flags.
// reads: how the scanner reaches the row:
//   Name      looked up by name in the symbol table
//   Letter    r g b c s l: a letter token; the grammar emits the slot itself
//   Constant  pi pi2 e: read as a number literal; the slot is kept because the
//             byte code defines it and the interpreter honours it
// value: the interpreter's read, an expression of the frame variables `v` and
// the context `ctx`.
#define TREVALIN_VARIABLES(V)                                                                      \
    V(T, 2, "t", kDependsOnPixel, Name, v.t, "time of the frame, 0 .. 1")                          \
    V(X, 4, "x", kDependsOnPixel, Name, v.x, "plane x of the sample")                              \
    V(Y, 5, "y", kDependsOnPixel, Name, v.y, "plane y of the sample")                              \
    V(W, 6, "w", kDependsOnPixel, Name, v.w, "width of the plane region")                          \
    V(H, 7, "h", kDependsOnPixel, Name, v.h, "height of the plane region")                         \
    V(A, 8, "a", kDependsOnPixel, Name, angle(v.x - v.cx, v.y - v.cy),                             \
      "angle of the sample about the region's centre")                                             \
    V(D, 9, "d", kDependsOnPixel, Name, distance(v.x - v.cx, v.y - v.cy),                          \
      "distance of the sample from the region's centre")                                           \
    V(I, 10, "i", kDependsOnPixel, Name, v.i, "the recursion setting, truncated")                  \
    V(N, 11, "n", kDependsOnPixel, Name, v.n, "frame number")                                      \
    V(Fw, 12, "fw", kDependsOnPixel, Name, v.fw, "image width in pixels")                          \
    V(Fh, 13, "fh", kDependsOnPixel, Name, v.fh, "image height in pixels")                         \
    V(Jx, 14, "jx", kDependsOnParameter, Name, v.jx, "value of p0")                                \
    V(Jy, 15, "jy", kDependsOnParameter, Name, v.jy, "value of q0")                                \
    V(Px, 16, "px", kDependsOnPixel, Name, v.px, "pixel column, 0 at the left")                    \
    V(Py, 17, "py", kDependsOnPixel, Name, v.py, "pixel row, 0 at the top")                        \
    V(Pw, 18, "pw", kDependsOnPixel, Name, v.pw, "image width in pixels")                          \
    V(Ph, 19, "ph", kDependsOnPixel, Name, v.ph, "image height in pixels")                         \
    V(Cx, 20, "cx", kDependsOnPixel, Name, v.cx, "x of the region's centre")                       \
    V(Cy, 21, "cy", kDependsOnPixel, Name, v.cy, "y of the region's centre")                       \
    V(Sx, 22, "sx", kDependsOnPixel, Name,                                                         \
      std::cos(sphereLatitude(v)) * std::sin(sphereLongitude(v)),                                  \
      "x of the pixel wrapped onto a sphere")                                                      \
    V(Sy, 23, "sy", kDependsOnPixel, Name,                                                         \
      std::cos(sphereLatitude(v)) * std::cos(sphereLongitude(v)),                                  \
      "y of the pixel wrapped onto a sphere")                                                      \
    V(Sz, 24, "sz", kDependsOnPixel, Name, std::sin(sphereLatitude(v)),                            \
      "z of the pixel wrapped onto a sphere")                                                      \
    V(Random, 3, "?", kDependsOnPixel, Name, RandomState::nextReal(),                              \
      "a new pseudo-random number in (0, 1] at every use")                                         \
    V(R, 25, "r", kDependsOnPixel, Letter, redOf(pixelUnderSample(v)),                             \
      "red byte of the source image under the pixel")                                              \
    V(G, 26, "g", kDependsOnPixel, Letter, greenOf(pixelUnderSample(v)),                           \
      "green byte of the source image under the pixel")                                            \
    V(B, 27, "b", kDependsOnPixel, Letter, blueOf(pixelUnderSample(v)),                            \
      "blue byte of the source image under the pixel")                                             \
    V(C, 28, "c", kDependsOnPixel, Letter, pixelHue(pixelUnderSample(v)),                          \
      "hue of the source image under the pixel, 0 .. 255")                                         \
    V(S, 29, "s", kDependsOnPixel, Letter, pixelSaturation(pixelUnderSample(v)),                   \
      "saturation of the source image under the pixel, 0 .. 255")                                  \
    V(L, 30, "l", kDependsOnPixel, Letter, pixelLargest(pixelUnderSample(v)),                      \
      "largest byte of the source image under the pixel")                                          \
    V(Pi, 32, "pi", kDependsOnNothing, Constant, kPi, "half a turn in radians")                    \
    V(Pi2, 33, "pi2", kDependsOnNothing, Constant, ctx.twoPi, "a full turn in radians")            \
    V(E, 31, "e", kDependsOnNothing, Constant, ctx.eulerE, "the base of the natural logarithm")

// Names the scanner reads as number literals: X(Slot name, "name", value).
// Their slots above read the same values.
#define TREVALIN_CONSTANTS(X)                                                                      \
    X(Pi, "pi", 3.141592653589793)                                                                 \
    X(Pi2, "pi2", 6.283185307179586)                                                               \
    X(E, "e", 2.718281828459045)
