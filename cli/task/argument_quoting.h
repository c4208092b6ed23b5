#pragma once
// The task's command line, written so that its runs read exactly what autostart was asked.
// Windows hands a program its arguments as CommandLineToArgvW splits the command line (the C
// runtime's split follows the same rules), and the Task Scheduler first expands %NAME% in it;
// the task's XML can carry no control character.
#include <string>

// One argument as it must stand in a command line to come back as it is: as it is when it holds
// no blank, tab or quote and is not empty; otherwise in quotes, with each quote escaped and the
// backslashes before a quote or the closing quote doubled.
std::wstring QuotedArgument(const std::wstring& argument);

// Why the text cannot go into the task's command line: a control character, a quote or a '%'
// (empty when it can). The reason follows a text such as "the log ... ".
std::wstring TaskTextRefusal(const std::wstring& text);
