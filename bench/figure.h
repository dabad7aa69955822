// A benchmark's headline figure, on a line of its own that tools/run-bench.sh gathers into the
// one table `make bench` ends with: what was measured, its value and unit, and its target.
#pragma once

#include <cstdio>

inline void reportFigure(const char* what, double value, const char* unit, const char* target) {
    std::printf("figure|%s|%.4g %s|%s\n", what, value, unit, target);
}
