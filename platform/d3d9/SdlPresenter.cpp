#include "platform/d3d9/SdlPresenter.h"

#include "platform/d3d9/DeviceChild.h"

#include <SDL.h>

#include <cstring>
#include <vector>

namespace tk::d3d9
{
namespace
{
bool IsIdentity(const D3DGAMMARAMP& gamma)
{
    for (int i = 0; i < 256; ++i)
    {
        const WORD expected = static_cast<WORD>(i * 257);
        if ((gamma.red[i] >> 8) != (expected >> 8) || (gamma.green[i] >> 8) != (expected >> 8) ||
            (gamma.blue[i] >> 8) != (expected >> 8))
            return false;
    }
    return true;
}
} // namespace

SdlPresenter::~SdlPresenter()
{
    Drop();
}

void SdlPresenter::Drop()
{
    if (m_texture)
        SDL_DestroyTexture(m_texture);
    if (m_renderer && m_ownsRenderer)
        SDL_DestroyRenderer(m_renderer);
    m_texture = nullptr;
    m_renderer = nullptr;
    m_ownsRenderer = false;
    m_window = nullptr;
    m_width = m_height = 0;
}

bool SdlPresenter::Show(SDL_Window* window, const BYTE* pixels, INT pitch, UINT width, UINT height,
                        const D3DGAMMARAMP& gamma)
{
    if (window != m_window)
    {
        Drop();
        m_window = window;
        // The window may already carry a renderer (dialogs draw through one);
        // a window can have only one.
        m_renderer = SDL_GetRenderer(window);
        if (!m_renderer)
        {
            m_renderer = SDL_CreateRenderer(window, -1, 0);
            m_ownsRenderer = m_renderer != nullptr;
        }
        if (!m_renderer)
        {
            LogOnce("Direct3D: SDL could not create a renderer for the device window");
            m_window = nullptr;
            return false;
        }
    }
    if (!m_texture || m_width != width || m_height != height)
    {
        if (m_texture)
            SDL_DestroyTexture(m_texture);
        m_texture = SDL_CreateTexture(m_renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                      static_cast<int>(width), static_cast<int>(height));
        m_width = width;
        m_height = height;
        if (!m_texture)
        {
            LogOnce("Direct3D: SDL could not create the back-buffer texture");
            return false;
        }
    }
    if (IsIdentity(gamma))
        SDL_UpdateTexture(m_texture, nullptr, pixels, pitch);
    else
    {
        std::vector<uint32_t> row(width);
        std::vector<uint32_t> image(size_t(width) * height);
        for (UINT y = 0; y < height; ++y)
        {
            std::memcpy(row.data(), pixels + size_t(y) * pitch, size_t(width) * 4);
            for (UINT x = 0; x < width; ++x)
            {
                const uint32_t p = row[x];
                image[size_t(y) * width + x] =
                    0xff000000u | (uint32_t(gamma.red[(p >> 16) & 0xff] >> 8) << 16) |
                    (uint32_t(gamma.green[(p >> 8) & 0xff] >> 8) << 8) | uint32_t(gamma.blue[p & 0xff] >> 8);
            }
        }
        SDL_UpdateTexture(m_texture, nullptr, image.data(), static_cast<int>(width * 4));
    }
    SDL_RenderClear(m_renderer);
    SDL_RenderCopy(m_renderer, m_texture, nullptr, nullptr);
    SDL_RenderPresent(m_renderer);
    return true;
}
} // namespace tk::d3d9
