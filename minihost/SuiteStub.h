// Typed placeholders for suite and callback slots minihost does not implement:
// each has the slot's exact signature, records that it was called (so a test
// can see the effect reached for something new) and returns an error.
#pragma once

#include <algorithm>
#include <cstddef>
#include <type_traits>

namespace minihost {

void NoteUnimplementedCall(const char* function);

template <std::size_t N>
struct FixedString {
    char text[N];
    constexpr FixedString(const char (&s)[N]) { std::copy_n(s, N, text); }
};

template <typename F, FixedString Name>
struct Stub;

template <typename R, typename... Args, FixedString Name>
struct Stub<R (*)(Args...), Name> {
    static R Fn(Args...) {
        NoteUnimplementedCall(Name.text);
        if constexpr (std::is_void_v<R>)
            return;
        else if constexpr (std::is_integral_v<R>)
            return R(1);  // A_Err_GENERIC
        else
            return R{};
    }
};

}  // namespace minihost

#define MINIHOST_STUB(table, member) (table).member = ::minihost::Stub<decltype((table).member), #member>::Fn
