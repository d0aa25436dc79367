#include "gdipapi.h"

#include <new>

namespace orvelle {

// The flat operations this file wraps.
using namespace gdip;

void* TGdiplusBase::operator new(size_t size) {
    void* storage = GdipAlloc(size);
    if (!storage) throw std::bad_alloc();
    return storage;
}

void TGdiplusBase::operator delete(void* storage) {
    if (storage) GdipFree(storage);
}

}  // namespace orvelle
