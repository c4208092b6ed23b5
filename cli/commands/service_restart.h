#pragma once
// --restart-service NAME: a Windows service, such as a TV server that reads each tuner's type
// only when it starts, restarted once the card reports the modes just written: stopped, waited
// for (at most a minute), and started again. Only a service that is running is restarted.
#include <string>

#include "cli/console/reporter.h"

// How long a stop is waited for.
constexpr unsigned long kServiceStopSeconds = 60;

// Why the service cannot be restarted before anything is done (empty when it is there): it does
// not exist, or the service manager cannot be asked.
std::wstring ServiceRefusal(const std::wstring& name);

// Restarts the service if it is running. The status: success (restarted, or not running), or
// kExitServiceNotRestarted with lines that say what to do.
int RestartService(const std::wstring& name, Reporter& reporter);
