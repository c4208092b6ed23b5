#include "framework/memory_exception.h"

void AfxThrowMemoryException()
{
    throw CMemoryException();
}
