// The demo game as a player drives it, headless, through the console key:
// "CutScene intro" plays the intro (the screen goes black for its fade, its
// voice is in the sound recording, its variable is set at its end and the
// weapon is drawn again), and "BezierCamera flyby flybytarget" flies the
// camera until the jump key ends the flight and gives the view back.
#include "support/GameProcess.h"
#include "support/TempDir.h"
#include "tools/worldgen/DemoWorld.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{
namespace fs = std::filesystem;

std::string Bytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

uint32_t U32(const std::string& b, size_t at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<uint8_t>(b[at + i]);
    return v;
}

struct Picture
{
    double dark = -1.0;      // the share of nearly black pixels
    double brightness = 0.0; // the mean of all channels, 0 to 1
};

// A 24- or 32-bit screenshot's darkness; dark is -1 when the file is no such picture.
Picture Look(const fs::path& file)
{
    const std::string b = Bytes(file);
    Picture p;
    if (b.size() < 54 || b.compare(0, 2, "BM") != 0)
        return p;
    const uint32_t offset = U32(b, 10);
    const int width = static_cast<int>(U32(b, 18));
    const int height = std::abs(static_cast<int32_t>(U32(b, 22)));
    const int bytes = static_cast<uint8_t>(b[28]) / 8;
    const size_t stride = (static_cast<size_t>(width) * bytes + 3) & ~size_t(3);
    if (bytes < 3 || offset + stride * height > b.size())
        return p;
    size_t dark = 0;
    double total = 0.0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            const size_t at = offset + y * stride + static_cast<size_t>(x) * bytes;
            const int sum = static_cast<uint8_t>(b[at]) + static_cast<uint8_t>(b[at + 1]) +
                            static_cast<uint8_t>(b[at + 2]);
            dark += sum < 30 ? 1 : 0;
            total += sum;
        }
    const double pixels = static_cast<double>(width) * height;
    p.dark = static_cast<double>(dark) / pixels;
    p.brightness = total / (pixels * 765.0);
    return p;
}

// The share of light pixels in a box of the virtual 1024 x 768 screen; -1 for no picture.
double LightShare(const fs::path& file, float left, float top, float right, float bottom)
{
    const std::string b = Bytes(file);
    if (b.size() < 54 || b.compare(0, 2, "BM") != 0)
        return -1.0;
    const uint32_t offset = U32(b, 10);
    const int width = static_cast<int>(U32(b, 18));
    const int height = std::abs(static_cast<int32_t>(U32(b, 22)));
    const int bytes = static_cast<uint8_t>(b[28]) / 8;
    const size_t stride = (static_cast<size_t>(width) * bytes + 3) & ~size_t(3);
    if (bytes < 3 || offset + stride * height > b.size())
        return -1.0;
    const float sx = width / 1024.0f, sy = height / 768.0f;
    size_t light = 0, all = 0;
    for (int y = static_cast<int>(top * sy); y < static_cast<int>(bottom * sy); ++y)
        for (int x = static_cast<int>(left * sx); x < static_cast<int>(right * sx); ++x)
        {
            // Rows are stored bottom up.
            const size_t at = offset + (height - 1 - y) * stride + static_cast<size_t>(x) * bytes;
            const int sum = static_cast<uint8_t>(b[at]) + static_cast<uint8_t>(b[at + 1]) +
                            static_cast<uint8_t>(b[at + 2]);
            light += sum > 450 ? 1 : 0;
            ++all;
        }
    return all ? static_cast<double>(light) / static_cast<double>(all) : -1.0;
}

// The strength of a tone in the recording's left channel (44.1 kHz 16-bit
// stereo), over windows of 0.1 s: the strongest window's Goertzel magnitude.
double Strongest(const fs::path& wave, double hertz)
{
    const std::string b = Bytes(wave);
    size_t at = 12, data = 0, size = 0;
    while (at + 8 <= b.size())
    {
        const size_t chunk = U32(b, at + 4);
        if (b.compare(at, 4, "data") == 0)
        {
            data = at + 8;
            size = std::min(chunk, b.size() - data);
            break;
        }
        at += 8 + chunk + (chunk & 1);
    }
    constexpr int kRate = 44100, kWindow = kRate / 10;
    const size_t frames = size / 4;
    const double step = 2.0 * std::cos(2.0 * 3.14159265358979 * hertz / kRate);
    double best = 0.0;
    for (size_t start = 0; start + kWindow <= frames; start += kWindow)
    {
        double s1 = 0.0, s2 = 0.0;
        for (size_t i = start; i < start + kWindow; ++i)
        {
            const auto v = static_cast<int16_t>(static_cast<uint8_t>(b[data + 4 * i]) |
                                                static_cast<uint8_t>(b[data + 4 * i + 1]) << 8);
            const double s = v + step * s1 - s2;
            s2 = s1;
            s1 = s;
        }
        best = std::max(best, std::sqrt(std::max(0.0, s1 * s1 + s2 * s2 - step * s1 * s2)) / kWindow);
    }
    return best;
}

size_t Count(const std::vector<std::string>& lines, const std::string& head)
{
    size_t n = 0;
    for (const std::string& l : lines)
        n += l.compare(0, head.size(), head) == 0 ? 1 : 0;
    return n;
}

std::vector<std::string> Starting(const std::vector<std::string>& lines, const std::string& head)
{
    std::vector<std::string> found;
    for (const std::string& l : lines)
        if (l.compare(0, head.size(), head) == 0)
            found.push_back(l.substr(l.find(':') + 1));
    return found;
}

TEST(CutSceneGame, TheConsoleStartsTheIntroAndTheFlyThrough)
{
    TempDir dir(false);
    CopyDataTree(dir.path());
    const std::string scene = worldgen::DEMO_INTRO_SCENE;
    const std::string paths = std::string(worldgen::DEMO_FLYBY_PATH) + " " + worldgen::DEMO_FLYBY_TARGET_PATH;
    const std::string lines[] = {
        "frame 2: wait level frame 200",
        "frame 3: key press Space",
        "frame 5: wait level frame 300",
        "frame 6: screenshot",
        "frame 8: key press Grave",
        "frame 10: keys CutScene " + scene,
        "frame 11: key press Enter",
        "frame 12: key press Grave",
        "frame 16: screenshot",  // in the fade from black
        "frame 120: screenshot", // the first phase
        "frame 260: screenshot", // the second
        "frame 420: screenshot", // back in the game
        "frame 421: camera view",
        "frame 422: key press Grave", // the intro's variable
        "frame 424: keys Variable " + std::string(worldgen::DEMO_INTRO_DONE),
        "frame 425: key press Enter",
        "frame 426: keys BezierCamera " + paths,
        "frame 427: key press Enter",
        "frame 428: key press Grave",
        "frame 460: camera view",
        "frame 490: camera view",
        "frame 491: screenshot",
        "frame 493: key press Space",
        "frame 500: camera view",
        "frame 502: quit",
    };
    std::string script;
    for (const std::string& line : lines)
        script += line + "\n";
    dir.Write("run.txt", script);
    const fs::path wave = dir.path() / "run.wav";
    GameProcess game(dir.path(), {{"TK_FRAMES", "5000"},
                                  {"TK_SCRIPT", (dir.path() / "run.txt").string()},
                                  {"TK_SOUND_WAV", wave.string()}});
    ASSERT_EQ(game.Wait(kGameSeconds), 0);
    const auto log = ReadLines(dir.path() / "!console.txt");

    // The level before, the fade from black, the scene and the game after.
    const Picture before = Look(dir.path() / "tk_screen0000.bmp");
    const Picture fade = Look(dir.path() / "tk_screen0001.bmp");
    const Picture scenePicture = Look(dir.path() / "tk_screen0002.bmp");
    const Picture after = Look(dir.path() / "tk_screen0004.bmp");
    ASSERT_GE(before.dark, 0.0);
    EXPECT_LT(before.dark, 0.3);
    EXPECT_LT(fade.brightness, before.brightness * 0.15) << "mostly black while the scene fades in";
    EXPECT_LT(scenePicture.dark, 0.5) << "the scene is seen between its letterbox bars";
    EXPECT_GT(scenePicture.dark, 0.1) << "the letterbox bars";
    EXPECT_LT(after.dark, 0.1) << "no bars once the scene is over";
    // The subtitle in its message box is lettering on the dark box, not a solid bar.
    const double subtitle = LightShare(dir.path() / "tk_screen0002.bmp", 340, 712, 680, 735);
    EXPECT_GT(subtitle, 0.01) << "the subtitle shows";
    EXPECT_LT(subtitle, 0.4) << "its letters, not a bar";

    // The voice: its first note is in the recording.
    EXPECT_GT(Strongest(wave, worldgen::DEMO_INTRO_VOICE_HERTZ), 1000.0);
    EXPECT_EQ(Count(log, std::string("Variable ") + worldgen::DEMO_INTRO_DONE + ": bool, set 1"), 1u);
    EXPECT_EQ(Count(log, "No cut-scene named"), 0u);

    // The fly-through moves the camera until the jump key; then the view is
    // the hero's again, as it was before the flight.
    const auto views = Starting(log, "Camera view drawn by frame");
    ASSERT_EQ(views.size(), 4u);
    EXPECT_NE(views[1], views[2]) << "the camera flies";
    EXPECT_NE(views[0], views[1]);
    EXPECT_EQ(Count(log, "Camera mesh not created!"), 0u);
    EXPECT_EQ(views[3], views[0]) << "the hero's view once the flight has ended";
}
} // namespace
