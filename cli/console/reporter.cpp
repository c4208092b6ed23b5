#include "cli/console/reporter.h"

void Reporter::Result(const std::wstring& line)
{
    if (m_text)
        m_streams.Out(line);
}

void Reporter::Data(const std::wstring& json)
{
    if (m_json)
        m_streams.Out(json);
}

void Reporter::Error(const std::wstring& text)
{
    m_streams.Err(L"tessmorctl: " + text);
}

void Reporter::Step(const std::wstring& text)
{
    if (m_verbose)
        m_streams.Err(L"tessmorctl: " + text);
}
