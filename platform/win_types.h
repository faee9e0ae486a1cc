// The few Windows types the portable layers speak in. On Windows they come
// from the system headers; elsewhere they are declared here with the same
// layout, so a channel request is the same bytes on either side.
#pragma once

#include <cstdint>

#ifdef _WIN32

#include <windows.h>
#include <objbase.h>
#include <ks.h>
#include <ksproxy.h>

#else  // !_WIN32

typedef int32_t HRESULT;
typedef uint32_t ULONG;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef int64_t LONGLONG;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef int BOOL;
typedef void* LPVOID;
typedef unsigned int UINT;
typedef uintptr_t UINT_PTR;

// Message-box styles and answers the update window's question uses.
#define MB_YESNO 0x00000004L
#define MB_ICONEXCLAMATION 0x00000030L
#define IDYES 6
#define IDNO 7

#define STDMETHODCALLTYPE

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
typedef GUID IID;
typedef const IID& REFIID;

#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_NOTIMPL ((HRESULT)0x80004001)
#define E_NOINTERFACE ((HRESULT)0x80004002)
#define E_POINTER ((HRESULT)0x80004003)
#define E_FAIL ((HRESULT)0x80004005)
#define E_INVALIDARG ((HRESULT)0x80070057)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)

#define ERROR_GEN_FAILURE 31L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_MORE_DATA 234L
#define ERROR_NOT_FOUND 1168L
#define FACILITY_WIN32 7
inline HRESULT HRESULT_FROM_WIN32(long x) {
    return x <= 0 ? (HRESULT)x
                  : (HRESULT)(((uint32_t)x & 0x0000FFFFu) | (FACILITY_WIN32 << 16) | 0x80000000u);
}

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

protected:
    ~IUnknown() = default;
};

// KSIDENTIFIER is a union with a LONGLONG on Windows; the 8-byte alignment
// keeps its size at 24 and KSP_NODE at 32, as the driver expects.
struct alignas(8) KSIDENTIFIER {
    GUID Set;
    ULONG Id;
    ULONG Flags;
};
typedef KSIDENTIFIER KSPROPERTY, *PKSPROPERTY, KSMETHOD, *PKSMETHOD, KSEVENT, *PKSEVENT;

struct KSP_NODE {
    KSPROPERTY Property;
    ULONG NodeId;
    ULONG Reserved;
};

#define KSPROPERTY_TYPE_GET 0x00000001
#define KSPROPERTY_TYPE_SET 0x00000002
#define KSPROPERTY_TYPE_BASICSUPPORT 0x00000200
#define KSPROPERTY_TYPE_TOPOLOGY 0x10000000

struct IKsControl : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE KsProperty(PKSPROPERTY Property, ULONG PropertyLength,
                                                 LPVOID PropertyData, ULONG DataLength,
                                                 ULONG* BytesReturned) = 0;
    virtual HRESULT STDMETHODCALLTYPE KsMethod(PKSMETHOD Method, ULONG MethodLength,
                                               LPVOID MethodData, ULONG DataLength,
                                               ULONG* BytesReturned) = 0;
    virtual HRESULT STDMETHODCALLTYPE KsEvent(PKSEVENT Event, ULONG EventLength, LPVOID EventData,
                                              ULONG DataLength, ULONG* BytesReturned) = 0;

protected:
    ~IKsControl() = default;
};

#endif  // _WIN32

static_assert(sizeof(GUID) == 16, "GUID layout");
static_assert(sizeof(KSPROPERTY) == 24, "KSPROPERTY layout");
static_assert(sizeof(KSP_NODE) == 32, "KSP_NODE layout");

// IUnknown's own IID, and IKsControl's, spelled out so that neither build
// needs a GUID library to link against.
constexpr GUID kIidIUnknown = {0x00000000, 0x0000, 0x0000,
                               {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID kIidIKsControl = {0x28F54685, 0x06FD, 0x11D2,
                                 {0xB2, 0x7A, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

inline bool SameGuid(const GUID& a, const GUID& b) {
    const uint8_t* pa = reinterpret_cast<const uint8_t*>(&a);
    const uint8_t* pb = reinterpret_cast<const uint8_t*>(&b);
    for (int i = 0; i < 16; ++i)
        if (pa[i] != pb[i]) return false;
    return true;
}
