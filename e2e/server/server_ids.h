// The class of the simulated capture filter, and where its scenario is
// named. The registration scripts spell the same values.
#pragma once

#include <windows.h>

namespace e2e {

// {C1405374-D6ED-4485-AEA3-B331FC70CD78}
constexpr CLSID kClsidSimCaptureFilter = {0xC1405374, 0xD6ED, 0x4485,
                                          {0xAE, 0xA3, 0xB3, 0x31, 0xFC, 0x70, 0xCD, 0x78}};

// The device's instance key holds the scenario file's path under this value.
constexpr const wchar_t* kScenarioValue = L"Scenario";
// Used when the device's key names none.
constexpr const char* kScenarioVariable = "KORVANE_SIM_SCENARIO";

}  // namespace e2e
