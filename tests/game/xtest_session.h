#pragma once
// A player's hands and eyes on an X display, for whole-game checks in a real
// window: mouse movement, buttons and keys go into the X server through its
// test extension (as from a real device, so the game reads them through SDL
// like any other input), and the window's new pictures are counted through
// the damage extension, so a check waits on frames the game has shown rather
// than on time. Free of X's own headers, whose macros clash with the game's.
// Built only where libXtst and libXdamage are found (TK_HAVE_XTEST).

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class XTestSession
{
public:
    using Clock = std::chrono::steady_clock;

    // Connects to `display` (":N"); Problem() says why when it cannot be used.
    explicit XTestSession(const std::string& display);
    ~XTestSession();
    XTestSession(const XTestSession&) = delete;
    XTestSession& operator=(const XTestSession&) = delete;

    // Empty when the session can drive the display.
    const std::string& Problem() const { return m_problem; }

    // Watches the viewable top-level window of this title and tells its
    // size; false when there is none.
    bool Watch(const char* title, int* width, int* height);

    // The watched window's picture as the screen shows it, 0xRRGGBB row by
    // row; false when it cannot be read.
    bool Picture(int* width, int* height, std::vector<uint32_t>* pixels);

    // Relative movement in device counts, as a mouse reports it.
    void MoveBy(int dx, int dy);
    // Button 1 is the left one.
    void Button(int button, bool down);
    // A key by its X key name ("Escape", "F8", "grave", "a", "Return"), into
    // the watched window, which gets the keyboard first when it has not.
    bool Key(const char* name, bool down);

    // Waits until the watched window has shown `frames` new pictures since
    // the last input was sent or the last wait ended (or since Watch); false
    // when `until` passes or `alive` says the game is gone first.
    bool WaitFrames(int frames, Clock::time_point until, const std::function<bool()>& alive);

    // The pictures the watched window has shown since Watch, as far as the
    // server has told them: each a frame the game drew whole.
    long Shown() const { return m_shown; }

private:
    // Makes sure the server has taken the input; the frames to wait for
    // start after the window's reports that came before it.
    void Sent();
    // Counts the reports of whole frames that have come.
    void ReadReports();

    struct Connection;
    std::unique_ptr<Connection> m_x;
    std::string m_problem;
    long m_shown = 0;
    // Shown() when the last input was sent or the last wait ended.
    long m_mark = 0;
};
