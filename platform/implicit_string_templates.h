#pragma once
// Forced ahead of every source of the program's own libraries (not the tests'): the string
// classes' members are then made in the objects that use them, only those used, instead of being
// taken from the C++ library's one object that holds them all. On 32-bit Windows the linker
// keeps every function of an object it takes whose unwind data it keeps, which is all of them:
// the library's object would bring every member of both string classes, used or not.
//
// The library's own switch, as its configuration header describes it: -1 leaves out its
// declarations that the string classes are made only in the library.
#include <bits/c++config.h>
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE -1
