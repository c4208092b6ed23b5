#include "platform/library_errors.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <typeinfo>

#include <cxxabi.h>

namespace {

// Appends to a text kept in a fixed room, always ended, never past the room.
class FixedText {
public:
    FixedText(char* room, size_t size) noexcept : m_room(room), m_size(size) { Put(""); }

    void Put(const char* text) noexcept
    {
        for (; text && *text && m_used + 1 < m_size; ++text)
            m_room[m_used++] = *text;
        if (m_size)
            m_room[m_used] = '\0';
    }
    void Put(const char* text, size_t length) noexcept
    {
        for (size_t i = 0; i < length && text[i]; ++i) {
            const char one[2] = {text[i], '\0'};
            Put(one);
        }
    }
    void Put(size_t number) noexcept
    {
        char digits[24];
        size_t count = 0;
        do {
            digits[count++] = static_cast<char>('0' + number % 10);
            number /= 10;
        } while (number);
        while (count)
            Put(digits + --count, 1);
    }

private:
    char* m_room;
    size_t m_size;
    size_t m_used = 0;
};

// One <source-name> of a mangled name ("9bad_alloc"): its text put, and the rest returned; null
// when the name is not one.
const char* PutSourceName(FixedText& out, const char* name) noexcept
{
    size_t length = 0;
    if (*name < '1' || *name > '9')
        return nullptr;
    while (*name >= '0' && *name <= '9')
        length = length * 10 + static_cast<size_t>(*name++ - '0');
    for (size_t i = 0; i < length; ++i) {
        if (!name[i])
            return nullptr;
    }
    if (length == 12 && std::strncmp(name, "_GLOBAL__N_1", 12) == 0)
        out.Put("(anonymous namespace)");
    else
        out.Put(name, length);
    return name + length;
}

// A class's name as written in C++, for the plain names that exceptions have ("St9bad_alloc",
// "12LibraryError", "N5outer5innerE"); false for anything else (templates, local classes).
bool PutPlainTypeName(FixedText& out, const char* mangled) noexcept
{
    const bool nested = *mangled == 'N';
    if (nested)
        ++mangled;
    bool first = true;
    if (mangled[0] == 'S' && mangled[1] == 't') {
        out.Put("std");
        first = false;
        mangled += 2;
    }
    while (*mangled && *mangled != 'E') {
        if (!first)
            out.Put("::");
        mangled = PutSourceName(out, mangled);
        if (!mangled)
            return false;
        first = false;
        if (!nested)
            break;
    }
    return !first && (nested ? mangled[0] == 'E' && !mangled[1] : !*mangled);
}

}  // namespace

LibraryError::LibraryError(const char* text) noexcept
{
    FixedText(m_text, sizeof m_text).Put(text);
}

LibraryError::LibraryError(const char* format, va_list arguments) noexcept
{
    FixedText text(m_text, sizeof m_text);
    while (format && *format) {
        if (format[0] == '%' && format[1] == 's') {
            text.Put(va_arg(arguments, const char*));
            format += 2;
        } else if (format[0] == '%' && format[1] == 'z' && format[2] == 'u') {
            text.Put(va_arg(arguments, size_t));
            format += 3;
        } else if (format[0] == '%' && format[1] == '%') {
            text.Put("%");
            format += 2;
        } else {
            text.Put(format++, 1);
        }
    }
}

const char* TerminateReason(char* buffer, unsigned size) noexcept
{
    FixedText text(buffer, size);
    const std::type_info* type = abi::__cxa_current_exception_type();
    if (!type) {
        text.Put("terminate called without an active exception\n");
        return buffer;
    }
    const char* mangled = type->name();
    text.Put("terminate called after throwing an instance of '");
    char plain[128];
    FixedText name(plain, sizeof plain);
    text.Put(PutPlainTypeName(name, mangled) ? plain : mangled);
    text.Put("'\n");
    try {
        throw;
    } catch (const std::exception& error) {
        text.Put("  what():  ");
        text.Put(error.what());
        text.Put("\n");
    } catch (...) {
    }
    return buffer;
}

// The library's throwing functions, one for each it has, so that its own are never linked.
namespace std {
void __throw_bad_exception() { throw bad_exception(); }
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_logic_error(const char* text) { throw LibraryError(text); }
void __throw_domain_error(const char* text) { throw LibraryError(text); }
void __throw_invalid_argument(const char* text) { throw LibraryError(text); }
void __throw_length_error(const char* text) { throw LibraryError(text); }
void __throw_out_of_range(const char* text) { throw LibraryError(text); }
void __throw_runtime_error(const char* text) { throw LibraryError(text); }
void __throw_range_error(const char* text) { throw LibraryError(text); }
void __throw_overflow_error(const char* text) { throw LibraryError(text); }
void __throw_underflow_error(const char* text) { throw LibraryError(text); }
void __throw_out_of_range_fmt(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    LibraryError error(format, arguments);
    va_end(arguments);
    throw error;
}
}  // namespace std

// The library's terminate handler, as the library has it but for the demangler: the reason on
// standard error, then abort().
namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    static bool terminating = false;
    if (terminating) {
        (void)std::fputs("terminate called recursively\n", stderr);
        std::abort();
    }
    terminating = true;
    char reason[400];
    (void)std::fputs(TerminateReason(reason, sizeof reason), stderr);
    std::abort();
}
}  // namespace __gnu_cxx
