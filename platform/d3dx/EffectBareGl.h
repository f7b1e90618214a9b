#pragma once
// The yardstick of the effect benchmark: a matrix uniform set straight
// through OpenGL on the program the device drew with last, with no effect and
// no device in between. Only bench/ includes this page.

// A uniform of the program current on the current GL context.
struct TkFxBareUniform
{
    unsigned program = 0;
    int location = -1;
};

// The uniform `name` of the program in use now; false when there is none.
bool TkFxBareFindUniform(const char* name, TkFxBareUniform* out);
// Sets a 4x4 matrix given row by row, as D3DX stores it.
void TkFxBareSetMatrix(const TkFxBareUniform& uniform, const float* rowMajor);
// True when GL recorded no error since the last call (the errors are cleared).
bool TkFxBareNoErrors();
