#pragma once

// Writes `value` exactly as %.14g prints it, which is what the stream gives at
// precision 14: the shortest of fixed and exponent form, trailing zeros of the
// fraction dropped, 0.0 as "0" and -0.0 as "-0". No terminator is written.
// `out` needs room for 24 chars, some of which may be written past the
// returned end.
char* putFourteenDigits(char* out, double value);
