#pragma once
// The C++ library's own errors, as the shipped programs raise them. The library throws through a
// handful of functions (std::__throw_length_error and the like), and ends a program whose
// exception nobody caught through its terminate handler. Its own versions build each error's
// text in a copy-on-write string and name the type with a full demangler, which together make
// up a third of a small program. platform/library_errors.cpp stands in for both: the errors
// without text (std::bad_alloc and its kind) are thrown as they are; the ones with text as a
// LibraryError that keeps it in place. Nothing in the program catches those by their standard
// types; a catch of std::exception catches them as before.
//
// The file is linked as an object into each program that uses it, never from an archive, so
// that the library's own versions are never taken beside it.
#include <cstdarg>
#include <exception>

class LibraryError final : public std::exception {
public:
    // The text, cut at the end of the room kept for it.
    explicit LibraryError(const char* text) noexcept;
    // The text as the library formats it: each "%s" and "%zu" replaced in turn by the next
    // argument, "%%" by "%".
    LibraryError(const char* format, va_list arguments) noexcept;
    const char* what() const noexcept override { return m_text; }

private:
    char m_text[160];
};

// What the terminate handler writes before the program ends: the type of the exception in
// flight (without templates' and functions' manglings undone) and its what(), or that there was
// none. For the handler and its tests; call it inside a handler or a catch block.
const char* TerminateReason(char* buffer, unsigned size) noexcept;
