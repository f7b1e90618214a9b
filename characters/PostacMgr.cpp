// STAND-IN: see PostacMgr.h.
#include "characters/PostacMgr.h"

CPostacMgr PMgr;

void CPostacMgr::DeleteDeadCharacters()
{
    ++m_iDeleteDeadRequests;
}
