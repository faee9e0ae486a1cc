#include "discovery/discovery_seams.h"

#include <uuids.h>

namespace {

HRESULT CreateWithCom(ICreateDevEnum** devEnum) {
    return CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                            IID_ICreateDevEnum, reinterpret_cast<void**>(devEnum));
}

const SetupApiCalls kSystemSetupApi = {
    SetupDiGetClassDevsA,
    SetupDiEnumDeviceInfo,
    SetupDiGetDeviceRegistryPropertyA,
    SetupDiDestroyDeviceInfoList,
    SetupDiGetDeviceInstanceIdA,
    LocalAlloc,
    LocalFree,
};

CreateDevEnumFn createDevEnum = CreateWithCom;
SetupApiCalls setupApi = kSystemSetupApi;

}  // namespace

HRESULT CreateSystemDeviceEnumerator(ICreateDevEnum** devEnum) {
    return createDevEnum(devEnum);
}

CreateDevEnumFn SetCreateDevEnum(CreateDevEnumFn create) {
    CreateDevEnumFn previous = createDevEnum;
    createDevEnum = create ? create : CreateWithCom;
    return previous;
}

const SetupApiCalls& SetupApi() { return setupApi; }

SetupApiCalls SetSetupApiCalls(const SetupApiCalls* calls) {
    SetupApiCalls previous = setupApi;
    setupApi = calls ? *calls : kSystemSetupApi;
    return previous;
}
