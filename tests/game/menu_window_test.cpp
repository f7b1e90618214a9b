// The menus in the whole game in a real window under a virtual X server of the
// test's own, played by real mouse clicks and key presses sent into the X
// server: the start menu over its backdrop, New Game at the middle difficulty
// through the loading screen into the level, Escape in play opening the main
// page with the level held, "Back to the game" returning to it, and Quit
// ending the game with code 0. Where each click goes comes from the menu's own
// layout for the window's size; every wait is on something the game shows or
// writes (a picture of the window, a screenshot file, a log line).
#include "xtest_session.h"

#include "support/Bitmap.h"
#include "support/BuildPaths.h"
#include "support/FontDevice.h"
#include "support/FontGlobals.h"
#include "support/GameProcess.h"
#include "support/Globals.h"
#include "support/TempDir.h"
#include "support/VirtualDisplay.h"

#include "render/Font.h"
#include "shell/CommandMgr.h"
#include "shell/GameOptions.h"
#include "shell/TTFontMgr.h"
#include "shell/TextMgr.h"
#include "ui/Menu.h"
#include "world/Engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace
{
namespace fs = std::filesystem;
using Clock = XTestSession::Clock;

constexpr double kPi = 3.14159265358979323846;
// Frames a button or key is held, and let go before the next: the game reads
// both through polls once a frame, and the first frame shown after the server
// took the input may have been drawn before the game read it, so two frames
// are enough; the rest is a margin.
constexpr int kHoldFrames = 4;
// Frames a new page takes to fade in fully (half a second of the virtual clock).
constexpr int kFadeFrames = 40;
// Frames the menu stays open in play before "Back": the level must not move on meanwhile.
constexpr int kMenuFrames = 60;

// The dialogs wait for a player with a display: OK and Start are pressed for
// them. The pictures of the menu are the game's own screenshots (F8 in the
// menu); those of the loading screen and the level are read from the window.
constexpr const char* kScript = "frame 1: dialog click 1\n"
                                "frame 2: dialog click 1001\n";
// Frames the menu takes to come out of its opening fade (a second).
constexpr int kOpenFrames = 70;

// SDL's start-up on X11 and the X library leave buffers of the system's
// libraries to the end of the process; leak checks of sanitizer builds skip
// what is allocated while the check runs.
struct IgnoreSystemLeaks
{
#if defined(__SANITIZE_ADDRESS__)
    __lsan::ScopedDisabler disabler;
#endif
};

// Where the clicks go: the boxes of the items as the menu lays them out for a
// screen of the window's size, with the game's texts and fonts, and the mouse
// sensitivity the game reads.
struct MenuLayout
{
    MenuHitBox newGame, normal, back, quit, quitYes;
    float sensitivity = 0.0f;
    bool complete = false;
};

MenuLayout LayOut(int width, int height)
{
    TempDir dir; // the texts and fonts are read from the current folder
    for (const char* folder : {"scripts", "misc"})
        fs::copy(tk::test::DataDir() / folder, dir.path() / folder, fs::copy_options::recursive);
    GlobalsSnapshot globals;
    FontDevice device(static_cast<UINT>(width), static_cast<UINT>(height));
    FontGlobals fonts(dir.path());
    MenuLayout layout;
    if (!device.device)
        return layout;
    FontGlobals::UseScreen(width, height);
    g_TextMgr.Load("scripts\\text_keys.txt");
    g_CommandMgr.SetDefaultKeys();
    g_CommandMgr.LoadKeys();
    g_TTFontMgr.ReadFontLists();
    g_TTFontMgr.CreateFonts();
    g_Font.CreateVB();
    g_Font.CreateFonts();

    bool found = true;
    const auto box = [&](int page, bool inLevel, DWORD id)
    {
        g_Engine.m_bWorldLoaded = inLevel ? 1 : 0;
        g_Menu.ShowPage(page, 0);
        const strMenuItem* item = g_Menu.FindItem(id);
        found = found && item && !item->disabled;
        return item ? CMenu::HitBox(*item) : MenuHitBox{};
    };
    // The ids are the order the page adds its items in, as its clicks know them.
    layout.newGame = box(CMenu::PAGE_MAIN, false, 1);
    layout.normal = box(CMenu::PAGE_NEW_GAME, false, 2);
    layout.back = box(CMenu::PAGE_MAIN, true, 8);
    layout.quit = box(CMenu::PAGE_MAIN, true, 7);
    layout.quitYes = box(CMenu::PAGE_QUIT, true, 1);
    layout.sensitivity = g_Options.MouseSensitivity;
    layout.complete = found;
    g_Menu.ClearItems();
    g_Engine.m_bWorldLoaded = 0;
    g_TextMgr.Free();
    return layout;
}

// The menu's cursor as the mouse poll keeps it: an angle of 0..pi on each
// axis across the screen, moved by the counts times the sensitivity (twice
// that down the screen in the menu), put in the middle when the menu opens.
class MenuCursor
{
public:
    MenuCursor(int width, int height, float sensitivity)
        : m_width(width), m_height(height), m_step(static_cast<double>(sensitivity) * 0.01)
    {
    }
    void Centre() { m_x = m_y = kPi * 0.5; }
    // The counts that bring the cursor to the middle of `box`.
    void CountsTo(const MenuHitBox& box, int* dx, int* dy)
    {
        const double x = (box.left + box.right) * 0.5 / m_width * kPi;
        const double y = (box.top + box.bottom) * 0.5 / m_height * kPi;
        *dx = static_cast<int>(std::lround((x - m_x) / m_step));
        *dy = static_cast<int>(std::lround((y - m_y) / (2.0 * m_step)));
        m_x += *dx * m_step;
        m_y += *dy * 2.0 * m_step;
    }

private:
    int m_width, m_height;
    double m_step;
    double m_x = kPi * 0.5, m_y = kPi * 0.5;
};

// A picture of the window as the screen showed it.
struct WindowPicture
{
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t Pixel(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The loading screen's "press a key" bar, right of its text: a grey laid
// over the dark foot of the picture, lighter than the picture just above it.
bool StartPrompt(const WindowPicture& picture)
{
    const int x = picture.width * 680 / 1024;
    return Brightness(picture.Pixel(x, picture.height * 723 / 768)) >
           Brightness(picture.Pixel(x, picture.height * 700 / 768)) + 100;
}

class MenuWindowRun
{
public:
    MenuWindowRun(XTestSession& x, GameProcess& game, const TempDir& dir)
        : m_x(x), m_game(game), m_dir(dir),
          m_until(Clock::now() +
                  std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kGameSeconds)))
    {
    }

    bool Alive() { return m_game.Running(); }

    bool Frames(int n)
    {
        return m_x.WaitFrames(n, m_until, [this] { return Alive(); });
    }

    // The next screenshot file, once the game has written it whole; looked
    // for after each frame the window shows.
    bool Screenshot(Bitmap* out)
    {
        char name[32];
        std::snprintf(name, sizeof name, "tk_screen%04d.bmp", m_shots);
        while (!(m_dir.Exists(name) && out->Parse(m_dir.Read(name)) && out->fileSize == out->bytes.size()))
            if (!Frames(1))
                return false;
        ++m_shots;
        return true;
    }

    // F8 in the menu saves the next frame.
    bool MenuScreenshot(Bitmap* out) { return Press("F8") && Screenshot(out); }

    // A key held and let go; `upAt` takes the frames shown when it was let
    // go, by when the game has read it down.
    bool Press(const char* key, long* upAt = nullptr)
    {
        if (!m_x.Key(key, true) || !Frames(kHoldFrames) || !m_x.Key(key, false))
            return false;
        if (upAt)
            *upAt = m_x.Shown();
        return Frames(kHoldFrames);
    }

    // The left button, as Press; the menu takes a click when it is let go.
    bool Click(long* upAt = nullptr)
    {
        m_x.Button(1, true);
        if (!Frames(kHoldFrames))
            return false;
        m_x.Button(1, false);
        if (upAt)
            *upAt = m_x.Shown();
        return Frames(kHoldFrames);
    }

    bool MoveTo(MenuCursor& cursor, const MenuHitBox& box)
    {
        int dx = 0, dy = 0;
        cursor.CountsTo(box, &dx, &dy);
        m_x.MoveBy(dx, dy);
        return Frames(kHoldFrames);
    }

    // Characters typed into the console, a key each.
    bool Type(const std::string& text)
    {
        for (char c : text)
        {
            const std::string key(1, c);
            if (!m_x.Key(key.c_str(), true) || !m_x.Key(key.c_str(), false))
                return false;
        }
        return Frames(kHoldFrames);
    }

    bool Picture(WindowPicture* out) { return m_x.Picture(&out->width, &out->height, &out->pixels); }

    // The log lines starting so.
    std::vector<std::string> LogLines(const std::string& head) const
    {
        std::vector<std::string> found;
        for (std::string& line : ReadLines(m_dir.path() / "!console.txt"))
            if (line.compare(0, head.size(), head) == 0)
                found.push_back(std::move(line));
        return found;
    }

    // Waits for the `count`th log line starting so, looking after each frame
    // the window shows; the line, or empty. The game wrote it after the
    // window had shown `*after` frames, and by the frame after `*by`.
    std::string LogLine(const std::string& head, size_t count = 1, long* after = nullptr, long* by = nullptr)
    {
        for (;;)
        {
            const long shown = m_x.Shown();
            const std::vector<std::string> found = LogLines(head);
            if (found.size() >= count)
            {
                if (by)
                    *by = shown;
                return found[count - 1];
            }
            if (after)
                *after = shown;
            if (!Frames(1))
                return {};
        }
    }

    // The level frame as the console tells it (the bound key, the command,
    // Enter, the key again), the `count`th time it is asked; -1 when it is
    // not told. `after` and `by` as for LogLine.
    int LevelFrame(size_t count, long* after, long* by)
    {
        if (!Press("grave") || !Type("levelframe") || !m_x.Key("Return", true))
            return -1;
        *after = m_x.Shown(); // told in answer to Enter
        if (!Frames(kHoldFrames) || !m_x.Key("Return", false) || !Frames(kHoldFrames))
            return -1;
        const std::string line = LogLine("LevelFrame == ", count, after, by);
        if (line.empty() || !Press("grave"))
            return -1;
        return std::atoi(line.c_str() + 14);
    }

private:
    XTestSession& m_x;
    GameProcess& m_game;
    const TempDir& m_dir;
    Clock::time_point m_until;
    int m_shots = 0;
};

TEST(MenuWindow, RealClicksInAWindowStartTheGameHoldItUnderTheMenuAndQuit)
{
    [[maybe_unused]] IgnoreSystemLeaks ignore;
    VirtualDisplay display;
    if (display.Name().empty())
        GTEST_SKIP() << "no virtual X server (Xvfb) to open a window on";
    XTestSession x(display.Name());
    if (!x.Problem().empty())
        GTEST_SKIP() << x.Problem();

    TempDir dir(false);
    CopyDataTree(dir.path());
    dir.Write("tk.cfg", dir.Read("tk.cfg") + "\nStartMenu 1\n");
    dir.Write("run.txt", kScript);
    // The window run on the virtual clock: the mouse and keyboard polls come
    // once a frame however fast the machine draws.
    GameProcess game(dir.path(), {{"TK_VIDEO", "sdl"},
                                  {"TK_CLOCK", "frames"},
                                  {"ASAN_OPTIONS", "detect_leaks=0"},
                                  {"DISPLAY", display.Name()},
                                  {"SDL_VIDEODRIVER", "x11"},
                                  {"TK_SCRIPT", (dir.path() / "run.txt").string()}});
    MenuWindowRun run(x, game, dir);
    const auto start = Clock::now();

    // The launcher's dialogs have the game's title too: the window watched
    // is the one the game made its device on, once it tells so.
    int width = 0, height = 0;
    while (!HasLineStarting(ReadLines(dir.path() / "!console.txt"), "CreateDevice OK") ||
           !x.Watch("Duskmere 2", &width, &height))
    {
        ASSERT_TRUE(game.Running()) << "the game ended before its window showed";
        ASSERT_LT(Clock::now(), start + std::chrono::seconds(static_cast<int>(kGameSeconds)))
            << "the game's window";
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const MenuLayout layout = LayOut(width, height);
    ASSERT_TRUE(layout.complete) << "every item clicked is on its page and enabled";
    MenuCursor cursor(width, height, layout.sensitivity);
    const int w = width, h = height;

    // The start menu over its backdrop: its picture shows in the window,
    // then the opening fade ends.
    WindowPicture shown;
    do
    {
        ASSERT_TRUE(run.Frames(1)) << "the start menu";
        ASSERT_TRUE(run.Picture(&shown));
    } while (Brightness(shown.Pixel(w * 7 / 8, h / 6)) <= 40);
    ASSERT_TRUE(run.Frames(kOpenFrames));
    Bitmap startMenu;
    ASSERT_TRUE(run.MenuScreenshot(&startMenu));
    ASSERT_EQ(startMenu.width, width);
    ASSERT_EQ(startMenu.height, height);

    // New Game, then the middle difficulty, shown hovered before the click.
    ASSERT_TRUE(run.MoveTo(cursor, layout.newGame));
    ASSERT_TRUE(run.Click());
    ASSERT_TRUE(run.MoveTo(cursor, layout.normal));
    ASSERT_TRUE(run.Frames(kFadeFrames));
    Bitmap difficulty;
    ASSERT_TRUE(run.MenuScreenshot(&difficulty)) << "the New Game page";
    ASSERT_TRUE(run.Click());

    // The loading screen holds the loaded level until a click, and says so
    // in a bar near its foot (a click while the world still loads is not
    // taken); the level's mission then starts, and the level shows in daylight.
    WindowPicture loading;
    do
    {
        ASSERT_TRUE(run.Frames(1)) << "the loading screen's prompt";
        ASSERT_TRUE(run.Picture(&loading));
    } while (!StartPrompt(loading));
    ASSERT_TRUE(run.Click());
    ASSERT_FALSE(run.LogLine("QS comment: start").empty()) << "the level's mission";
    WindowPicture level;
    for (bool daylight = false; !daylight;)
    {
        ASSERT_TRUE(run.Frames(1)) << "the level in daylight";
        ASSERT_TRUE(run.Picture(&level));
        daylight = DaylightSky(level.Pixel(w * 7 / 8, h / 6));
    }

    // Escape opens the main page over the held level; it stays a while, then
    // "Back to the game". The console tells the level frame before and after.
    long beforeAfter = 0, beforeBy = 0, afterAfter = 0, afterBy = 0, menuFrom = 0, menuTo = 0;
    const int before = run.LevelFrame(1, &beforeAfter, &beforeBy);
    ASSERT_GE(before, 200);
    ASSERT_TRUE(run.Press("Escape", &menuFrom));
    cursor.Centre();
    ASSERT_TRUE(run.Frames(kMenuFrames));
    Bitmap inGameMenu;
    ASSERT_TRUE(run.MenuScreenshot(&inGameMenu)) << "the menu in play";
    ASSERT_TRUE(run.MoveTo(cursor, layout.back));
    ASSERT_TRUE(run.Click(&menuTo));
    const int after = run.LevelFrame(2, &afterAfter, &afterBy);
    EXPECT_GT(after, before) << "the level goes on after the menu";
    // The game told the two level frames at most afterBy - beforeAfter
    // frames apart, a level frame each; the menu was open from when Escape
    // was let go (the game had read it down by then) to when the button was
    // let go over "Back". The level moved on the frames round the menu, not
    // those under it.
    ASSERT_GE(menuTo - menuFrom, kMenuFrames);
    EXPECT_LE(after - before, afterBy - beforeAfter - (menuTo - menuFrom));

    // Quit, and yes.
    ASSERT_TRUE(run.Press("Escape"));
    cursor.Centre();
    ASSERT_TRUE(run.MoveTo(cursor, layout.quit));
    ASSERT_TRUE(run.Click());
    ASSERT_TRUE(run.MoveTo(cursor, layout.quitYes));
    ASSERT_TRUE(run.Frames(kFadeFrames));
    Bitmap quitPage;
    ASSERT_TRUE(run.MenuScreenshot(&quitPage)) << "the question before quitting";
    x.Button(1, true);
    ASSERT_TRUE(run.Frames(kHoldFrames));
    x.Button(1, false);
    EXPECT_EQ(game.Wait(kGameSeconds), 0);

    const auto log = ReadLines(dir.path() / "!console.txt");
    EXPECT_TRUE(HasLineStarting(log, "> Driver: tovak_sdl")) << "a window, not headless";
    EXPECT_TRUE(HasLineStarting(log, "QS comment: start")) << "the level's mission runs";
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "Tovak 5 engine out, good bye!");

    // The start menu: the dusk picture, the figure.
    EXPECT_FALSE(DaylightSky(startMenu.Pixel(w * 7 / 8, h / 6)));
    EXPECT_GT(Brightness(startMenu.Pixel(w * 7 / 8, h / 6)), 40) << "the picture, not black";
    EXPECT_GT(Brightness(startMenu.Pixel(w * 72 / 100, h * 3 / 4)), 300) << "the figure's legs";
    EXPECT_FALSE(DaylightSky(difficulty.Pixel(w * 7 / 8, h / 6)));
    // The loading screen shows the first level's night picture.
    const uint32_t loadingSky = loading.Pixel(w / 2, h / 6);
    EXPECT_FALSE(DaylightSky(loadingSky));
    EXPECT_GT(static_cast<int>(loadingSky & 0xFF), static_cast<int>((loadingSky >> 16) & 0xFF) + 20);
    EXPECT_FALSE(DaylightSky(inGameMenu.Pixel(w * 7 / 8, h / 6))) << "the menu in place of the world";
    EXPECT_FALSE(DaylightSky(quitPage.Pixel(w * 7 / 8, h / 6)));
}
} // namespace
