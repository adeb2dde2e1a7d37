// SPDX-License-Identifier: GPL-3.0-or-later
#include "regfile/registerreference.h"

#include "common/chip.h"
#include "regfile/registerfile.h"

#include <algorithm>

RegisterReference RegisterReference::snapshot(const RegisterMirror &values)
{
    RegisterReference reference;
    reference.values = values;
    reference.named.fill(true);
    return reference;
}

bool RegisterReference::namesNoRegister() const
{
    return std::none_of(named.cbegin(), named.cend(), [](bool n) { return n; });
}

int readRegisterReference(QIODevice &file, int &errorLine, RegisterReference &reference)
{
    return parse_reg_file(
            file, errorLine, reference.values.data(), registerMirrorSize, {}, [](int) {},
            [&reference](int address) { reference.named[std::size_t(address)] = true; });
}

QList<BitDifference> differingBits(const RegisterMirror &values, const RegisterReference &reference)
{
    QList<BitDifference> differences;
    for (int address = 0; address < registerMirrorSize; ++address) {
        const auto i = std::size_t(address);
        if (!reference.named[i])
            continue;
        const unsigned differing = values[i] ^ reference.values[i];
        for (int bit = bitsPerRegister - 1; bit >= 0; --bit) {
            if (differing & (1u << bit))
                differences.append({address, bit});
        }
    }
    return differences;
}

QList<RegisterDifference> differingRegisters(const RegisterMirror &values,
                                             const RegisterReference &reference)
{
    QList<RegisterDifference> registers;
    for (const BitDifference &d : differingBits(values, reference)) {
        const auto i = std::size_t(d.address);
        if (registers.isEmpty() || registers.last().address != d.address)
            registers.append({d.address, values[i], reference.values[i], {}});
        registers.last().bits.append(d.bit);
    }
    return registers;
}
