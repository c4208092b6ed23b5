#pragma once
// Owners for the two COM value types the program handles: text (BSTR) and variants. Each frees
// what it holds exactly once; an out-parameter is filled through ReleaseAndGetAddressOf() so
// that what was held before is freed first, as with ComPtr.
#include <windows.h>
#include <oleauto.h>

class BstrHolder {
public:
    BstrHolder() = default;
    // Allocates a copy of text; Get() is null when the allocation failed.
    explicit BstrHolder(const wchar_t* text) : m_bstr(::SysAllocString(text)) {}
    ~BstrHolder() { Reset(); }
    BstrHolder(const BstrHolder&) = delete;
    BstrHolder& operator=(const BstrHolder&) = delete;

    BSTR Get() const { return m_bstr; }
    BSTR* ReleaseAndGetAddressOf()
    {
        Reset();
        return &m_bstr;
    }
    void Reset()
    {
        ::SysFreeString(m_bstr);
        m_bstr = nullptr;
    }

private:
    BSTR m_bstr = nullptr;
};

class VariantHolder {
public:
    VariantHolder() { ::VariantInit(&m_variant); }
    ~VariantHolder() { Reset(); }
    VariantHolder(const VariantHolder&) = delete;
    VariantHolder& operator=(const VariantHolder&) = delete;

    VARIANT* Get() { return &m_variant; }
    const VARIANT* Get() const { return &m_variant; }
    VARIANT* ReleaseAndGetAddressOf()
    {
        Reset();
        return &m_variant;
    }
    void Reset() { (void)::VariantClear(&m_variant); }

private:
    VARIANT m_variant;
};
