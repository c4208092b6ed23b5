#pragma once
// The COM enumerator pattern (Next, Skip, Reset, Clone) over a fixed list of items, each handed
// out with a new reference. The enumerator holds its own references to the items, so it can
// outlive whoever made it.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/com_ptr.h"
#include "sim/sim_object.h"

template <class IEnum, class IItem>
class SimEnumerator : public SimObject<IEnum> {
public:
    // The enumerator's calls are injection points under its interface's name.
    SimEnumerator(const char* name, std::vector<ComPtr<IItem>> items, size_t position = 0)
        : m_name(name), m_items(std::move(items)), m_position(position)
    {
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, IItem** items, ULONG* fetched) override
    {
        if (!items || (count != 1 && !fetched))
            return E_POINTER;
        if (fetched)
            *fetched = 0;
        const HRESULT injected = SimFaults::Check(m_name + "::Next");
        if (FAILED(injected))
            return injected;
        ULONG delivered = 0;
        while (delivered < count && m_position < m_items.size()) {
            items[delivered] = m_items[m_position++].Get();
            items[delivered++]->AddRef();
        }
        if (fetched)
            *fetched = delivered;
        return delivered == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override
    {
        m_position = std::min<size_t>(m_position + count, m_items.size());
        return m_position < m_items.size() ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override
    {
        const HRESULT injected = SimFaults::Check(m_name + "::Reset");
        if (FAILED(injected))
            return injected;
        m_position = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnum** clone) override
    {
        if (!clone)
            return E_POINTER;
        *clone = new SimEnumerator(m_name.c_str(), m_items, m_position);
        return S_OK;
    }

private:
    std::string m_name;
    std::vector<ComPtr<IItem>> m_items;
    size_t m_position;
};
