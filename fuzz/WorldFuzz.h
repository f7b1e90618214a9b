#pragma once
// What the world-file fuzz targets share: a headless device with one small
// mesh ("m.x") in the current folder that the fuzzed world files may name, and
// the input written out as the world file.
#include <cstddef>
#include <cstdint>

// Aborts when the device or the mesh cannot be made.
void StartWorldFuzzDevice(const char* windowTitle);
// Writes the input as `file` in the current folder; aborts when it cannot.
void WriteFuzzWorld(const char* file, const uint8_t* data, size_t size);
