#pragma once
// The base of every simulated object: a thread-safe reference count, QueryInterface over the
// interfaces the object really implements (and nothing else), and a process-wide count of live
// objects, which every test checks at its end to prove that nothing was leaked.
#include <windows.h>
#include <unknwn.h>

#include "sim/sim_faults.h"

class SimLiveObjects {
public:
    static long Count();

    // While watched, every Release made on a thread without COM (after CoUninitialize) is
    // counted: such a release may reach an object whose server is already gone.
    static void WatchApartment(bool watch);
    static long ReleasesWithoutCom();
    static void NoteRelease();

private:
    template <class, class...>
    friend class SimObject;
    static void Add();
    static void Remove();
};

// Primary and Others are the interfaces the object derives from and answers. An object whose
// interfaces extend others (IBaseFilter extends IMediaFilter and IPersist) answers those too by
// overriding FindInterface. A new object starts with the one reference its creator hands over.
template <class Primary, class... Others>
class SimObject : public Primary, public Others... {
public:
    SimObject(const SimObject&) = delete;
    SimObject& operator=(const SimObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        const HRESULT injected = SimFaults::Check(SimFaults::QueryInterfacePoint(iid));
        if (FAILED(injected))
            return injected;
        *ppv = FindInterface(iid);
        if (!*ppv)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ::InterlockedIncrement(&m_refs); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        SimLiveObjects::NoteRelease();
        const LONG refs = ::InterlockedDecrement(&m_refs);
        if (refs == 0)
            delete this;
        return refs;
    }

    // The current count of references, for tests that check who holds the object.
    LONG RefCount() const { return m_refs; }

protected:
    SimObject() { SimLiveObjects::Add(); }
    virtual ~SimObject() { SimLiveObjects::Remove(); }

    virtual void* FindInterface(REFIID iid)
    {
        if (iid == IID_IUnknown)
            return static_cast<Primary*>(this);
        return FindListed<Primary, Others...>(iid);
    }

private:
    template <class I, class... Rest>
    void* FindListed(REFIID iid)
    {
        if (iid == __uuidof(I))
            return static_cast<I*>(this);
        if constexpr (sizeof...(Rest) > 0)
            return FindListed<Rest...>(iid);
        else
            return nullptr;
    }

    LONG m_refs = 1;
};
