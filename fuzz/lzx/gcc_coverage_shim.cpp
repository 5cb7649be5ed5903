// Lets GCC-instrumented code drive libFuzzer. Debian 12's clang 14 cannot
// compile our std::expected (it lacks conditionally trivial destructors), so
// the targets are compiled by GCC with -fsanitize-coverage=trace-pc,trace-cmp
// and linked with clang's libFuzzer runtime. GCC's trace-pc calls land here
// and count, per hashed call site, in a table handed to libFuzzer as its
// 8-bit counters; the trace-cmp calls go straight to libFuzzer.

#include <cstddef>
#include <cstdint>

namespace {

constexpr std::size_t counter_count = 1 << 16;
std::uint8_t counters[counter_count];

struct Registration {
    Registration();
};

}

extern "C" void __sanitizer_cov_8bit_counters_init(std::uint8_t* start, std::uint8_t* stop);
extern "C" void __sanitizer_cov_pcs_init(std::uintptr_t const* start, std::uintptr_t const* stop);

Registration::Registration()
{
    __sanitizer_cov_8bit_counters_init(counters, counters + counter_count);
}

namespace {
Registration const registration;
}

extern "C" __attribute__((no_sanitize_address)) void __sanitizer_cov_trace_pc()
{
    // Edge-like coverage: the call site mixed with the one before it.
    static thread_local std::uintptr_t previous = 0;
    auto site = reinterpret_cast<std::uintptr_t>(__builtin_return_address(0));
    std::size_t index = ((site >> 1) ^ previous) & (counter_count - 1);
    previous = site >> 2;
    ++counters[index];
}
