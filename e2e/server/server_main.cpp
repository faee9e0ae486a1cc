// The in-process server's entry points: one class, the simulated capture
// filter. The server stays loaded for the life of the process, because its
// cameras must outlive every object handed out.
#include <windows.h>

#include <new>

#include "e2e/server/camera_table.h"
#include "e2e/server/capture_filter.h"
#include "e2e/server/server_ids.h"
#include "platform/com_object.h"

namespace {

// A static object: it counts, but nothing deletes it.
class FilterFactory final : public ComObject<IClassFactory> {
public:
    FilterFactory() : ComObject(IID_IClassFactory, Lifetime::OwnerDeletes) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* filter = new (std::nothrow) e2e::CaptureFilter;
        if (!filter) return E_OUTOFMEMORY;
        const HRESULT hr = filter->QueryInterface(riid, object);
        filter->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

FilterFactory factory;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        // Pinned: nothing may unload the cameras while the process lives.
        HMODULE pinned = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCWSTR>(&DllMain), &pinned);
    } else if (reason == DLL_PROCESS_DETACH) {
        e2e::SaveAllOutputs();
    }
    return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsEqualCLSID(clsid, e2e::kClsidSimCaptureFilter)) return CLASS_E_CLASSNOTAVAILABLE;
    return factory.QueryInterface(riid, object);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() { return S_FALSE; }
