// Programmable drawing: GLSL shaders handed over as the effect layer hands
// them, vertices through declarations, uniforms by name, several targets,
// depth, and reading back what was drawn.
#include "d3d9_fixture.h"

#include "platform/d3d9/GlslShaders.h"
#include "platform/d3dx/D3DXMath.h"

#include <cmath>

using namespace d3d9test;

namespace
{
// A lit, textured mesh: position, normal, one set of texture coordinates.
struct MeshVertex
{
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};

const D3DVERTEXELEMENT9 kMeshElements[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END()};

const char* kMeshVertexShader = R"(#version 450 core
layout(location = 0) in vec3 a_position;
layout(location = 3) in vec3 a_normal;
layout(location = 8) in vec2 a_uv;
uniform mat4 u_worldViewProj;
out vec3 v_normal;
out vec2 v_uv;
void main()
{
    gl_Position = vec4(a_position, 1.0) * u_worldViewProj;
    v_normal = a_normal;
    v_uv = a_uv;
}
)";

// Target 0: texture times the light; target 1: the normal as a colour.
const char* kMeshPixelShader = R"(#version 450 core
in vec3 v_normal;
in vec2 v_uv;
uniform sampler2D u_diffuse;
uniform vec3 u_toLight;
uniform float u_ambient;
layout(location = 0) out vec4 o_color;
layout(location = 1) out vec4 o_normal;
void main()
{
    float light = clamp(dot(normalize(v_normal), u_toLight), 0.0, 1.0) + u_ambient;
    o_color = vec4(texture(u_diffuse, v_uv).rgb * light, 1.0);
    o_normal = vec4(v_normal * 0.5 + 0.5, 1.0);
}
)";

// Six faces of a unit cube around the origin, each wound clockwise seen from outside.
std::vector<MeshVertex> Cube()
{
    std::vector<MeshVertex> v;
    auto face = [&](D3DXVECTOR3 n, D3DXVECTOR3 right, D3DXVECTOR3 up)
    {
        const D3DXVECTOR3 c = n * 0.5f;
        const D3DXVECTOR3 p[4] = {c - right * 0.5f + up * 0.5f, c + right * 0.5f + up * 0.5f,
                                  c + right * 0.5f - up * 0.5f, c - right * 0.5f - up * 0.5f};
        const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        for (int i : {0, 1, 2, 0, 2, 3})
            v.push_back({p[i].x, p[i].y, p[i].z, n.x, n.y, n.z, uv[i][0], uv[i][1]});
    };
    face({0, 0, -1}, {1, 0, 0}, {0, 1, 0});
    face({0, 0, 1}, {-1, 0, 0}, {0, 1, 0});
    face({1, 0, 0}, {0, 0, 1}, {0, 1, 0});
    face({-1, 0, 0}, {0, 0, -1}, {0, 1, 0});
    face({0, 1, 0}, {1, 0, 0}, {0, 0, 1});
    face({0, -1, 0}, {1, 0, 0}, {0, 0, -1});
    return v;
}

bool Near(D3DCOLOR a, D3DCOLOR b, int tolerance = 2)
{
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int((a >> shift) & 0xff) - int((b >> shift) & 0xff)) > tolerance)
            return false;
    return true;
}
} // namespace

class ShaderTest : public DeviceTest
{
protected:
    void TearDown() override
    {
        for (IUnknown* object : owned)
            object->Release();
        DeviceTest::TearDown();
    }

    template <class T> T* Keep(T* object)
    {
        if (object)
            owned.push_back(object);
        return object;
    }

    IDirect3DVertexShader9* VertexShader(const char* source)
    {
        IDirect3DVertexShader9* shader = nullptr;
        EXPECT_EQ(device->CreateVertexShader(reinterpret_cast<const DWORD*>(source), &shader), D3D_OK)
            << TkGetLastShaderLog(device);
        return Keep(shader);
    }

    IDirect3DPixelShader9* PixelShader(const char* source)
    {
        IDirect3DPixelShader9* shader = nullptr;
        EXPECT_EQ(device->CreatePixelShader(reinterpret_cast<const DWORD*>(source), &shader), D3D_OK)
            << TkGetLastShaderLog(device);
        return Keep(shader);
    }

    IDirect3DTexture9* SolidTexture(D3DCOLOR color, UINT size = 2)
    {
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(
            device->CreateTexture(size, size, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
            D3D_OK);
        D3DLOCKED_RECT locked;
        EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < size; ++y)
            for (UINT x = 0; x < size; ++x)
                std::memcpy(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch + x * 4, &color, 4);
        texture->UnlockRect(0);
        return Keep(texture);
    }

    void SetMatrix(const char* name, const D3DXMATRIX& m)
    {
        ASSERT_EQ(TkSetShaderUniform(device, name, TkUniformType::Mat4, &m, 1), D3D_OK);
    }

    // Camera at z = -3 looking at the origin, 60 degrees of view.
    D3DXMATRIX ViewProjection()
    {
        D3DXMATRIX view, projection, out;
        const D3DXVECTOR3 eye(0, 0, -3), at(0, 0, 0), up(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 3, 64.0f / 48.0f, 0.5f, 10.0f);
        D3DXMatrixMultiply(&out, &view, &projection);
        return out;
    }

    std::vector<IUnknown*> owned;
};

TEST_F(ShaderTest, ShadersThatDoNotCompileAnswerInvalidCallAndKeepTheirLog)
{
    EXPECT_EQ(TkGetLastShaderLog(device), "");
    const char* broken = "#version 450 core\nvoid main() { gl_Position = undefined_thing; }\n";
    IDirect3DVertexShader9* vs = nullptr;
    EXPECT_EQ(device->CreateVertexShader(reinterpret_cast<const DWORD*>(broken), &vs), D3DERR_INVALIDCALL);
    EXPECT_EQ(vs, nullptr);
    EXPECT_NE(TkGetLastShaderLog(device).find("undefined_thing"), std::string::npos)
        << TkGetLastShaderLog(device);
    IDirect3DPixelShader9* ps = nullptr;
    EXPECT_EQ(device->CreatePixelShader(reinterpret_cast<const DWORD*>("not glsl at all"), &ps),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreatePixelShader(nullptr, &ps), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateVertexShader(reinterpret_cast<const DWORD*>(broken), nullptr),
              D3DERR_INVALIDCALL);
}

TEST_F(ShaderTest, APairThatDoesNotLinkFailsItsDrawsWithItsLog)
{
    // The pixel shader reads a value no vertex shader writes.
    IDirect3DVertexShader9* vs = VertexShader("#version 450 core\nlayout(location = 0) in vec4 p;\n"
                                              "void main() { gl_Position = p; }\n");
    IDirect3DPixelShader9* ps = PixelShader("#version 450 core\nin vec4 v_missing;\nout vec4 o;\n"
                                            "void main() { o = v_missing; }\n");
    ASSERT_TRUE(vs && ps);
    IDirect3DVertexDeclaration9* decl = nullptr;
    ASSERT_EQ(device->CreateVertexDeclaration(kMeshElements, &decl), D3D_OK);
    Keep(decl);
    device->SetVertexDeclaration(decl);
    device->SetVertexShader(vs);
    device->SetPixelShader(ps);
    const std::vector<MeshVertex> cube = Cube();
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, cube.data(), sizeof(MeshVertex)),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->EndScene(), D3D_OK);
    EXPECT_NE(TkGetLastShaderLog(device).find("v_missing"), std::string::npos) << TkGetLastShaderLog(device);
    device->SetVertexShader(nullptr);
    device->SetPixelShader(nullptr);
}

TEST_F(ShaderTest, ALitTexturedCubeDrawsIntoTwoTargetsWithDepth)
{
    IDirect3DVertexShader9* vs = VertexShader(kMeshVertexShader);
    IDirect3DPixelShader9* ps = PixelShader(kMeshPixelShader);
    ASSERT_TRUE(vs && ps);
    IDirect3DVertexDeclaration9* decl = nullptr;
    ASSERT_EQ(device->CreateVertexDeclaration(kMeshElements, &decl), D3D_OK);
    Keep(decl);
    IDirect3DTexture9* normals = nullptr;
    ASSERT_EQ(device->CreateTexture(64, 48, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                    &normals, nullptr),
              D3D_OK);
    Keep(normals);
    IDirect3DSurface9* normalSurface = nullptr;
    ASSERT_EQ(normals->GetSurfaceLevel(0, &normalSurface), D3D_OK);
    Keep(normalSurface);

    ASSERT_EQ(device->SetRenderTarget(1, normalSurface), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0),
              D3D_OK);
    device->SetVertexDeclaration(decl);
    device->SetVertexShader(vs);
    device->SetPixelShader(ps);
    device->SetTexture(0, SolidTexture(D3DCOLOR_XRGB(200, 100, 40)));
    const int stage = 0;
    ASSERT_EQ(TkSetShaderUniform(device, "u_diffuse", TkUniformType::Sampler, &stage, 1), D3D_OK);
    const float toLight[3] = {0, 0, -1};
    ASSERT_EQ(TkSetShaderUniform(device, "u_toLight", TkUniformType::Vec3, toLight, 1), D3D_OK);
    const float ambient = 0.0f;
    ASSERT_EQ(TkSetShaderUniform(device, "u_ambient", TkUniformType::Float, &ambient, 1), D3D_OK);
    SetMatrix("u_worldViewProj", ViewProjection());

    const std::vector<MeshVertex> cube = Cube();
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(
        device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(cube.size() / 3), cube.data(), sizeof(MeshVertex)),
        D3D_OK);
    // A wall behind the cube, drawn after it: the depth test keeps the cube.
    const float wall = 50.0f;
    const std::vector<MeshVertex> back = {
        {-wall, wall, 2, 0, 0, -1, 0, 0}, {wall, wall, 2, 0, 0, -1, 0, 0},
        {wall, -wall, 2, 0, 0, -1, 0, 0}, {-wall, wall, 2, 0, 0, -1, 0, 0},
        {wall, -wall, 2, 0, 0, -1, 0, 0}, {-wall, -wall, 2, 0, 0, -1, 0, 0}};
    const float dim = 0.5f;
    ASSERT_EQ(TkSetShaderUniform(device, "u_ambient", TkUniformType::Float, &dim, 1), D3D_OK);
    device->SetTexture(0, SolidTexture(D3DCOLOR_XRGB(0, 0, 100)));
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, back.data(), sizeof(MeshVertex)), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);

    // The front face fills the centre, lit head-on; the wall (lit 1.5 times) the corners.
    EXPECT_TRUE(Near(BackPixel(32, 24), D3DCOLOR_XRGB(200, 100, 40))) << std::hex << BackPixel(32, 24);
    EXPECT_TRUE(Near(BackPixel(1, 1), D3DCOLOR_XRGB(0, 0, 150))) << std::hex << BackPixel(1, 1);
    EXPECT_TRUE(Near(BackPixel(62, 46), D3DCOLOR_XRGB(0, 0, 150))) << std::hex << BackPixel(62, 46);
    // The second target holds the normals: (0, 0, -1) at the centre, the wall's too.
    EXPECT_TRUE(Near(Pixel(normalSurface, 32, 24), D3DCOLOR_ARGB(255, 128, 128, 0)))
        << std::hex << Pixel(normalSurface, 32, 24);
    // The cube is symmetric about the centre of the screen, which lies on the
    // centre of pixel (32, 24) as pixel centres lie on whole coordinates: its
    // first and last rows and columns lie as far from that pixel.
    int top = -1, bottom = -1, left = -1, right = -1;
    for (int i = 0; i < 64; ++i)
    {
        if (i < 48 && Near(BackPixel(32, UINT(i)), D3DCOLOR_XRGB(200, 100, 40)))
            bottom = i, top = top < 0 ? i : top;
        if (Near(BackPixel(UINT(i), 24), D3DCOLOR_XRGB(200, 100, 40)))
            right = i, left = left < 0 ? i : left;
    }
    EXPECT_GT(top, 0);
    EXPECT_EQ(top + bottom, 48);
    EXPECT_GT(left, 0);
    EXPECT_EQ(left + right, 64);
    device->SetRenderTarget(1, nullptr);
    device->SetTexture(0, nullptr);
    device->SetVertexShader(nullptr);
    device->SetPixelShader(nullptr);
}

TEST_F(ShaderTest, UniformsAndConstantsReachTheProgramWhenTheyChange)
{
    IDirect3DVertexShader9* vs = VertexShader(R"(#version 450 core
layout(location = 0) in vec4 a_position;
void main() { gl_Position = vec4(a_position.xy, 0.5, 1.0); }
)");
    // Colour from a uniform array, a bool, an int and the pixel-shader constants.
    IDirect3DPixelShader9* ps = PixelShader(R"(#version 450 core
uniform vec4 u_colors[2];
uniform bool u_second;
uniform int u_scale;
uniform vec4 tk_PSConstants[224];
out vec4 o;
void main() { o = (u_second ? u_colors[1] : u_colors[0]) * float(u_scale) + tk_PSConstants[3]; }
)");
    ASSERT_TRUE(vs && ps);
    const D3DVERTEXELEMENT9 elements[] = {
        {0, 0, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
    IDirect3DVertexDeclaration9* decl = nullptr;
    ASSERT_EQ(device->CreateVertexDeclaration(elements, &decl), D3D_OK);
    Keep(decl);
    device->SetVertexDeclaration(decl);
    device->SetVertexShader(vs);
    device->SetPixelShader(ps);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    const float quad[] = {-1, 1, 1, 1, -1, -1, 1, -1};
    auto draw = [&]()
    {
        EXPECT_EQ(device->BeginScene(), D3D_OK);
        EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, 2 * sizeof(float)), D3D_OK);
        EXPECT_EQ(device->EndScene(), D3D_OK);
        return BackPixel(10, 10);
    };
    const float colors[2][4] = {{0.2f, 0, 0, 1}, {0, 0.2f, 0, 1}};
    ASSERT_EQ(TkSetShaderUniform(device, "u_colors", TkUniformType::Vec4, colors, 2), D3D_OK);
    const int off = 0, scale = 2, on = 1;
    ASSERT_EQ(TkSetShaderUniform(device, "u_second", TkUniformType::Bool, &off, 1), D3D_OK);
    ASSERT_EQ(TkSetShaderUniform(device, "u_scale", TkUniformType::Int, &scale, 1), D3D_OK);
    // A value no shader declares, and one of the wrong type, change nothing.
    ASSERT_EQ(TkSetShaderUniform(device, "u_nobody", TkUniformType::Float, colors, 1), D3D_OK);
    EXPECT_TRUE(Near(draw(), D3DCOLOR_XRGB(102, 0, 0))) << std::hex << BackPixel(10, 10);

    ASSERT_EQ(TkSetShaderUniform(device, "u_second", TkUniformType::Bool, &on, 1), D3D_OK);
    EXPECT_TRUE(Near(draw(), D3DCOLOR_XRGB(0, 102, 0))) << std::hex << BackPixel(10, 10);

    const float blue[4] = {0, 0, 0.5f, 0};
    ASSERT_EQ(device->SetPixelShaderConstantF(3, blue, 1), D3D_OK);
    EXPECT_TRUE(Near(draw(), D3DCOLOR_XRGB(0, 102, 128))) << std::hex << BackPixel(10, 10);
    float back[4] = {};
    ASSERT_EQ(device->GetPixelShaderConstantF(3, back, 1), D3D_OK);
    EXPECT_EQ(back[2], 0.5f);
    EXPECT_EQ(device->SetPixelShaderConstantF(224, blue, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetVertexShaderConstantF(250, blue, 7), D3DERR_INVALIDCALL);

    EXPECT_EQ(TkSetShaderUniform(device, "u_scale", TkUniformType::Vec4, colors, 1), D3D_OK);
    EXPECT_TRUE(Near(draw(), D3DCOLOR_XRGB(0, 102, 128))) << "a wrong type is not sent";
    EXPECT_EQ(TkSetShaderUniform(device, nullptr, TkUniformType::Int, &on, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(TkSetShaderUniform(device, "u_scale", TkUniformType::Int, nullptr, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(TkSetShaderUniform(device, "u_scale", TkUniformType::Int, &on, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(TkSetShaderUniform(nullptr, "u_scale", TkUniformType::Int, &on, 1), D3DERR_INVALIDCALL);

    IDirect3DVertexShader9* got = nullptr;
    ASSERT_EQ(device->GetVertexShader(&got), D3D_OK);
    EXPECT_EQ(got, vs);
    got->Release();
    device->SetVertexShader(nullptr);
    device->SetPixelShader(nullptr);
}

// Two passes: a target drawn in the first is sampled in the second.
class TwoPassTest : public ShaderTest
{
protected:
    void SetUp() override
    {
        ShaderTest::SetUp();
        const D3DVERTEXELEMENT9 elements[] = {
            {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
        IDirect3DVertexDeclaration9* decl = nullptr;
        ASSERT_EQ(device->CreateVertexDeclaration(elements, &decl), D3D_OK);
        Keep(decl);
        device->SetVertexDeclaration(decl);
        vs = VertexShader(R"(#version 450 core
layout(location = 0) in vec3 a_position;
out vec2 v_ndc;
void main() { gl_Position = vec4(a_position, 1.0); v_ndc = a_position.xy; }
)");
        device->SetRenderState(D3DRS_ZENABLE, FALSE);
    }

    void TearDown() override
    {
        device->SetVertexShader(nullptr);
        device->SetPixelShader(nullptr);
        for (DWORD i = 0; i < 4; ++i)
            device->SetTexture(i, nullptr);
        ShaderTest::TearDown();
    }

    // A full-screen quad at depth z through a pixel shader.
    void FullScreen(IDirect3DPixelShader9* ps, float z = 0.5f)
    {
        device->SetVertexShader(vs);
        device->SetPixelShader(ps);
        const float quad[] = {-1, 1, z, 1, 1, z, -1, -1, z, 1, -1, z};
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, 3 * sizeof(float)), D3D_OK);
        ASSERT_EQ(device->EndScene(), D3D_OK);
    }

    void SetSampler(const char* name, int stage)
    {
        ASSERT_EQ(TkSetShaderUniform(device, name, TkUniformType::Sampler, &stage, 1), D3D_OK);
    }

    IDirect3DSurface9* Surface(IDirect3DTexture9* texture)
    {
        IDirect3DSurface9* s = nullptr;
        EXPECT_EQ(texture->GetSurfaceLevel(0, &s), D3D_OK);
        return Keep(s);
    }

    IDirect3DVertexShader9* vs = nullptr;
};

TEST_F(TwoPassTest, AFloatTargetBlendsBeyondOneAndIsSampledInTheNextPass)
{
    IDirect3DTexture9* hdr = nullptr;
    ASSERT_EQ(device->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A16B16G16R16F, D3DPOOL_DEFAULT,
                                    &hdr, nullptr),
              D3D_OK);
    Keep(hdr);
    IDirect3DSurface9* back = Keep(BackBuffer());
    ASSERT_EQ(device->SetRenderTarget(0, Surface(hdr)), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
    IDirect3DPixelShader9* bright =
        PixelShader("#version 450 core\nout vec4 o;\nvoid main() { o = vec4(3.0, 6.0, 0.25, 1.0); }\n");
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    FullScreen(bright);
    FullScreen(bright);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);

    // Second pass: scale the sums (6, 12, 0.5) down into the back buffer.
    ASSERT_EQ(device->SetRenderTarget(0, back), D3D_OK);
    device->SetTexture(0, hdr);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    SetSampler("u_hdr", 0);
    FullScreen(PixelShader(R"(#version 450 core
in vec2 v_ndc;
uniform sampler2D u_hdr;
out vec4 o;
void main() { o = texture(u_hdr, v_ndc * 0.5 + 0.5) / vec4(12.0, 24.0, 1.0, 1.0); }
)"));
    EXPECT_TRUE(Near(BackPixel(20, 20), D3DCOLOR_XRGB(128, 128, 128))) << std::hex << BackPixel(20, 20);
}

TEST_F(TwoPassTest, ACubeFaceIsDrawnIntoAndSampledByDirection)
{
    IDirect3DCubeTexture9* cube = nullptr;
    ASSERT_EQ(device->CreateCubeTexture(8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &cube,
                                        nullptr),
              D3D_OK);
    Keep(cube);
    IDirect3DSurface9* back = Keep(BackBuffer());
    const D3DCOLOR colors[6] = {D3DCOLOR_XRGB(255, 0, 0),   D3DCOLOR_XRGB(0, 255, 0),
                                D3DCOLOR_XRGB(0, 0, 255),   D3DCOLOR_XRGB(255, 255, 0),
                                D3DCOLOR_XRGB(0, 255, 255), D3DCOLOR_XRGB(255, 0, 255)};
    IDirect3DPixelShader9* fill =
        PixelShader("#version 450 core\nuniform vec4 u_fill;\nout vec4 o;\nvoid main() { o = u_fill; }\n");
    for (UINT face = 0; face < 6; ++face)
    {
        IDirect3DSurface9* surface = nullptr;
        ASSERT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACES(face), 0, &surface), D3D_OK);
        ASSERT_EQ(device->SetRenderTarget(0, surface), D3D_OK);
        surface->Release();
        const float c[4] = {((colors[face] >> 16) & 0xff) / 255.0f, ((colors[face] >> 8) & 0xff) / 255.0f,
                            (colors[face] & 0xff) / 255.0f, 1.0f};
        ASSERT_EQ(TkSetShaderUniform(device, "u_fill", TkUniformType::Vec4, c, 1), D3D_OK);
        FullScreen(fill);
    }
    ASSERT_EQ(device->SetRenderTarget(0, back), D3D_OK);
    device->SetTexture(1, cube);
    SetSampler("u_cube", 1);
    // The left half looks along +x, the right half along -z.
    FullScreen(PixelShader(R"(#version 450 core
in vec2 v_ndc;
uniform samplerCube u_cube;
out vec4 o;
void main() { o = texture(u_cube, v_ndc.x < 0.0 ? vec3(1.0, 0.0, 0.0) : vec3(0.0, 0.0, -1.0)); }
)"));
    EXPECT_EQ(BackPixel(5, 20), colors[D3DCUBEMAP_FACE_POSITIVE_X]);
    EXPECT_EQ(BackPixel(60, 20), colors[D3DCUBEMAP_FACE_NEGATIVE_Z]);
}

TEST_F(TwoPassTest, ADepthTextureIsSampledAsAShadowTest)
{
    IDirect3DTexture9* shadow = nullptr;
    ASSERT_EQ(device->CreateTexture(64, 48, 1, D3DUSAGE_DEPTHSTENCIL, D3DFMT_D24S8, D3DPOOL_DEFAULT, &shadow,
                                    nullptr),
              D3D_OK);
    Keep(shadow);
    IDirect3DTexture9* colour = nullptr;
    ASSERT_EQ(device->CreateTexture(64, 48, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                    &colour, nullptr),
              D3D_OK);
    Keep(colour);
    IDirect3DSurface9* back = Keep(BackBuffer());
    IDirect3DSurface9* autoDepth = nullptr;
    ASSERT_EQ(device->GetDepthStencilSurface(&autoDepth), D3D_OK);
    Keep(autoDepth);

    // The caster: a quad at depth 0.25 over the left half of the map.
    ASSERT_EQ(device->SetRenderTarget(0, Surface(colour)), D3D_OK);
    ASSERT_EQ(device->SetDepthStencilSurface(Surface(shadow)), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    device->SetVertexShader(vs);
    device->SetPixelShader(PixelShader("#version 450 core\nout vec4 o;\nvoid main() { o = vec4(1.0); }\n"));
    const float half[] = {-1, 1, 0.25f, 0, 1, 0.25f, -1, -1, 0.25f, 0, -1, 0.25f};
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, half, 3 * sizeof(float)), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    device->SetRenderState(D3DRS_COLORWRITEENABLE, 0xf);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);

    // The receiver at depth 0.5 compares with the map: shadowed on the left only.
    ASSERT_EQ(device->SetRenderTarget(0, back), D3D_OK);
    ASSERT_EQ(device->SetDepthStencilSurface(autoDepth), D3D_OK);
    device->SetTexture(2, shadow);
    SetSampler("u_shadow", 2);
    FullScreen(PixelShader(R"(#version 450 core
in vec2 v_ndc;
uniform sampler2DShadow u_shadow;
out vec4 o;
void main()
{
    vec2 uv = vec2(v_ndc.x * 0.5 + 0.5, 0.5 - v_ndc.y * 0.5);
    float lit = texture(u_shadow, vec3(uv, 0.5));
    o = vec4(lit, lit, lit, 1.0);
}
)"));
    EXPECT_EQ(BackPixel(10, 20), D3DCOLOR_XRGB(0, 0, 0));
    EXPECT_EQ(BackPixel(50, 20), D3DCOLOR_XRGB(255, 255, 255));
}

TEST_F(TwoPassTest, TheAlphaTestFollowsThePixelShader)
{
    // Alpha rises from 0 at the left edge to 1 at the right: with the test
    // "greater than 128" only the right half is drawn.
    const char* shaders[] = {R"(#version 450 core
in vec2 v_ndc;
out vec4 o;
void main() { o = vec4(1.0, 1.0, 1.0, v_ndc.x * 0.5 + 0.5); }
)",
                             R"(#version 450 core
in vec2 v_ndc;
layout(location = 0) out vec4 colour;
layout(location = 1) out vec4 unused;
void main(void)
{
    unused = vec4(0.0);
    colour = vec4(1.0, 1.0, 1.0, v_ndc.x * 0.5 + 0.5);
    return;
}
)"};
    const D3DCOLOR clear = D3DCOLOR_XRGB(0, 0, 40), white = D3DCOLOR_XRGB(255, 255, 255);
    for (const char* text : shaders)
    {
        IDirect3DPixelShader9* ps = PixelShader(text);
        device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
        device->SetRenderState(D3DRS_ALPHAREF, 128);
        device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, clear, 1.0f, 0), D3D_OK);
        FullScreen(ps);
        EXPECT_EQ(BackPixel(10, 20), clear);
        EXPECT_EQ(BackPixel(54, 20), white);
        // The reverse test keeps the other half; switched off, everything.
        device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_LESSEQUAL);
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, clear, 1.0f, 0), D3D_OK);
        FullScreen(ps);
        EXPECT_EQ(BackPixel(10, 20), white);
        EXPECT_EQ(BackPixel(54, 20), clear);
        device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, clear, 1.0f, 0), D3D_OK);
        FullScreen(ps);
        EXPECT_EQ(BackPixel(10, 20), white);
        EXPECT_EQ(BackPixel(54, 20), white);
    }
}

// The G-buffer's shape: four targets of mixed formats written by one draw,
// each then read back through a sampler into the back buffer.
TEST_F(TwoPassTest, FourTargetsOfMixedFormatsTakeTheirOwnOutputs)
{
    const D3DFORMAT formats[4] = {D3DFMT_A8R8G8B8, D3DFMT_R32F, D3DFMT_A8R8G8B8, D3DFMT_G16R16F};
    IDirect3DTexture9* targets[4] = {};
    for (int i = 0; i < 4; ++i)
    {
        ASSERT_EQ(device->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, formats[i], D3DPOOL_DEFAULT,
                                        &targets[i], nullptr),
                  D3D_OK)
            << i;
        Keep(targets[i]);
    }
    IDirect3DSurface9* back = Keep(BackBuffer());
    for (DWORD i = 0; i < 4; ++i)
        ASSERT_EQ(device->SetRenderTarget(i, Surface(targets[i])), D3D_OK) << i;
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
    // Values beyond one survive in the float targets only.
    FullScreen(PixelShader(R"(#version 450 core
layout(location = 0) out vec4 o0;
layout(location = 1) out vec4 o1;
layout(location = 2) out vec4 o2;
layout(location = 3) out vec4 o3;
void main()
{
    o0 = vec4(1.0, 0.0, 0.0, 1.0);
    o1 = vec4(250.5, 0.0, 0.0, 1.0);
    o2 = vec4(0.0, 0.0, 1.0, 1.0);
    o3 = vec4(-3.0, 40.0, 0.0, 1.0);
}
)"));
    for (DWORD i = 1; i < 4; ++i)
        ASSERT_EQ(device->SetRenderTarget(i, nullptr), D3D_OK);
    ASSERT_EQ(device->SetRenderTarget(0, back), D3D_OK);
    for (DWORD i = 0; i < 4; ++i)
        device->SetTexture(i, targets[i]);
    SetSampler("u_t0", 0);
    SetSampler("u_t1", 1);
    SetSampler("u_t2", 2);
    SetSampler("u_t3", 3);
    // Quarters of the screen, left to right: target 0, 1 (/ 501), 2, 3 (a unit per channel).
    FullScreen(PixelShader(R"(#version 450 core
in vec2 v_ndc;
uniform sampler2D u_t0;
uniform sampler2D u_t1;
uniform sampler2D u_t2;
uniform sampler2D u_t3;
out vec4 o;
void main()
{
    vec2 uv = v_ndc * 0.5 + 0.5;
    int quarter = int(clamp(uv.x * 4.0, 0.0, 3.0));
    if (quarter == 0) o = texture(u_t0, uv);
    else if (quarter == 1) o = vec4(texture(u_t1, uv).r / 501.0, 0.0, 0.0, 1.0);
    else if (quarter == 2) o = texture(u_t2, uv);
    else { vec4 g = texture(u_t3, uv); o = vec4(g.r == -3.0 ? 1.0 : 0.0, g.g == 40.0 ? 1.0 : 0.0, g.b, 1.0); }
}
)"));
    EXPECT_TRUE(Near(BackPixel(8, 20), D3DCOLOR_XRGB(255, 0, 0))) << std::hex << BackPixel(8, 20);
    EXPECT_TRUE(Near(BackPixel(24, 20), D3DCOLOR_XRGB(128, 0, 0))) << std::hex << BackPixel(24, 20);
    EXPECT_TRUE(Near(BackPixel(40, 20), D3DCOLOR_XRGB(0, 0, 255))) << std::hex << BackPixel(40, 20);
    // G16R16F holds two channels; blue reads as 0 (Direct3D reads 1, the shaders never use it).
    EXPECT_EQ(BackPixel(56, 20) & 0xffff00u, D3DCOLOR_XRGB(255, 255, 0) & 0xffff00u)
        << std::hex << BackPixel(56, 20);
}

// Blending by the source alpha into a half-float target: the sums go beyond
// one and below zero stays representable, as the light passes need.
TEST_F(TwoPassTest, AHalfFloatTargetBlendsBySourceAlpha)
{
    IDirect3DTexture9* hdr = nullptr;
    ASSERT_EQ(device->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A16B16G16R16F, D3DPOOL_DEFAULT,
                                    &hdr, nullptr),
              D3D_OK);
    Keep(hdr);
    IDirect3DSurface9* back = Keep(BackBuffer());
    ASSERT_EQ(device->SetRenderTarget(0, Surface(hdr)), D3D_OK);
    const float start[4] = {4.0f, 0.0f, 1.0f, 1.0f};
    ASSERT_EQ(TkSetShaderUniform(device, "u_fill", TkUniformType::Vec4, start, 1), D3D_OK);
    IDirect3DPixelShader9* fill =
        PixelShader("#version 450 core\nuniform vec4 u_fill;\nout vec4 o;\nvoid main() { o = u_fill; }\n");
    FullScreen(fill);
    // src * 0.25 + dest * 0.75: (8, 2, -1) over (4, 0, 1) gives (5, 0.5, 0.5).
    const float over[4] = {8.0f, 2.0f, -1.0f, 0.25f};
    ASSERT_EQ(TkSetShaderUniform(device, "u_fill", TkUniformType::Vec4, over, 1), D3D_OK);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    FullScreen(fill);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    ASSERT_EQ(device->SetRenderTarget(0, back), D3D_OK);
    device->SetTexture(0, hdr);
    SetSampler("u_hdr", 0);
    FullScreen(PixelShader(R"(#version 450 core
uniform sampler2D u_hdr;
out vec4 o;
void main() { vec4 t = texture(u_hdr, vec2(0.5)); o = vec4(t.r / 10.0, t.g, t.b, 1.0); }
)"));
    EXPECT_TRUE(Near(BackPixel(20, 20), D3DCOLOR_XRGB(128, 128, 128))) << std::hex << BackPixel(20, 20);
}

// A point light's shadow: distances drawn into one face of an R32F cube with
// a depth surface of its own size, nearer casters winning, then read back by
// direction.
TEST_F(TwoPassTest, AnR32FCubeFaceTakesDistancesWithItsOwnDepth)
{
    IDirect3DCubeTexture9* cube = nullptr;
    ASSERT_EQ(
        device->CreateCubeTexture(32, 1, D3DUSAGE_RENDERTARGET, D3DFMT_R32F, D3DPOOL_DEFAULT, &cube, nullptr),
        D3D_OK);
    Keep(cube);
    IDirect3DSurface9* depth = nullptr;
    ASSERT_EQ(device->CreateDepthStencilSurface(32, 32, D3DFMT_D24X8, D3DMULTISAMPLE_NONE, 0, TRUE, &depth,
                                                nullptr),
              D3D_OK);
    Keep(depth);
    IDirect3DSurface9* back = Keep(BackBuffer());
    IDirect3DSurface9* autoDepth = nullptr;
    ASSERT_EQ(device->GetDepthStencilSurface(&autoDepth), D3D_OK);
    Keep(autoDepth);
    IDirect3DSurface9* face = nullptr;
    ASSERT_EQ(cube->GetCubeMapSurface(D3DCUBEMAP_FACE_POSITIVE_Z, 0, &face), D3D_OK);
    Keep(face);
    ASSERT_EQ(device->SetRenderTarget(0, face), D3D_OK);
    ASSERT_EQ(device->SetDepthStencilSurface(depth), D3D_OK);
    D3DVIEWPORT9 viewport = {};
    ASSERT_EQ(device->GetViewport(&viewport), D3D_OK);
    EXPECT_EQ(viewport.Width, 32u);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFFFFFFF, 1.0f, 0), D3D_OK);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    // The far caster over the whole face, then a nearer one drawn after it
    // over the left half, then a farther one over everything that must lose.
    IDirect3DPixelShader9* distance = PixelShader("#version 450 core\nuniform float u_d;\nout vec4 o;\nvoid "
                                                  "main() { o = vec4(u_d, 0.0, 0.0, 1.0); }\n");
    auto draw = [&](float x0, float x1, float z, float d)
    {
        ASSERT_EQ(TkSetShaderUniform(device, "u_d", TkUniformType::Float, &d, 1), D3D_OK);
        device->SetVertexShader(vs);
        device->SetPixelShader(distance);
        const float quad[] = {x0, 1, z, x1, 1, z, x0, -1, z, x1, -1, z};
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, 3 * sizeof(float)), D3D_OK);
        ASSERT_EQ(device->EndScene(), D3D_OK);
    };
    draw(-1, 1, 0.6f, 60.0f);
    draw(-1, 0, 0.2f, 20.0f);
    draw(-1, 1, 0.9f, 900.0f);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    ASSERT_EQ(device->SetRenderTarget(0, back), D3D_OK);
    ASSERT_EQ(device->SetDepthStencilSurface(autoDepth), D3D_OK);
    device->SetTexture(1, cube);
    SetSampler("u_cube", 1);
    // Left half of the screen looks at the face's left part, the right half
    // at its right part.
    FullScreen(PixelShader(R"(#version 450 core
in vec2 v_ndc;
uniform samplerCube u_cube;
out vec4 o;
void main()
{
    float d = texture(u_cube, vec3(v_ndc.x < 0.0 ? -0.5 : 0.5, 0.0, 1.0)).r;
    o = vec4(d / 255.0, 0.0, 0.0, 1.0);
}
)"));
    EXPECT_TRUE(Near(BackPixel(10, 20), D3DCOLOR_XRGB(20, 0, 0))) << std::hex << BackPixel(10, 20);
    EXPECT_TRUE(Near(BackPixel(54, 20), D3DCOLOR_XRGB(60, 0, 0))) << std::hex << BackPixel(54, 20);
}

// A 16 x 16 target read back into system memory: the rows come top-down at
// the lock's pitch, so the centre pixel is where a caller computes it.
TEST_F(TwoPassTest, ASmallTargetIsReadBackThroughTheLockPitch)
{
    IDirect3DSurface9* target = nullptr;
    ASSERT_EQ(
        device->CreateRenderTarget(16, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &target, nullptr),
        D3D_OK);
    Keep(target);
    IDirect3DSurface9* system = nullptr;
    ASSERT_EQ(
        device->CreateOffscreenPlainSurface(16, 16, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &system, nullptr),
        D3D_OK);
    Keep(system);
    IDirect3DSurface9* back = Keep(BackBuffer());
    ASSERT_EQ(device->SetRenderTarget(0, target), D3D_OK);
    D3DVIEWPORT9 viewport = {};
    ASSERT_EQ(device->GetViewport(&viewport), D3D_OK);
    EXPECT_EQ(viewport.Width, 16u);
    EXPECT_EQ(viewport.Height, 16u);
    // Each pixel carries its own column and row.
    FullScreen(PixelShader(R"(#version 450 core
out vec4 o;
void main() { o = vec4(floor(gl_FragCoord.x) / 255.0, floor(gl_FragCoord.y) / 255.0, 0.5, 1.0); }
)"));
    ASSERT_EQ(device->SetRenderTarget(0, back), D3D_OK);
    ASSERT_EQ(device->GetRenderTargetData(target, system), D3D_OK);
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(system->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    ASSERT_GE(locked.Pitch, 64);
    const BYTE* bytes = static_cast<const BYTE*>(locked.pBits);
    const int points[3][2] = {{0, 0}, {8, 8}, {15, 3}};
    for (const auto& p : points)
    {
        D3DCOLOR c = 0;
        std::memcpy(&c, bytes + p[1] * locked.Pitch + p[0] * 4, 4);
        EXPECT_EQ(c, D3DCOLOR_ARGB(255, p[0], p[1], 128)) << p[0] << "," << p[1] << " " << std::hex << c;
    }
    system->UnlockRect();
    // A target of another size is refused.
    IDirect3DSurface9* small = nullptr;
    ASSERT_EQ(device->CreateOffscreenPlainSurface(8, 8, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &small, nullptr),
              D3D_OK);
    Keep(small);
    EXPECT_EQ(device->GetRenderTargetData(target, small), D3DERR_INVALIDCALL);
}

// Down- and up-sizing between targets with the linear filter: an edge
// between black and white becomes a ramp, a flat area stays flat.
TEST_F(TwoPassTest, StretchingWithTheLinearFilterBlendsNeighbours)
{
    IDirect3DSurface9* source = nullptr;
    ASSERT_EQ(
        device->CreateRenderTarget(8, 8, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &source, nullptr),
        D3D_OK);
    Keep(source);
    IDirect3DTexture9* wide = nullptr;
    ASSERT_EQ(device->CreateTexture(32, 32, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &wide,
                                    nullptr),
              D3D_OK);
    Keep(wide);
    ASSERT_EQ(device->ColorFill(source, nullptr, D3DCOLOR_XRGB(0, 0, 0)), D3D_OK);
    const RECT right = {4, 0, 8, 8};
    ASSERT_EQ(device->ColorFill(source, &right, D3DCOLOR_XRGB(255, 255, 255)), D3D_OK);
    IDirect3DSurface9* up = Surface(wide);
    ASSERT_EQ(device->StretchRect(source, nullptr, up, nullptr, D3DTEXF_LINEAR), D3D_OK);
    // Source texel 3 (black) and 4 (white) centres land on 14 and 18: between them a ramp.
    EXPECT_EQ(Pixel(up, 2, 5), D3DCOLOR_XRGB(0, 0, 0));
    EXPECT_EQ(Pixel(up, 29, 5), D3DCOLOR_XRGB(255, 255, 255));
    const int ramp = int(Pixel(up, 16, 5) & 0xff);
    EXPECT_GT(ramp, 60);
    EXPECT_LT(ramp, 195);
    EXPECT_LT(int(Pixel(up, 15, 5) & 0xff), ramp);
    EXPECT_GT(int(Pixel(up, 17, 5) & 0xff), ramp);
    // Point filtering of the same copy keeps the hard edge.
    ASSERT_EQ(device->StretchRect(source, nullptr, up, nullptr, D3DTEXF_POINT), D3D_OK);
    EXPECT_EQ(Pixel(up, 15, 5), D3DCOLOR_XRGB(0, 0, 0));
    EXPECT_EQ(Pixel(up, 16, 5), D3DCOLOR_XRGB(255, 255, 255));
    // Down to a 2 x 2 part of the back buffer: each pixel the average of its side.
    IDirect3DSurface9* back = Keep(BackBuffer());
    const RECT to = {40, 30, 42, 32};
    ASSERT_EQ(device->StretchRect(up, nullptr, back, &to, D3DTEXF_LINEAR), D3D_OK);
    EXPECT_LT(int(Pixel(back, 40, 30) & 0xff), 128);
    EXPECT_GT(int(Pixel(back, 41, 30) & 0xff), 128);
}
