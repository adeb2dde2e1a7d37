// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_FUZZCHECK_H
#define ZQ40613_FUZZCHECK_H

#include <QLoggingCategory>
#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

// A broken property must end the run the way a crash does, so that libFuzzer
// keeps the input. assert() cannot do that: NDEBUG removes it.
#define FUZZ_CHECK(condition) \
    ((condition) ? void(0) : fuzzCheckFailed(#condition, __FILE__, __LINE__))

[[noreturn]] inline void fuzzCheckFailed(const char *condition, const char *file, int line)
{
    std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, condition);
    std::abort();
}

// A value with guard bytes on both sides, so that a store just beside it
// shows even where it lands inside the same object, out of the address
// sanitizer's sight.
template<typename T>
struct Guarded
{
    static constexpr std::size_t guardSize = 64;
    static constexpr quint8 guardByte = 0xA5;

    explicit Guarded(const T &initial) : value(initial)
    {
        before.fill(guardByte);
        after.fill(guardByte);
    }

    bool guardsIntact() const
    {
        const auto isGuard = [](quint8 b) { return b == guardByte; };
        return std::all_of(before.begin(), before.end(), isGuard)
               && std::all_of(after.begin(), after.end(), isGuard);
    }

    std::array<quint8, guardSize> before;
    T value;
    std::array<quint8, guardSize> after;
};

// The parsers trace what they read. The trace, off by default, is turned on
// so that its formatting of the input runs under the sanitizers too, but its
// lines go nowhere: printing them would cost more than the parsing.
inline void discardTrace()
{
    QLoggingCategory::setFilterRules(QStringLiteral("zq40613.trace.debug=true"));
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
}

#endif
