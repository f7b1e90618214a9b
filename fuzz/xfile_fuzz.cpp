// The .x reader on arbitrary bytes: the file is parsed, every Mesh in it is read as the mesh loader
// reads it, and whatever was read is written and read again.
#include "platform/d3dx/MeshContent.h"
#include "platform/d3dx/XFile.h"

#include <cstdint>
#include <cstdlib>

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
            if (SUCCEEDED(tk::d3dx::ReadMeshContent(doc, static_cast<int>(i), &content)) &&
                !content.data.IndicesValid())
                std::abort();
        }
    for (XFormat format : {XFormat::Text, XFormat::BinaryZip})
    {
        std::vector<uint8_t> bytes;
        XDocument again;
        if (!XWriteMemory(doc, format, &bytes) ||
            XReadMemory(bytes.data(), bytes.size(), &again) != XResult::Ok)
            std::abort();
    }
    return 0;
}
