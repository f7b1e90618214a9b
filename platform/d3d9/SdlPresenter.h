#pragma once
// Shows a back buffer in an SDL window: the pixels go into a streaming SDL
// texture (through the gamma ramp when it is not the identity) that fills the window.

#include "platform/d3d9/D3D9Types.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace tk::d3d9
{
class SdlPresenter
{
public:
    SdlPresenter() = default;
    ~SdlPresenter();
    SdlPresenter(const SdlPresenter&) = delete;
    SdlPresenter& operator=(const SdlPresenter&) = delete;

    // `pixels` are 32-bit X8R8G8B8/A8R8G8B8 rows. False when SDL refuses.
    bool Show(SDL_Window* window, const BYTE* pixels, INT pitch, UINT width, UINT height,
              const D3DGAMMARAMP& gamma);

private:
    void Drop();

    SDL_Window* m_window = nullptr;
    SDL_Renderer* m_renderer = nullptr;
    bool m_ownsRenderer = false;
    SDL_Texture* m_texture = nullptr;
    UINT m_width = 0;
    UINT m_height = 0;
};
} // namespace tk::d3d9
