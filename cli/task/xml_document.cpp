#include "cli/task/xml_document.h"

#include "platform/com_holders.h"
#include "platform/identities.h"
#include "platform/system_services.h"

namespace {

const wchar_t kTaskNamespace[] = L"xmlns:t='http://schemas.microsoft.com/windows/2004/02/mit/task'";

// A DOM property set to a text.
HRESULT SetProperty(IXMLDOMDocument2* document, const wchar_t* name, const wchar_t* text)
{
    BstrHolder property(name);
    VariantHolder value;
    V_VT(value.Get()) = VT_BSTR;
    V_BSTR(value.Get()) = ::SysAllocString(text);
    if (!property.Get() || !V_BSTR(value.Get()))
        return E_OUTOFMEMORY;
    return document->setProperty(property.Get(), *value.Get());
}

}  // namespace

HRESULT XmlDocument::Load(const std::wstring& xml)
{
    ComPtr<IXMLDOMDocument2> document;
    HRESULT result = Services().CreateInstance(CLSID_DOMDocument60, nullptr, CLSCTX_INPROC_SERVER,
                                               __uuidof(IXMLDOMDocument2),
                                               reinterpret_cast<void**>(document.ReleaseAndGetAddressOf()));
    if (FAILED(result))
        return result;
    // Read as it stands: no download, no schema, no outside entity.
    if (FAILED(result = document->put_async(VARIANT_FALSE)) ||
        FAILED(result = document->put_validateOnParse(VARIANT_FALSE)) ||
        FAILED(result = document->put_resolveExternals(VARIANT_FALSE)) ||
        FAILED(result = SetProperty(document.Get(), L"SelectionLanguage", L"XPath")) ||
        FAILED(result = SetProperty(document.Get(), L"SelectionNamespaces", kTaskNamespace)))
        return result;
    BstrHolder text(xml.c_str());
    if (!text.Get())
        return E_OUTOFMEMORY;
    VARIANT_BOOL loaded = VARIANT_FALSE;
    result = document->loadXML(text.Get(), &loaded);
    if (FAILED(result))
        return result;
    if (loaded != VARIANT_TRUE)
        return E_FAIL;
    m_document = document;
    return S_OK;
}

std::vector<std::wstring> XmlDocument::Select(const wchar_t* path, bool names) const
{
    std::vector<std::wstring> found;
    BstrHolder query(path);
    ComPtr<IXMLDOMNodeList> nodes;
    if (!m_document || !query.Get() || FAILED(m_document->selectNodes(query.Get(), nodes.ReleaseAndGetAddressOf())) ||
        !nodes)
        return found;
    for (;;) {
        ComPtr<IXMLDOMNode> node;
        if (nodes->nextNode(node.ReleaseAndGetAddressOf()) != S_OK || !node)
            break;
        BstrHolder text;
        const HRESULT read = names ? node->get_baseName(text.ReleaseAndGetAddressOf())
                                   : node->get_text(text.ReleaseAndGetAddressOf());
        found.push_back(SUCCEEDED(read) && text.Get() ? std::wstring(text.Get()) : std::wstring());
    }
    return found;
}

std::vector<std::wstring> XmlDocument::Texts(const wchar_t* path) const
{
    return Select(path, false);
}

std::vector<std::wstring> XmlDocument::Names(const wchar_t* path) const
{
    return Select(path, true);
}

std::wstring XmlDocument::Text(const wchar_t* path) const
{
    const std::vector<std::wstring> texts = Texts(path);
    return texts.empty() ? std::wstring() : texts.front();
}
