#pragma once
// What the game may ask of the Direct3D 9 layer beyond Direct3D itself: names
// for objects in its reports, and the default-pool objects held outside the
// device (effects, fonts) that a Reset must wait for.

#include "platform/d3d9/D3D9.h"

#include <string>
#include <vector>

// Default-pool objects the game still holds (each a description such as
// "texture 256x256 A8R8G8B8 RENDERTARGET levels 1"); Reset is refused while
// this is not empty.
std::vector<std::string> TkD3D9GetLiveDefaultPoolObjects(IDirect3DDevice9* device);
// A name shown in front of the description (e.g. "HDRTex").
void TkD3D9SetObjectName(IUnknown* object, const char* name);
// Owners outside the device that hold default-pool objects of their own
// (effects, fonts) and must be released before Reset; counted like resources.
void TkD3D9HoldDefaultPoolObject(IDirect3DDevice9* device, const void* owner, const char* description);
void TkD3D9ReleaseDefaultPoolObject(IDirect3DDevice9* device, const void* owner);
