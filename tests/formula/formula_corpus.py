#!/usr/bin/env python3
"""Prints formulas, one a line: every formula of the bundled presets, then
random ones over the whole vocabulary (every function name and alias, every
variable, operator, constant, letter form, bad input). Seeded, so two runs
print the same lines; compare `trevalin-formula --code` dumps of them before
and after a change that must leave the byte code alone."""
import random
import re
import sys

FUNCTIONS = {
    # name: arguments
    "int": 1, "sqrt": 1, "log": 1, "log10": 1, "abs": 1, "fabs": 1, "sign": 1, "exp": 1,
    "cos": 1, "sin": 1, "tan": 1, "acos": 1, "asin": 1, "atan": 1, "cosh": 1, "sinh": 1,
    "tanh": 1, "sin2": 1, "cos2": 1, "sin3": 1, "cos3": 1, "mandel": 0, "mand": 0,
    "man3": 0, "manc": 0, "mcpm": 0, "julia": 0, "zebra": 4, "dragon": 0, "fbm": 6,
    "gturb3d": 3, "gnoise3d": 3, "fib": 1, "prime": 1, "noise": 2, "noise3d": 3,
    "turb": 2, "turb3d": 3, "cond": 3, "angle": 2, "terp": 2, "terpt": 3, "ease": 1,
    "linen": 4, "linenr": 4, "limit": 3, "not": 1, "pow2": 1, "pow": 2, "red": 2,
    "green": 2, "grn": 2, "blue": 2, "blu": 2, "distance": 2, "dist": 2, "sample": 2,
    "samp": 2, "samptile": 2, "rgb": 3, "triple": 3, "hsv": 3,
    # read as operators or letters, never as function names
    "mod": 2, "xor": 2, "and": 2, "or": 2, "r": 1, "g": 1, "b": 1, "c": 1, "s": 1, "l": 1,
}
VARIABLES = ["t", "x", "y", "w", "h", "a", "d", "i", "n", "fw", "fh", "jx", "jy", "px",
             "py", "pw", "ph", "cx", "cy", "sx", "sy", "sz", "?", "r", "g", "b", "c", "s",
             "l", "pi", "pi2", "e", "unknown", "Foo_1", '"text"']
BINARY = ["+", "-", "*", "/", "^", "**", "%", " mod ", "&", "|", " xor ", "&&", "||",
          " and ", " or ", "=", "==", "!=", "<>", "<", ">", "<=", ">="]
NUMBERS = ["0", "1", "2", "3", "0.5", ".25", "10", "255", "1e", "007", "2147483648",
           "99999999999999999999", "1234567.891"]


def case(word, rng):
    return word.upper() if rng.random() < 0.1 else word


def expr(rng, depth):
    if depth <= 0 or rng.random() < 0.25:
        pick = rng.random()
        if pick < 0.45:
            return rng.choice(NUMBERS)
        return case(rng.choice(VARIABLES), rng)
    pick = rng.random()
    if pick < 0.4:
        return expr(rng, depth - 1) + rng.choice(BINARY) + expr(rng, depth - 1)
    if pick < 0.65:
        name = rng.choice(list(FUNCTIONS))
        count = FUNCTIONS[name]
        if rng.random() < 0.1:
            count = rng.randrange(0, 7)  # a wrong number of values
        args = ", ".join(expr(rng, depth - 1) for _ in range(count))
        return case(name, rng) + "(" + args + ")"
    if pick < 0.72:
        return rng.choice("rgbcsl") + "[" + expr(rng, depth - 1) + ", " + expr(rng, depth - 1) + "]"
    if pick < 0.85:
        return rng.choice(["-", "~", "--", "-~"]) + expr(rng, depth - 1)
    return "(" + expr(rng, depth - 1) + ")"


def damaged(text, rng):
    if not text:
        return text
    i = rng.randrange(len(text))
    return text[:i] + rng.choice(["(", ")", ",", "", "[", "]", "!", "@", " "]) + text[i + 1:]


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 3000
    presets = sys.argv[2] if len(sys.argv) > 2 else None
    if presets:
        with open(presets, encoding="utf-8") as f:
            for line in f:
                m = re.match(r"\s*(red|grn|blu|min|max|left|top|width|height|zoom|recurse|p0|q0)\s+(.*)$", line)
                if m and m.group(2).strip():
                    print(m.group(2).strip())
    rng = random.Random(16)
    for k in range(count):
        text = expr(rng, rng.randrange(1, 7))
        if k % 10 == 9:
            text = damaged(text, rng)
        print(text)
    # Long and deep ones: stack depth and code-area limits.
    print("+".join(["x"] * 40))
    print("(" * 40 + "x" + ")" * 40)
    print("1" + "+1" * 500)
    print("x" + "+x*2" * 300)
    print("-" * 60 + "x")


main()
