// The .x reader on arbitrary bytes: the file is parsed, every Mesh in it is read as the mesh loader
// reads it, and whatever was read is written and read again.
#include "platform/d3dx/MeshContent.h"
#include "platform/d3dx/XFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace tk::xfile;
    XDocument doc;
    if (XReadMemory(data, size, &doc) != XResult::Ok)
        return 0;
    for (size_t i = 0; i < doc.objects.size(); ++i)
        if (doc.objects[i].type == "Mesh")
        {
            tk::d3dx::MeshContent content;
            if (FAILED(tk::d3dx::ReadMeshContent(doc, static_cast<int>(i), &content)))
                continue;
            if (!content.data.IndicesValid())
                std::abort();
            // What loading does next, without a device: cleaning, welding, adjacency, optimisation
            // and normals.
            std::string report;
            tk::d3dx::CleanData(&content.data, D3DXCLEAN_SIMPLIFICATION, &report);
            D3DXWELDEPSILONS eps = {};
            eps.Position = eps.Normal = 0.1f;
            std::vector<DWORD> adjacency, faceRemap, vertexRemap;
            tk::d3dx::WeldData(&content.data, D3DXWELDEPSILONS_WELDPARTIALMATCHES, eps, nullptr,
                               &vertexRemap);
            if (!content.data.IndicesValid())
                std::abort();
            tk::d3dx::Adjacency(content.data, 0.0f, &adjacency);
            tk::d3dx::Adjacency(content.data, 0.1f, &adjacency);
            tk::d3dx::OptimizeData(&content.data, D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE, &faceRemap,
                                   &vertexRemap);
            if (!content.data.IndicesValid())
                std::abort();
            tk::d3dx::ComputeNormalsData(&content.data, nullptr);
        }
    // Binary files hold any name or string, so what was read always reads back; text is written
    // for readers of the standard templates and only has to be written without harm.
    std::vector<uint8_t> bytes;
    XDocument again;
    if (!XWriteMemory(doc, XFormat::BinaryZip, &bytes) ||
        XReadMemory(bytes.data(), bytes.size(), &again) != XResult::Ok ||
        again.objects.size() != doc.objects.size())
        std::abort();
    XWriteMemory(doc, XFormat::Text, &bytes);
    XReadMemory(bytes.data(), bytes.size(), &again);
    return 0;
}
