// The named mutex that keeps to one update at a time on Windows: the update
// window holds it, and so does the console program.
#pragma once

constexpr const char* kInstanceMutex = "{D3BADE20-259A-4a42-96B1-3D4A8794F70C}";
// Its partner seen from every session (services, other users' desktops).
// A name of its own: in session 0 the session's names are the global ones.
constexpr const char* kInstanceMutexEverySession = "Global\\{D3BADE20-259A-4a42-96B1-3D4A8794F70C} every session";
