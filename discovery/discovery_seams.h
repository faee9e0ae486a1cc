// The system services camera discovery goes through, reached by pointers
// that a test may replace. Each Set...() returns what was there before;
// passing null puts the system's own back.
#pragma once

#include "platform/win_types.h"

#include <setupapi.h>
#include <strmif.h>

// Creates the system device enumerator; the caller owns the reference.
typedef HRESULT (*CreateDevEnumFn)(ICreateDevEnum** devEnum);

HRESULT CreateSystemDeviceEnumerator(ICreateDevEnum** devEnum);
CreateDevEnumFn SetCreateDevEnum(CreateDevEnumFn create);

// The SetupAPI calls of the hardware-ID scan and of a camera's own device, and the allocator of its
// property buffer, with the system functions' own signatures.
struct SetupApiCalls {
    HDEVINFO(WINAPI* getClassDevs)(const GUID* classGuid, PCSTR enumerator, HWND parent,
                                   DWORD flags);
    BOOL(WINAPI* enumDeviceInfo)(HDEVINFO set, DWORD index, PSP_DEVINFO_DATA data);
    BOOL(WINAPI* getRegistryProperty)(HDEVINFO set, PSP_DEVINFO_DATA data, DWORD property,
                                      PDWORD type, PBYTE buffer, DWORD size, PDWORD required);
    BOOL(WINAPI* destroyList)(HDEVINFO set);
    BOOL(WINAPI* getInstanceId)(HDEVINFO set, PSP_DEVINFO_DATA data, PSTR id, DWORD size,
                                PDWORD required);
    HLOCAL(WINAPI* localAlloc)(UINT flags, SIZE_T bytes);
    HLOCAL(WINAPI* localFree)(HLOCAL memory);
};

const SetupApiCalls& SetupApi();
SetupApiCalls SetSetupApiCalls(const SetupApiCalls* calls);
