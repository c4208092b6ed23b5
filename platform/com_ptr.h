#pragma once
// The program's counted interface reference: WRL's ComPtr, with the two members that MinGW-w64's
// copy of it gets wrong corrected to what the Windows SDK's does.
//  - Attach takes the given reference over; MinGW-w64's adds another one, which would leak.
//  - Move assignment leaves the source empty; MinGW-w64's copies and leaves it holding.
// Everything else (Get, ReleaseAndGetAddressOf, Reset, copying, As) is WRL's own. Note that
// WRL's unary & releases what the reference holds: out-parameters use ReleaseAndGetAddressOf(),
// and the address of a reference object is taken with std::addressof.
#include <wrl/client.h>

#include <memory>
#include <utility>

template <class T>
class ComPtr : public Microsoft::WRL::ComPtr<T> {
    using Base = Microsoft::WRL::ComPtr<T>;

public:
    using Base::Base;
    ComPtr() = default;
    ComPtr(const ComPtr&) = default;
    ComPtr(ComPtr&& other) noexcept : Base(std::move(other)) {}
    ComPtr& operator=(const ComPtr& other)
    {
        Base::operator=(other);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != std::addressof(other)) {
            Base::Reset();
            Base::Swap(static_cast<Base&>(other));
        }
        return *this;
    }
    ComPtr& operator=(std::nullptr_t)
    {
        Base::Reset();
        return *this;
    }

    // Takes over a reference that the caller owns; releases what was held before.
    void Attach(T* reference)
    {
        if (reference != this->Get())
            *this->ReleaseAndGetAddressOf() = reference;
        else if (reference)
            reference->Release();  // already held: the extra reference is not kept twice
    }
};
