#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <typeinfo>
#include <vector>

#include "platform/library_errors.h"

namespace {

struct Thing {};

// The text the terminate handler would write for what `raise` throws.
std::string ReasonFor(const std::function<void()>& raise, unsigned room = 400)
{
    char buffer[400] = {};
    try {
        raise();
    } catch (...) {
        return TerminateReason(buffer, room);
    }
    return "nothing was thrown";
}

TEST(LibraryErrors, TheLibrarysErrorsCarryItsOwnTexts)
{
    const std::wstring two = L"ab";
    std::vector<int> numbers;
    const struct {
        const char* what;
        std::function<void()> raise;
    } cases[] = {
        {"basic_string: construction from null is not valid",
         [] { std::wstring nothing(static_cast<const wchar_t*>(nullptr)); }},
        {"basic_string::at: __n (which is 5) >= this->size() (which is 2)", [&] { (void)two.at(5); }},
        {"basic_string::substr: __pos (which is 3) > this->size() (which is 2)", [&] { (void)two.substr(3); }},
        {"vector::reserve", [&] { numbers.reserve(numbers.max_size() + 1); }},
        {"vector::_M_range_check: __n (which is 0) >= this->size() (which is 0)", [&] { (void)numbers.at(0); }},
    };
    for (const auto& c : cases) {
        try {
            c.raise();
            ADD_FAILURE() << c.what << ": nothing was thrown";
        } catch (const LibraryError& error) {
            EXPECT_STREQ(error.what(), c.what);
        }
    }
    // The errors without a text keep their standard types.
    EXPECT_THROW(std::__throw_bad_alloc(), std::bad_alloc);
    EXPECT_THROW(std::__throw_bad_cast(), std::bad_cast);
    EXPECT_THROW(std::__throw_bad_array_new_length(), std::bad_array_new_length);
    // A format's text is cut at the end of its room, never past it.
    const std::string tail(300, 'x');
    try {
        std::__throw_out_of_range_fmt("%s and 100%% of %zu", tail.c_str(), size_t{7});
    } catch (const LibraryError& error) {
        EXPECT_EQ(std::string(error.what()), tail.substr(0, 159));
    }
    try {
        std::__throw_out_of_range_fmt("%s and 100%% of %zu", "all", size_t{1234567890});
    } catch (const LibraryError& error) {
        EXPECT_STREQ(error.what(), "all and 100% of 1234567890");
    }
}

TEST(LibraryErrors, TheTerminateHandlerNamesTheExceptionAndItsText)
{
    const struct {
        std::function<void()> raise;
        const char* reason;
    } cases[] = {
        {[] { std::vector<int>().reserve(SIZE_MAX); },
         "terminate called after throwing an instance of 'LibraryError'\n  what():  vector::reserve\n"},
        {[] { throw std::bad_alloc(); },
         "terminate called after throwing an instance of 'std::bad_alloc'\n  what():  std::bad_alloc\n"},
        {[] { throw Thing(); }, "terminate called after throwing an instance of '(anonymous namespace)::Thing'\n"},
        // Names it cannot write plainly are given as the compiler has them.
        {[] { throw 7; }, "terminate called after throwing an instance of 'i'\n"},
        {[] { throw std::vector<int>(); }, "terminate called after throwing an instance of 'St6vectorIiSaIiEE'\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReasonFor(c.raise), c.reason);
    char buffer[400];
    EXPECT_STREQ(TerminateReason(buffer, sizeof buffer), "terminate called without an active exception\n");
    EXPECT_EQ(ReasonFor([] { throw std::bad_alloc(); }, 10), "terminate");
}

}  // namespace
