#include <benchmark/benchmark.h>

#include "core/conversions.h"

static void NumberToTextWholeMegabytes(benchmark::State& state) {
    double value = 1536.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(qv::NumberToText(value));
        value += 1.0;
    }
}
BENCHMARK(NumberToTextWholeMegabytes);

static void TextToNumberCaption(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(qv::TextToNumber("1536  M"));
}
BENCHMARK(TextToNumberCaption);
