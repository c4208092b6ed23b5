#pragma once
// A task definition read as XML, through MSXML's DOM, so that what the Task Scheduler keeps of a
// task can be read back element by element. Paths are XPath, with the prefix "t:" for the task
// schema's namespace: "/t:Task/t:Actions/t:Exec/t:Command".
#include <msxml2.h>

#include <string>
#include <vector>

#include "platform/com_ptr.h"

class XmlDocument {
public:
    // The text parsed; a failure when MSXML cannot be created or the text is not XML.
    HRESULT Load(const std::wstring& xml);
    // The text of each element the path selects, in document order.
    std::vector<std::wstring> Texts(const wchar_t* path) const;
    // The local name of each element the path selects, in document order.
    std::vector<std::wstring> Names(const wchar_t* path) const;
    // The text of the first element the path selects, or empty.
    std::wstring Text(const wchar_t* path) const;

private:
    std::vector<std::wstring> Select(const wchar_t* path, bool names) const;

    ComPtr<IXMLDOMDocument2> m_document;
};
