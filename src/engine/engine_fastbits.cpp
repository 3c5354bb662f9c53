// The search again, for processors with popcnt, bmi and bmi2: the build compiles
// this file with those instructions enabled, when the compiler can (see CMakeLists.txt).

#ifdef SUDOKU_ENGINE_FASTBITS
#include "engine_variants.h"

#define SUDOKU_ENGINE_VARIANT fastbits
#include "engine_search.h"
#endif
