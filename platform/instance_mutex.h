// The named mutex that keeps to one update at a time on Windows: the update
// window holds it, and so does the console program.
#pragma once

constexpr const char* kInstanceMutex = "{D3BADE20-259A-4a42-96B1-3D4A8794F70C}";
