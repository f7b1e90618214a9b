#pragma once
// Skinned models written through the .x writer: a bone hierarchy of frames, one mesh in the bind pose
// under a frame, and each bone's vertex weights with the offset matrix that takes model space into the
// bone's space. Data generators and tests build their models with it.

#include "platform/d3dx/D3DXMath.h"
#include "platform/d3dx/XMesh.h"

#include <string>
#include <vector>

struct SkinModelBone
{
    std::string name;
    int parent = -1;  // an earlier bone, or -1 for a root
    D3DXMATRIX local; // bind pose relative to the parent
};

struct SkinModelInfluence
{
    int bone = 0;
    float weight = 1.0f;
};

struct SkinModelDesc
{
    std::vector<SkinModelBone> bones;
    // Skinned (weights given): model space in the bind pose. Unskinned: the space of its frame.
    tk::xfile::XMeshDesc mesh;
    std::vector<std::vector<SkinModelInfluence>> weights; // per vertex
    int meshFrame = 0;                                    // the bone whose frame carries the mesh
};

// The bind-pose world matrix of every bone.
std::vector<D3DXMATRIX> SkinModelBindPose(const SkinModelDesc& desc);
bool WriteSkinModelFile(const char* path, const SkinModelDesc& desc, tk::xfile::XFormat format);
