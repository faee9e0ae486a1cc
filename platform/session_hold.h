// Holds off a session end (log-off, shut-down, restart) on Windows while the
// camera's flash is written. Windows asks each top-level window before the
// session ends and ends a console program a few seconds after, whatever its
// console handler does; so a hidden window of a thread of its own answers
// for the program, and names the reason on the screen that lists it.
#pragma once

#include <string>

// The window's class, fixed so that it can be found from outside.
constexpr const char* kSessionHoldWindowClass = "KorvaneUpdateSessionHold";

struct SessionHold;

// The window made and its thread running; null, with the reason in *why,
// when the system would not give them.
SessionHold* TakeSessionHold(std::string* why);
// Destroys the window, ends its thread and frees the hold; nothing for null.
void ReleaseSessionHold(SessionHold* hold);
