// Drawing dialogs: a plain software picture of the controls, rendered into
// memory and shown in the dialog's SDL window.
#include "platform/win32/Dialog.h"

#include "platform/Backend.h"
#include "platform/d3dx/FontRaster.h"
#include "platform/win32/DialogState.h"

#include <SDL.h>

#include <algorithm>
#include <memory>

namespace tk::dialog
{
namespace
{
constexpr int kFontHeight = 15;
constexpr int kBoxSide = 13;    // check box and radio button
constexpr int kArrowWidth = 18; // the combo box's drop-down button
// A shown dialog is drawn again at least this often (a window uncovered).
constexpr Uint32 kRefreshMs = 250;

constexpr uint32_t kFace = 0xFFECECEC;
constexpr uint32_t kButton = 0xFFDCDCDC;
constexpr uint32_t kPressed = 0xFFB8B8B8;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kBorder = 0xFF7A7A7A;
constexpr uint32_t kDark = 0xFF202020;
constexpr uint32_t kText = 0xFF000000;
constexpr uint32_t kGreyText = 0xFF9A9A9A;
constexpr uint32_t kHighlight = 0xFF3478D0;

class Canvas
{
public:
    Canvas(std::vector<uint32_t>& pixels, int width, int height)
        : m_pixels(pixels), m_width(width), m_height(height)
    {
    }

    void Fill(int left, int top, int right, int bottom, uint32_t colour)
    {
        left = std::max(left, 0);
        top = std::max(top, 0);
        right = std::min(right, m_width);
        bottom = std::min(bottom, m_height);
        // A rectangle wholly outside the picture, or one inset past its own
        // width, leaves nothing to fill (and must not turn into a reversed range).
        if (left >= right)
            return;
        for (int y = top; y < bottom; ++y)
            std::fill(m_pixels.begin() + y * m_width + left, m_pixels.begin() + y * m_width + right, colour);
    }

    void Frame(const RECT& r, uint32_t colour)
    {
        Fill(r.left, r.top, r.right, r.top + 1, colour);
        Fill(r.left, r.bottom - 1, r.right, r.bottom, colour);
        Fill(r.left, r.top, r.left + 1, r.bottom, colour);
        Fill(r.right - 1, r.top, r.right, r.bottom, colour);
    }

    void Text(const std::string& text, RECT r, DWORD format, uint32_t colour)
    {
        if (text.empty())
            return;
        TkFontRaster* font = Font();
        if (!font)
            return;
        TkSurfaceView view{m_pixels.data(), m_width * 4, m_width, m_height};
        font->DrawText(view, text.c_str(), -1, &r, format | DT_SINGLELINE | DT_VCENTER, colour);
    }

private:
    static TkFontRaster* Font()
    {
        static std::unique_ptr<TkFontRaster> font;
        static bool tried = false;
        if (!tried)
        {
            tried = true;
            TkFontDesc desc;
            desc.height = kFontHeight;
            font = TkFontRaster::Create(desc);
        }
        return font.get();
    }

    std::vector<uint32_t>& m_pixels;
    int m_width;
    int m_height;
};

RECT Inset(const RECT& r, int by)
{
    return RECT{r.left + by, r.top + by, r.right - by, r.bottom - by};
}

void DrawButton(Canvas& canvas, const Dialog& d, const Control& c)
{
    canvas.Fill(c.rect.left, c.rect.top, c.rect.right, c.rect.bottom, d.pressed == c.id ? kPressed : kButton);
    canvas.Frame(c.rect, kBorder);
    if (c.kind == TkControlKind::DefaultButton)
        canvas.Frame(Inset(c.rect, 1), kDark);
    canvas.Text(c.text, c.rect, DT_CENTER, c.enabled ? kText : kGreyText);
}

void DrawMarked(Canvas& canvas, const Control& c)
{
    const int top = (c.rect.top + c.rect.bottom - kBoxSide) / 2;
    const RECT box{c.rect.left, top, c.rect.left + kBoxSide, top + kBoxSide};
    canvas.Fill(box.left, box.top, box.right, box.bottom, c.enabled ? kWhite : kFace);
    canvas.Frame(box, kBorder);
    if (c.checked)
    {
        // Radio buttons show a dot, check boxes a fuller mark.
        const int inset = c.kind == TkControlKind::RadioButton ? 4 : 3;
        const RECT mark = Inset(box, inset);
        canvas.Fill(mark.left, mark.top, mark.right, mark.bottom, c.enabled ? kDark : kGreyText);
    }
    RECT label = c.rect;
    label.left += kBoxSide + 6;
    canvas.Text(c.text, label, DT_LEFT, c.enabled ? kText : kGreyText);
}

void DrawCombo(Canvas& canvas, const Control& c)
{
    canvas.Fill(c.rect.left, c.rect.top, c.rect.right, c.rect.bottom, c.enabled ? kWhite : kFace);
    canvas.Frame(c.rect, kBorder);
    const RECT arrow{c.rect.right - kArrowWidth, c.rect.top, c.rect.right, c.rect.bottom};
    canvas.Fill(arrow.left, arrow.top + 1, arrow.right - 1, arrow.bottom - 1, kButton);
    canvas.Frame(arrow, kBorder);
    // A small downward triangle, one row narrower each line.
    const int mid = (arrow.left + arrow.right) / 2;
    const int top = (arrow.top + arrow.bottom) / 2 - 2;
    for (int row = 0; row < 4; ++row)
        canvas.Fill(mid - 4 + row, top + row, mid + 4 - row, top + row + 1, kDark);
    if (c.selection >= 0 && c.selection < static_cast<int>(c.items.size()))
    {
        RECT text{c.rect.left + 4, c.rect.top, arrow.left - 2, c.rect.bottom};
        canvas.Text(c.items[static_cast<size_t>(c.selection)], text, DT_LEFT, c.enabled ? kText : kGreyText);
    }
}

void DrawComboList(Canvas& canvas, const Control& c)
{
    const int rows = static_cast<int>(c.items.size());
    const RECT list{c.rect.left, c.rect.bottom, c.rect.right, c.rect.bottom + rows * kComboItemHeight};
    canvas.Fill(list.left, list.top, list.right, list.bottom, kWhite);
    for (int i = 0; i < rows; ++i)
    {
        const RECT row{list.left, list.top + i * kComboItemHeight, list.right,
                       list.top + (i + 1) * kComboItemHeight};
        const bool chosen = i == c.selection;
        if (chosen)
            canvas.Fill(row.left, row.top, row.right, row.bottom, kHighlight);
        RECT text = row;
        text.left += 4;
        canvas.Text(c.items[static_cast<size_t>(i)], text, DT_LEFT, chosen ? kWhite : kText);
    }
    canvas.Frame(list, kDark);
}

void Draw(const Dialog& d, std::vector<uint32_t>& pixels)
{
    pixels.assign(static_cast<size_t>(d.width) * static_cast<size_t>(d.height), kFace);
    Canvas canvas(pixels, d.width, d.height);
    for (const Control& c : d.controls)
        switch (c.kind)
        {
        case TkControlKind::Text:
            canvas.Text(c.text, c.rect, DT_LEFT, c.enabled ? kText : kGreyText);
            break;
        case TkControlKind::Button:
        case TkControlKind::DefaultButton:
            DrawButton(canvas, d, c);
            break;
        case TkControlKind::CheckBox:
        case TkControlKind::RadioButton:
            DrawMarked(canvas, c);
            break;
        case TkControlKind::ComboBox:
            DrawCombo(canvas, c);
            break;
        case TkControlKind::GroupBox:
        {
            RECT frame = c.rect;
            frame.top += kFontHeight / 2;
            canvas.Frame(frame, kBorder);
            RECT caption{c.rect.left + 8, c.rect.top, c.rect.right, c.rect.top + kFontHeight};
            canvas.Text(c.text, caption, DT_LEFT, kText);
            break;
        }
        }
    // The open list lies over everything below it.
    for (const Control& c : d.controls)
        if (c.id == d.openCombo && c.kind == TkControlKind::ComboBox)
            DrawComboList(canvas, c);
}
} // namespace

void PresentDialog(Dialog& d)
{
    static Uint32 lastShown = 0;
    const Uint32 now = SDL_GetTicks();
    if (!d.dirty && now - lastShown < kRefreshMs)
        return;
    SDL_Window* window = TkGetSdlWindow(d.hwnd);
    SDL_Surface* target = window ? SDL_GetWindowSurface(window) : nullptr;
    if (!target)
        return;
    std::vector<uint32_t> pixels;
    Draw(d, pixels);
    SDL_Surface* picture = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), d.width, d.height, 32,
                                                              d.width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (picture)
    {
        SDL_BlitSurface(picture, nullptr, target, nullptr);
        SDL_FreeSurface(picture);
        SDL_UpdateWindowSurface(window);
    }
    d.dirty = false;
    lastShown = now;
}
} // namespace tk::dialog

bool TkRenderDialog(HWND dialog, std::vector<uint32_t>& pixels, int& width, int& height)
{
    tk::dialog::Dialog* d = tk::dialog::FindDialog(dialog);
    if (!d || d->width <= 0 || d->height <= 0)
        return false;
    tk::dialog::Draw(*d, pixels);
    width = d->width;
    height = d->height;
    return true;
}
