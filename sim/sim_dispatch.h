#pragma once
// A simulated object whose interfaces are dual (derive from IDispatch): the dispatch half is not
// offered to scripting, only the vtable half is real.
#include "sim/sim_object.h"

template <class Primary, class... Others>
class SimDispatchObject : public SimObject<Primary, Others...> {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override
    {
        if (info)
            *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                     EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

protected:
    void* FindInterface(REFIID iid) override
    {
        if (iid == IID_IDispatch)
            return static_cast<Primary*>(this);
        return SimObject<Primary, Others...>::FindInterface(iid);
    }
};
