#pragma once
// Message maps: each class that handles messages lists them in one table, and the table of its
// base class answers what it does not. A table entry names a message (for WM_COMMAND also a
// notification code and a control id) and the member function that handles it.
#include <windows.h>

#include <initializer_list>
#include <vector>

class CCmdTarget;

class CMessageMap {
public:
    // Calls the handler for the message, if this table or a base table has one.
    virtual bool Dispatch(CCmdTarget* target, UINT message, WPARAM wParam, LPARAM lParam,
                          LRESULT& result) const = 0;

protected:
    ~CMessageMap() = default;
};

// An object that can receive messages and commands through its message map.
class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;
    virtual const CMessageMap* GetMessageMap() const { return nullptr; }
};

template <class T>
struct MessageMapEntry {
    enum class Kind { Plain, Icon, Mouse };
    UINT message;
    UINT code;  // WM_COMMAND only: the notification code
    UINT id;    // WM_COMMAND only: the control or command id
    Kind kind;
    void (T::*plain)();
    HCURSOR (T::*icon)();
    void (T::*mouse)(UINT flags, POINT point);
};

// A message with no arguments worth passing on (WM_PAINT, ...).
template <class T>
MessageMapEntry<T> MessageEntry(UINT message, void (T::*handler)())
{
    return {message, 0, 0, MessageMapEntry<T>::Kind::Plain, handler, nullptr, nullptr};
}

// WM_COMMAND from the control id with the notification code (BN_CLICKED, CBN_SELCHANGE, ...).
template <class T>
MessageMapEntry<T> CommandEntry(UINT id, UINT code, void (T::*handler)())
{
    return {WM_COMMAND, code, id, MessageMapEntry<T>::Kind::Plain, handler, nullptr, nullptr};
}

// WM_QUERYDRAGICON: the handler returns the icon shown while the minimised window is dragged.
template <class T>
MessageMapEntry<T> DragIconEntry(HCURSOR (T::*handler)())
{
    return {WM_QUERYDRAGICON, 0, 0, MessageMapEntry<T>::Kind::Icon, nullptr, handler, nullptr};
}

// A mouse message (WM_LBUTTONDOWN, ...): key flags and the client-area point.
template <class T>
MessageMapEntry<T> MouseEntry(UINT message, void (T::*handler)(UINT, POINT))
{
    return {message, 0, 0, MessageMapEntry<T>::Kind::Mouse, nullptr, nullptr, handler};
}

template <class T>
class MessageMap final : public CMessageMap {
public:
    MessageMap(const CMessageMap* base, std::initializer_list<MessageMapEntry<T>> entries)
        : m_base(base), m_entries(entries)
    {
    }

    bool Dispatch(CCmdTarget* target, UINT message, WPARAM wParam, LPARAM lParam,
                  LRESULT& result) const override
    {
        for (const auto& entry : m_entries) {
            if (entry.message != message)
                continue;
            if (message == WM_COMMAND &&
                (entry.id != LOWORD(wParam) || entry.code != HIWORD(wParam)))
                continue;
            T* self = static_cast<T*>(target);
            result = 0;
            switch (entry.kind) {
            case MessageMapEntry<T>::Kind::Plain:
                (self->*entry.plain)();
                break;
            case MessageMapEntry<T>::Kind::Icon:
                result = reinterpret_cast<LRESULT>((self->*entry.icon)());
                break;
            case MessageMapEntry<T>::Kind::Mouse:
                (self->*entry.mouse)(static_cast<UINT>(wParam),
                                     POINT{static_cast<short>(LOWORD(lParam)),
                                           static_cast<short>(HIWORD(lParam))});
                break;
            }
            return true;
        }
        return m_base && m_base->Dispatch(target, message, wParam, lParam, result);
    }

private:
    const CMessageMap* m_base;
    std::vector<MessageMapEntry<T>> m_entries;
};
