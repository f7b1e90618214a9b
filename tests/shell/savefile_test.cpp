// Save-file primitives: byte layout, counts, round trips and reported failures.
#include "shell/SaveFile.h"

#include "shell/Orientation.h"
#include "support/ConsoleLog.h"
#include "support/ScratchFile.h"
#include "support/TempDir.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace
{
class SaveFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Failures print console lines; keep the log out of the build tree.
        temp = std::make_unique<TempDir>();
        g_dwBytesWritten = 0;
        g_dwBytesRead = 0;
        ResetSaveFileErrors();
        file = std::tmpfile();
        ASSERT_NE(file, nullptr);
    }
    void TearDown() override
    {
        if (file)
            std::fclose(file);
        for (HOBJECT o : objects)
            g_Engine.DeleteObject(o);
        ResetSaveFileErrors();
        temp.reset();
    }
    // A live light with the given PESEL, deleted after the test.
    HOBJECT Object(DWORD time, DWORD random, DWORD slot)
    {
        HOBJECT o = g_Engine.CreateObject(OT_LIGHT, "", 0, 0, nullptr, nullptr);
        EXPECT_NE(o, nullptr);
        if (!o)
            return nullptr;
        o->PESEL[0] = time;
        o->PESEL[1] = random;
        o->PESEL[2] = slot;
        objects.push_back(o);
        return o;
    }
    FILE* file = nullptr;
    std::unique_ptr<TempDir> temp;
    std::vector<HOBJECT> objects;
};

} // namespace

TEST_F(SaveFile, StringIsLengthThenCharacters)
{
    EXPECT_TRUE(WriteString(file, "abc"));
    EXPECT_EQ(g_dwBytesWritten, 7u);
    EXPECT_EQ(Contents(file), (std::vector<unsigned char>{0x03, 0x00, 0x00, 0x00, 0x61, 0x62, 0x63}));
}

TEST_F(SaveFile, EmptyStringIsTheZeroDwordAlone)
{
    EXPECT_TRUE(WriteString(file, ""));
    EXPECT_EQ(Contents(file), (std::vector<unsigned char>{0, 0, 0, 0}));
    std::rewind(file);
    char buf[8] = "xxxxxxx";
    EXPECT_TRUE(ReadString(file, buf));
    EXPECT_STREQ(buf, "");
}

TEST_F(SaveFile, DwordsAndFloatsAreLittleEndian)
{
    WriteDword(file, 0xDEADBEEFu);
    WriteFloat(file, 1.0f);
    EXPECT_EQ(Contents(file), (std::vector<unsigned char>{0xEF, 0xBE, 0xAD, 0xDE, 0x00, 0x00, 0x80, 0x3F}));
    EXPECT_EQ(g_dwBytesWritten, 8u);
}

TEST_F(SaveFile, BoolIsOneByteZeroOrOne)
{
    WriteBool(file, 5);
    WriteBool(file, true);
    WriteBool(file, false);
    EXPECT_EQ(Contents(file), (std::vector<unsigned char>{1, 1, 0}));
    EXPECT_EQ(g_dwBytesWritten, 3u);
}

TEST_F(SaveFile, ZeroBytesNeitherWritesNorCounts)
{
    const char data[1] = {'x'};
    EXPECT_TRUE(WriteBytes(file, data, 0));
    EXPECT_TRUE(ReadBytes(file, nullptr, 0));
    EXPECT_EQ(g_dwBytesWritten, 0u);
    EXPECT_EQ(g_dwBytesRead, 0u);
    EXPECT_TRUE(Contents(file).empty());
}

TEST_F(SaveFile, EveryKindRoundTripsWithItsByteCount)
{
    EOrientation o;
    const D3DXVECTOR3 dir(1, 2, -3);
    o.SetDirection(&dir); // fourth row and column zero: kept as stored
    const D3DXVECTOR3 v(1.5f, -2.25f, 1e30f);
    const unsigned char block[5] = {9, 8, 7, 6, 5};

    ASSERT_TRUE(WriteDword(file, 0x01020304u));
    ASSERT_TRUE(WriteFloat(file, -0.1f));
    ASSERT_TRUE(WriteBool(file, true));
    ASSERT_TRUE(WriteBool(file, false));
    ASSERT_TRUE(WriteVector(file, &v));
    ASSERT_TRUE(WriteVector(file, static_cast<const float*>(v)));
    ASSERT_TRUE(WriteString(file, "hello"));
    ASSERT_TRUE(WriteString(file, ""));
    ASSERT_TRUE(WriteBytes(file, block, sizeof block));
    ASSERT_TRUE(WriteOrientation(file, &o));
    ASSERT_TRUE(WritePesel(file, nullptr));
    ASSERT_TRUE(FinishWriting(file));
    const DWORD expected = 4 + 4 + 1 + 1 + 12 + 12 + (4 + 5) + 4 + 5 + 116 + 12;
    EXPECT_EQ(g_dwBytesWritten, expected);
    EXPECT_EQ(Contents(file).size(), expected);

    std::rewind(file);
    DWORD d = 0;
    float f = 0;
    bool b1 = false;
    BYTE b2 = 7;
    D3DXVECTOR3 v1, v2;
    char s1[16], s2[16] = "junk";
    unsigned char blockBack[5] = {};
    EOrientation back;
    strObject placeholder{};
    HOBJECT obj = &placeholder;
    EXPECT_TRUE(ReadDword(file, &d));
    EXPECT_TRUE(ReadFloat(file, &f));
    EXPECT_TRUE(ReadBool(file, &b1));
    EXPECT_TRUE(ReadBool(file, &b2));
    EXPECT_TRUE(ReadVector(file, &v1));
    EXPECT_TRUE(ReadVector(file, static_cast<float*>(v2)));
    EXPECT_TRUE(ReadString(file, s1));
    EXPECT_TRUE(ReadString(file, s2));
    EXPECT_TRUE(ReadBytes(file, blockBack, sizeof blockBack));
    EXPECT_TRUE(ReadOrientation(file, &back));
    EXPECT_TRUE(ReadPesel(file, &obj));
    EXPECT_EQ(g_dwBytesRead, expected);
    EXPECT_FALSE(g_bSaveReadFailed);

    EXPECT_EQ(d, 0x01020304u);
    EXPECT_EQ(f, -0.1f);
    EXPECT_TRUE(b1);
    EXPECT_EQ(b2, 0);
    EXPECT_EQ(v1, v);
    EXPECT_EQ(v2, v);
    EXPECT_STREQ(s1, "hello");
    EXPECT_STREQ(s2, "");
    EXPECT_EQ(std::memcmp(block, blockBack, sizeof block), 0);
    EXPECT_EQ(back.Quaternion, o.Quaternion);
    EXPECT_EQ(back.Matrix, o.Matrix);
    EXPECT_EQ(back.Matrix._44, 0.0f);
    EXPECT_EQ(back.Forward, o.Forward);
    EXPECT_EQ(back.Right, o.Right);
    EXPECT_EQ(back.Up, o.Up);
    EXPECT_EQ(obj, nullptr);
}

TEST_F(SaveFile, OrientationIs116BytesInFieldOrder)
{
    EOrientation o;
    o.Quaternion = D3DXQUATERNION(1, 2, 3, 4); // deliberately out of step
    o.Forward = D3DXVECTOR3(5, 6, 7);
    o.Right = D3DXVECTOR3(8, 9, 10);
    o.Up = D3DXVECTOR3(11, 12, 13);
    o.Matrix._12 = 42.0f;
    ASSERT_TRUE(WriteOrientation(file, &o));
    EXPECT_EQ(g_dwBytesWritten, 116u);
    const auto bytes = Contents(file);
    ASSERT_EQ(bytes.size(), 116u);
    auto at = [&](size_t offset)
    {
        float v;
        std::memcpy(&v, &bytes[offset], 4);
        return v;
    };
    EXPECT_EQ(at(0), 1.0f);
    EXPECT_EQ(at(12), 4.0f);
    EXPECT_EQ(at(16), 1.0f);  // _11
    EXPECT_EQ(at(20), 42.0f); // _12: row by row
    EXPECT_EQ(at(76), 1.0f);  // _44
    EXPECT_EQ(at(80), 5.0f);  // forward
    EXPECT_EQ(at(92), 8.0f);  // right
    EXPECT_EQ(at(104), 11.0f);
    EXPECT_EQ(at(112), 13.0f);

    // Read back as stored: no rebuild from the quaternion.
    std::rewind(file);
    EOrientation back;
    ASSERT_TRUE(ReadNamedRecord(file, &back));
    EXPECT_EQ(back.Quaternion, D3DXQUATERNION(1, 2, 3, 4));
    EXPECT_EQ(back.Forward, D3DXVECTOR3(5, 6, 7));
    EXPECT_EQ(back.Matrix._12, 42.0f);
}

TEST_F(SaveFile, PeselIsTwelveBytesAndFindsTheObject)
{
    ASSERT_TRUE(WritePesel(file, nullptr));
    EXPECT_EQ(Contents(file), std::vector<unsigned char>(12, 0));

    Object(100, 7, 3800);
    HOBJECT second = Object(200, 9, 3400);
    std::rewind(file);
    ASSERT_TRUE(WritePesel(file, second));
    const auto bytes = Contents(file);
    EXPECT_EQ(bytes, (std::vector<unsigned char>{200, 0, 0, 0, 9, 0, 0, 0, 0x48, 0x0D, 0, 0}));

    std::rewind(file);
    HOBJECT obj = nullptr;
    ASSERT_TRUE(ReadPesel(file, &obj));
    EXPECT_EQ(obj, second);

    // An unknown PESEL gives null; twelve zeros find nothing while no object has an all-zero PESEL.
    FILE* zeros = FileWith(std::vector<unsigned char>(12, 0));
    obj = second;
    ASSERT_TRUE(ReadPesel(zeros, &obj));
    EXPECT_EQ(obj, nullptr);
    FILE* unknown = FileWith({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0});
    obj = second;
    ASSERT_TRUE(ReadPesel(unknown, &obj));
    EXPECT_EQ(obj, nullptr);
    std::fclose(unknown);

    // ... and the object whose PESEL is all zero, when there is one.
    HOBJECT zero = Object(0, 0, 0);
    std::rewind(zeros);
    ASSERT_TRUE(ReadPesel(zeros, &obj));
    EXPECT_EQ(obj, zero);
    std::fclose(zeros);
}

TEST_F(SaveFile, TruncatedFileIsReported)
{
    FILE* f = FileWith({5, 0, 0, 0, 'h', 'e'}); // "hello" cut after two characters
    char buf[16] = "previous";
    EXPECT_FALSE(ReadString(f, buf));
    EXPECT_STREQ(buf, "");
    EXPECT_TRUE(g_bSaveReadFailed);
    EXPECT_EQ(g_dwBytesRead, 9u); // what was asked for

    DWORD d = 77;
    EXPECT_FALSE(ReadDword(f, &d));
    EXPECT_EQ(d, 77u);
    float v[3] = {1, 2, 3};
    EXPECT_FALSE(ReadVector(f, v));
    EXPECT_EQ(v[0], 1.0f);
    EOrientation o;
    EXPECT_FALSE(ReadOrientation(f, &o));
    EXPECT_TRUE(D3DXQuaternionIsIdentity(&o.Quaternion));
    strObject placeholder{};
    HOBJECT obj = &placeholder;
    EXPECT_FALSE(ReadPesel(f, &obj));
    EXPECT_EQ(obj, nullptr);
    std::fclose(f);

    ResetSaveFileErrors();
    EXPECT_FALSE(g_bSaveReadFailed);
}

TEST_F(SaveFile, ReadBoolAtTheEndIsAFailureNotTrue)
{
    FILE* f = FileWith({1});
    bool b = false;
    EXPECT_TRUE(ReadBool(f, &b));
    EXPECT_TRUE(b);
    EXPECT_FALSE(ReadBool(f, &b));
    EXPECT_FALSE(b);
    BYTE by = 9;
    EXPECT_FALSE(ReadBool(f, &by));
    EXPECT_EQ(by, 0);
    EXPECT_TRUE(g_bSaveReadFailed);
    EXPECT_EQ(g_dwBytesRead, 3u);
    std::fclose(f);
}

TEST_F(SaveFile, ReadStringNeverWritesPastTheBuffer)
{
    ASSERT_TRUE(WriteString(file, "abcdefghij"));
    ASSERT_TRUE(WriteDword(file, 77));
    std::rewind(file);
    char small[4];
    EXPECT_FALSE(ReadString(file, small));
    EXPECT_STREQ(small, "abc");
    EXPECT_NE(ConsoleLog().find("ERROR: ReadString(): stored string of 10 characters cut to 3!"),
              std::string::npos);
    // The rest of the string was skipped: the next item reads in step.
    DWORD d = 0;
    EXPECT_TRUE(ReadDword(file, &d));
    EXPECT_EQ(d, 77u);
    EXPECT_EQ(g_dwBytesRead, 4u + 10u + 4u);

    // A wild stored length in a short file: cut, terminated, reported.
    FILE* f = FileWith({0xF0, 0xFF, 0xFF, 0xFF, 'x', 'y', 'z'});
    char buf[8];
    EXPECT_FALSE(ReadString(f, buf, sizeof buf));
    EXPECT_STREQ(buf, "");
    EXPECT_TRUE(g_bSaveReadFailed);
    std::fclose(f);

    FILE* g = FileWith({0xF0, 0xFF, 0xFF, 0xFF, 'x', 'y', 'z', 'w', 'v'});
    char two[3];
    EXPECT_FALSE(ReadString(g, two));
    EXPECT_STREQ(two, "xy");
    std::fclose(g);

    // A string that exactly fills the buffer with its terminator fits.
    std::rewind(file);
    char exact[11];
    EXPECT_TRUE(ReadString(file, exact));
    EXPECT_STREQ(exact, "abcdefghij");
}

TEST_F(SaveFile, WriteToAStreamNotOpenForWritingIsReported)
{
    const auto path = temp->path() / "readonly.sav";
    {
        FILE* w = std::fopen(path.c_str(), "wb");
        ASSERT_NE(w, nullptr);
        std::fclose(w);
    }
    FILE* ro = std::fopen(path.c_str(), "rb");
    ASSERT_NE(ro, nullptr);
    EXPECT_FALSE(WriteDword(ro, 1));
    EXPECT_TRUE(g_bSaveWriteFailed);
    EXPECT_EQ(g_dwBytesWritten, 4u);
    EXPECT_FALSE(CloseSaveFile(ro));
}

TEST_F(SaveFile, FullDiskIsReported)
{
    FILE* full = std::fopen("/dev/full", "wb");
    if (!full)
        GTEST_SKIP() << "no /dev/full here";
    // Small writes sit in the stream's buffer; the failure shows at the flush.
    WriteString(full, "checkpoint");
    EXPECT_FALSE(FinishWriting(full));
    EXPECT_TRUE(g_bSaveWriteFailed);
    // A block larger than the buffer fails on the spot.
    ResetSaveFileErrors();
    std::vector<unsigned char> big(1 << 16, 0xAB);
    EXPECT_FALSE(WriteBytes(full, big.data(), static_cast<DWORD>(big.size())));
    EXPECT_TRUE(g_bSaveWriteFailed);
    EXPECT_FALSE(CloseSaveFile(full));
}

TEST_F(SaveFile, GoodFileClosesCleanly)
{
    ASSERT_TRUE(WriteString(file, "ok"));
    EXPECT_TRUE(CloseSaveFile(file));
    file = nullptr;
    EXPECT_FALSE(g_bSaveWriteFailed);
}

TEST_F(SaveFile, NullFileOrTargetDoesNothing)
{
    EXPECT_FALSE(WriteBool(nullptr, true));
    EXPECT_FALSE(WriteString(nullptr, "x"));
    EXPECT_FALSE(WriteString(file, nullptr));
    EXPECT_FALSE(ReadString(nullptr, nullptr, 0));
    EXPECT_FALSE(WriteOrientation(file, nullptr));
    EXPECT_FALSE(ReadOrientation(nullptr, nullptr));
    EXPECT_FALSE(WritePesel(nullptr, nullptr));
    EXPECT_EQ(g_dwBytesWritten, 0u);
    EXPECT_TRUE(Contents(file).empty());
}
