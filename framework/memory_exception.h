#pragma once
// Raised when memory for a needed object cannot be had.
class CMemoryException {
};

[[noreturn]] void AfxThrowMemoryException();
