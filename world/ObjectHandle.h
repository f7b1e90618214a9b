#pragma once
// The scene-object handle: a pointer to one record of the engine's object
// table, null for no object. Services that only pass handles around include
// this instead of the whole table.

struct strObject;
typedef strObject* HOBJECT;
