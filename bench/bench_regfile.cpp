// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a large register file, against a floor that only splits the same
// bytes into lines: the gap between the two is what the scanning costs.

#include "benchmain.h"
#include "regfile/registerfile.h"

#include <QBuffer>
#include <QByteArray>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <vector>

namespace {

constexpr int statementCount = 100'000;
constexpr std::size_t floorBlockSize = 64 * 1024;

// Register statements without the write mark, so only the reader is timed.
const QByteArray &registerFileText()
{
    static const QByteArray text = [] {
        constexpr quint32 seed = 40613;
        QRandomGenerator random(seed);
        QByteArray result;
        for (int i = 0; i < statementCount; ++i) {
            result += QString::asprintf("reg 0x%02X 0x%02X\n", random.bounded(16),
                                        random.bounded(256))
                          .toLatin1();
        }
        return result;
    }();
    return text;
}

void BM_parse_reg_file(benchmark::State &state)
{
    QBuffer buffer;
    buffer.setData(registerFileText());
    buffer.open(QIODevice::ReadOnly);
    std::array<quint8, 16> registers {};
    std::int64_t lines = 0;
    for (auto _ : state) {
        buffer.seek(0);
        int errorLine = 0;
        const int result = parse_reg_file(buffer, errorLine, registers.data(),
                                          int(registers.size()), {}, [](int) {});
        if (result != statementCount)
            state.SkipWithError("unexpected line count");
        lines += result;
    }
    benchmark::DoNotOptimize(registers);
    state.SetItemsProcessed(lines);
}

// The floor: the same device read in blocks, each line found with memchr and
// nothing else done with it.
void BM_split_lines_floor(benchmark::State &state)
{
    QBuffer buffer;
    buffer.setData(registerFileText());
    buffer.open(QIODevice::ReadOnly);
    std::vector<char> block(floorBlockSize);
    std::int64_t lines = 0;
    for (auto _ : state) {
        buffer.seek(0);
        qint64 count = 0;
        while ((count = buffer.read(block.data(), qint64(block.size()))) > 0) {
            const char *p = block.data();
            const char *const end = p + count;
            while (const auto *feed = static_cast<const char *>(
                       std::memchr(p, '\n', std::size_t(end - p)))) {
                benchmark::DoNotOptimize(p);
                p = feed + 1;
                ++lines;
            }
        }
    }
    state.SetItemsProcessed(lines);
}

} // namespace

BENCHMARK(BM_parse_reg_file)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_split_lines_floor)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return runBenchmarks(argc, argv);
}
