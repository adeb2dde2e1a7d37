// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_FIELDCODEC_H
#define ZQ40613_FIELDCODEC_H

#include "binding/bindingname.h"
#include "common/registermirror.h"

// The arithmetic between a combo box's item index and the register bits of
// its field binding. Item i of a plain field stands for field value i; item i
// of a one-hot field for the value with only bit i set.
namespace FieldCodec {

// Bits lowBit..highBit set; 0 for an empty field (lowBit above highBit).
unsigned mask(int highBit, int lowBit);

// The field's value as the mirror's bits hold it.
unsigned valueFromMirror(const FieldBinding &field, const RegisterMirror &mirror);

// The item index the mirror's bits select.
int indexFromMirror(const FieldBinding &field, const RegisterMirror &mirror);

// The field value that choosing an item stands for.
unsigned valueForIndex(const FieldBinding &field, int index);

// Store a field value into the register(s). The two parts are stored
// separately so that the first register can be written before the second
// one changes.
void storeFirstPart(const FieldBinding &field, unsigned value, RegisterMirror &mirror);
void storeSecondPart(const FieldBinding &field, unsigned value, RegisterMirror &mirror);

} // namespace FieldCodec

#endif
