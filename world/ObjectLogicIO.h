#pragma once
// The per-object logic's fields of the stored object record: they sit in the
// record's area after the table's own fields, at fixed offsets.

#include "world/Object.h"

#include <cstddef>

class RecordOut;
class RecordIn;

// The first byte of the area and the bytes the fields take from it.
constexpr size_t OBJECT_LOGIC_STORED_AT = 1040;
constexpr size_t OBJECT_LOGIC_STORED_SIZE = 256;

void WriteObjectLogicFields(RecordOut& r, const strObject& o);
void ReadObjectLogicFields(const RecordIn& r, strObject* o);

// Copies the stored logic fields from a record read back onto the live object.
void CopyObjectLogicFields(strObject* to, const strObject& from);
