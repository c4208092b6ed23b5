#pragma once
// autostart enable --device-start: the task also runs when the card's driver starts (after a
// driver update, the device disabled and enabled again, or Windows reinstalling it), on the event
// Windows writes then: event 410 of Microsoft-Windows-Kernel-PnP in its Configuration log, whose
// DeviceInstanceId names the device. The task's event query may only compare, so it compares that
// id with the tuner's own, in the form Windows writes it.
#include <string>

// The log Windows writes the device's start to.
extern const wchar_t kDeviceStartChannel[];

// Whether this Windows has that log (Windows 7 and later keep it; Wine has none).
bool HasDeviceStartChannel();

// The device instance id of the device with this interface path: as the system tells it
// (SetupAPI), or, where the system does not know the path, read from the path itself. Empty when
// neither tells it.
std::wstring DeviceInstanceIdOf(const std::wstring& devicePath);

// The instance id read from an interface path, as Windows writes it in the event: the part
// between "\\?\" and "#{", its '#' as '\', in upper case: "\\?\pci#ven_1131&dev_7160#4&2b1c8c1f&0&00e5#{...}"
// gives "PCI\VEN_1131&DEV_7160\4&2B1C8C1F&0&00E5". Empty for a path without those parts.
std::wstring InstanceIdFromPath(const std::wstring& devicePath);

// The task's event query for the start of the device with this instance id.
std::wstring DeviceStartQuery(const std::wstring& instanceId);

// The instance id a device-start query names, or empty when the query is not one.
std::wstring DeviceStartQueryId(const std::wstring& query);
